// How responsive the window stays under load: a Session with ROWS rows shown in the window, 50 search
// threads crawling an endless local site and 100 download workers fetching from a local server, all at
// once, for SECONDS. A 10 ms timer on the window's thread is due every 10 ms on a fixed grid of a steady
// clock; every tick is measured from when it was due, so a stall of 300 ms counts as 30 late ticks
// (300 ms, 290 ms, ...) rather than one. The figures are the event loop's latency percentiles in
// microseconds. The local servers run in this process (cpp-httplib), so they compete for the same
// cores: a harder test than an outside server. The scratch home (list, downloaded files, run log) is
// removed before the process ends.
//
//   latency_bench [ROWS=1000000] [SECONDS=20]

#include <httplib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/Session.h"
#include "gui/MainWindow.h"
#include "lists/MessageSink.h"

namespace {

// A one-page PDF of `size` bytes: header, catalog, page tree, one page whose content stream carries the
// padding (comment lines, which draw nothing), cross-reference table and trailer with the right offsets,
// so the download's content check takes it for what it is.
std::string PdfWithPadding(size_t padding) {
    std::string pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    std::vector<size_t> offsets;
    auto object = [&](const std::string& body) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
    };
    object("<< /Type /Catalog /Pages 2 0 R >>");
    object("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>");
    std::string stream;
    while (stream.size() + 80 <= padding) stream += "%" + std::string(78, 'f') + "\n";
    if (padding - stream.size() >= 2) stream += "%" + std::string(padding - stream.size() - 2, 'f') + "\n";
    object("<< /Length " + std::to_string(stream.size()) + " >>\nstream\n" + stream + "endstream");
    const size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t offset : offsets) {
        char line[21];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
        pdf += line;
    }
    pdf += "trailer\n<< /Size " + std::to_string(offsets.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

std::string PdfOfSize(size_t size) {
    size_t padding = size;
    std::string pdf = PdfWithPadding(padding);
    // The frame's numbers grow by a digit now and then: a few rounds settle the padding.
    for (int round = 0; round < 4; ++round) {
        const long long missing = (long long)size - (long long)pdf.size();
        if (missing == 0 || (long long)padding + missing < 0) break;  // there, or smaller than the frame
        padding = size_t((long long)padding + missing);
        pdf = PdfWithPadding(padding);
    }
    return pdf;
}

struct QuietMessages : MessageSink {
    void ShowMessageBox(const QString&) override {}
    bool AskYesNo(const QString&, const QString&) override { return false; }
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 20;

    httplib::Server server;
    server.new_task_queue = [] { return new httplib::ThreadPool(32); };
    server.Get("/gen/(\\d+)", [](const httplib::Request& req, httplib::Response& res) {
        const long n = std::atol(req.matches[1].str().c_str());
        std::string page;
        for (int i = 1; i <= 5; ++i) page += "<a href=\"/gen/" + std::to_string(n * 5 + i) + "\">p</a>";
        res.set_content(page, "text/html");
    });
    const std::string document = PdfOfSize(64 * 1024);
    server.Get("/files/.*", [&document](const httplib::Request&, httplib::Response& res) {
        res.set_content(document, "application/pdf");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { server.listen_after_bind(); });

    QTemporaryDir home;
    qputenv("SKIMMER_UPDATE_URL", (home.path() + "/none.xml").toUtf8());
    Session session(home.path());
    session.Start();
    Options& options = session.GetOptions();
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(port);
    ResultList& list = session.Results();
    list.Reserve(rows);
    for (int i = 0; i < rows; ++i) {
        const QString link = QStringLiteral("%1/files/%2.pdf").arg(base).arg(i);
        list.AddLinkIfNew(link);
        list.AddEntry(QStringLiteral("document %1").arg(i), "pdf", EntrySize::Unknown, link,
                      RowStatus::Waiting);
    }
    QuietMessages messages;
    MainWindow window(session, &messages);
    window.show();

    options.SetCommittedText(SettingKey::SaveFolder, home.path() + "/save");
    options.SetCommittedInt(SettingKey::DownloadThreads, 100);
    options.SetCommittedInt(SettingKey::SearchThreads, 50);
    options.SetCommittedInt(SettingKey::EngineOther, 1);
    options.SetCommittedText(SettingKey::OtherEngineAddress, base + "/gen/0");
    options.SetCommittedInt(SettingKey::EngineBaidu, 0);
    options.SetCommittedInt(SettingKey::SuffixSameTitles, 0);
    session.Search().StartSearch();
    session.Downloads().StartDownload();

    using Clock = std::chrono::steady_clock;
    constexpr auto kPeriod = std::chrono::milliseconds(10);
    std::vector<qint64> lateMicros;  // one per tick that fell due
    const Clock::time_point begin = Clock::now();
    Clock::time_point due = begin + kPeriod;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const Clock::time_point now = Clock::now();
        // A firing a hair before its due time (the timer's own clock reading) counts as on time; every
        // tick that fell due since the last firing is late by now minus its own due time.
        while (due <= now + std::chrono::milliseconds(1)) {
            lateMicros.push_back(std::max<qint64>(
                0, std::chrono::duration_cast<std::chrono::microseconds>(now - due).count()));
            due += kPeriod;
        }
        if (now - begin > std::chrono::seconds(seconds)) QCoreApplication::exit(0);
    });
    tick.start(kPeriod);
    app.exec();

    session.Search().StopSearch();
    session.Downloads().Shutdown();
    const qint64 downloaded = list.CountDownloaded();
    const qint64 seen = session.Search().Queue().SeenCount();
    // The search threads write nothing but the run log, yet the home goes only once they are reaped.
    for (int i = 0; i < 500 && session.Search().IsBusy(); ++i) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    home.remove();

    if (lateMicros.empty()) lateMicros.push_back(0);
    std::sort(lateMicros.begin(), lateMicros.end());
    auto at = [&](double q) { return lateMicros[size_t(q * double(lateMicros.size() - 1))]; };
    std::printf(
        "event loop over %d s with %d rows, 50 search threads, 100 workers: %zu ticks due, lateness p50 %lld "
        "us, "
        "p99 %lld us, p99.9 %lld us, max %lld us; %lld rows downloaded, %lld addresses seen\n",
        seconds, rows, lateMicros.size(), (long long)at(0.5), (long long)at(0.99), (long long)at(0.999),
        (long long)lateMicros.back(), (long long)downloaded, (long long)seen);
    std::fflush(stdout);
    std::_Exit(0);  // the pools' remaining teardown goes with the process
}
