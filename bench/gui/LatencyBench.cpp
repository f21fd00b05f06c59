// How responsive the window stays under load: a Session with ROWS rows shown in the window, 50 search
// threads crawling an endless local site and 100 download workers fetching from a local server, all at
// once, for SECONDS. A 10 ms timer on the window's thread is due every 10 ms on a fixed grid of a steady
// clock; every tick is measured from when it was due, so a stall of 300 ms counts as 30 late ticks
// (300 ms, 290 ms, ...) rather than one. The figures are the event loop's latency percentiles in
// microseconds. The local servers run in this process (cpp-httplib), so they compete for the same
// cores: a harder test than an outside server. The scratch home (list, downloaded files, run log) is
// removed before the process ends.
//
// After the steady phase, with the search and the downloads still running, come the phases of the work
// that reads or reorders the whole list, each measured on its own from its start until the table shows
// its result and a second more: the window opens a list file of ROWS rows (replacing the list), then
// the table is sorted by title and by size, as a header click does. The last line gives the worst
// phase, which the goal is held to.
//
//   latency_bench [ROWS=1000000] [SECONDS=20] [inline]
// "inline" opens the file on the window's thread, as the window once did: the figure to compare with.

#include <httplib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/Session.h"
#include "gui/MainWindow.h"
#include "gui/ResultTableModel.h"
#include "lists/ListFiles.h"
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
    // The file the open phase reads: the same rows, as the list saved them.
    const QString listFile = home.path() + "/open.list";
    ListFiles(list, options, nullptr).ExportListText(listFile, StatusFilter());
    QuietMessages messages;
    MainWindow window(session, &messages);
    window.SetImportQuestion([](qsizetype) { return MainWindow::ImportChoice::Replace; });
    window.show();
    ResultTableModel& model = *window.Model();

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
    constexpr auto kSettle = std::chrono::seconds(1);  // the table's first paints after a phase's result
    struct Phase {
        std::string name;
        std::function<void()> start;
        std::function<bool()> over;      // the result is in (the steady phase: its time is up)
        std::vector<qint64> lateMicros;  // one per tick that fell due
        Clock::time_point begin, overAt;
        bool ended = false;
    };
    const Clock::time_point begin = Clock::now();
    std::vector<Phase> phases;
    auto phase = [&phases](std::string name, std::function<void()> start, std::function<bool()> over) {
        phases.emplace_back();
        phases.back().name = std::move(name);
        phases.back().start = std::move(start);
        phases.back().over = std::move(over);
    };
    phase(
        "steady", [] {}, [&] { return Clock::now() - begin > std::chrono::seconds(seconds); });
    const bool openInline = argc > 3 && std::string(argv[3]) == "inline";
    const std::string count = std::to_string(rows) + " rows";
    phase(
        "open " + count,
        [&] {
            if (openInline)
                session.Lists().ImportFrom(listFile, StatusFilter());
            else
                window.ImportList(listFile, StatusFilter());
        },
        [&] { return !session.Lists().Loading() && model.rowCount() >= rows; });
    phase(
        "sort " + count + " by title",
        [&] { model.sort(ResultTableModel::kTitleColumn, Qt::AscendingOrder); },
        [&] { return !model.Sorting(); });
    phase(
        "sort " + count + " by size", [&] { model.sort(ResultTableModel::kSizeColumn, Qt::DescendingOrder); },
        [&] { return !model.Sorting(); });
    size_t current = 0;
    phases[0].begin = begin;
    Clock::time_point due = begin + kPeriod;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (current == phases.size()) return;  // exiting
        const Clock::time_point now = Clock::now();
        Phase& phase = phases[current];
        // A firing a hair before its due time (the timer's own clock reading) counts as on time; every
        // tick that fell due since the last firing is late by now minus its own due time.
        while (due <= now + std::chrono::milliseconds(1)) {
            phase.lateMicros.push_back(std::max<qint64>(
                0, std::chrono::duration_cast<std::chrono::microseconds>(now - due).count()));
            due += kPeriod;
        }
        if (!phase.ended && phase.over()) {
            phase.ended = true;
            phase.overAt = now;
        }
        if (!phase.ended || (current > 0 && now - phase.overAt < kSettle)) return;
        if (++current == phases.size()) return QCoreApplication::exit(0);
        phases[current].begin = Clock::now();
        phases[current].start();
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

    auto at = [](const std::vector<qint64>& late, double q) {
        return late[size_t(q * double(late.size() - 1))];
    };
    qint64 worstP99 = 0, worstMax = 0;
    for (Phase& phase : phases) {
        std::vector<qint64>& late = phase.lateMicros;
        if (late.empty()) late.push_back(0);
        std::sort(late.begin(), late.end());
        worstP99 = std::max(worstP99, at(late, 0.99));
        worstMax = std::max(worstMax, late.back());
    }
    const std::vector<qint64>& steady = phases[0].lateMicros;
    std::printf(
        "event loop over %d s with %d rows, 50 search threads, 100 workers: %zu ticks due, lateness p50 %lld "
        "us, "
        "p99 %lld us, p99.9 %lld us, max %lld us; %lld rows downloaded, %lld addresses seen\n",
        seconds, rows, steady.size(), (long long)at(steady, 0.5), (long long)at(steady, 0.99),
        (long long)at(steady, 0.999), (long long)steady.back(), (long long)downloaded, (long long)seen);
    for (const Phase& phase : phases) {
        const qint64 took =
            std::chrono::duration_cast<std::chrono::milliseconds>(phase.overAt - phase.begin).count();
        std::printf(
            "phase %-30s %6zu ticks due, result in %6lld ms, lateness p50 %lld us, p99 %lld us, max %lld "
            "us\n",
            (phase.name + ":").c_str(), phase.lateMicros.size(), (long long)took,
            (long long)at(phase.lateMicros, 0.5), (long long)at(phase.lateMicros, 0.99),
            (long long)phase.lateMicros.back());
    }
    std::printf("worst phase: lateness p99 %lld us, max %lld us\n", (long long)worstP99, (long long)worstMax);
    std::fflush(stdout);
    std::_Exit(0);  // the pools' remaining teardown goes with the process
}
