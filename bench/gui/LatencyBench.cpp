// How responsive the window stays under load: a Session with ROWS rows shown in the window, 50 search
// threads crawling an endless local site and 100 download workers fetching from a local server, all at
// once, for SECONDS. A 10 ms timer on the window's thread records how late each tick fires; the figures
// are the event loop's latency percentiles. The local servers run in this process (cpp-httplib), so
// they compete for the same cores: a harder test than an outside server.
//
//   latency_bench [ROWS=1000000] [SECONDS=20]

#include <httplib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

#include "app/Session.h"
#include "gui/MainWindow.h"
#include "lists/MessageSink.h"

namespace {

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
    server.Get("/files/.*", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string(64 * 1024, 'f'), "application/pdf");
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
        list.AddEntry(QStringLiteral("document %1").arg(i), "pdf", EntryStatus::SizeUnknown, link,
                      EntryStatus::Waiting);
    }
    QuietMessages messages;
    MainWindow window(session, &messages);
    window.show();

    options.SetCommittedText(SettingKey::SavePath, home.path() + "/save");
    options.SetCommittedInt(SettingKey::DownThreadCount, 100);
    options.SetCommittedInt(SettingKey::SearchMaxThread, 50);
    options.SetCommittedInt(SettingKey::EngineOtherSearch, 1);
    options.SetCommittedText(SettingKey::EEngineOther, base + "/gen/0");
    options.SetCommittedInt(SettingKey::BaiduSearch, 0);
    options.SetCommittedInt(SettingKey::AddRandName, 0);
    session.Search().StartSearch();
    session.Downloads().StartDownload();

    std::vector<double> lateness;
    QElapsedTimer clock;
    clock.start();
    qint64 expected = clock.elapsed() + 10;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        lateness.push_back(double(std::max<qint64>(0, now - expected)));
        expected = now + 10;
        if (now > seconds * 1000) QCoreApplication::exit(0);
    });
    tick.start(10);
    app.exec();

    session.Search().StopSearch();
    session.Downloads().StopDownload();
    std::sort(lateness.begin(), lateness.end());
    auto at = [&](double q) { return lateness[size_t(q * double(lateness.size() - 1))]; };
    std::printf(
        "event loop over %d s with %d rows, 50 search threads, 100 workers: p50 %.1f ms, p99 %.1f ms, "
        "max %.1f ms; %lld rows downloaded, %lld addresses seen\n",
        seconds, rows, at(0.5), at(0.99), lateness.back(), (long long)list.CountDownloaded(),
        (long long)session.Search().Queue().SeenCount());
    std::fflush(stdout);
    std::_Exit(0);  // the pools are torn down with the process
}
