// The result list, its files and the registry at the sizes users reach. Prints one line per phase with
// its wall time and the process's peak memory so far.
//
//   list_bench [ROWS=1000000] [DIR=/tmp/skimmer-bench-lists]

#include <malloc.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "download/DocRegistry.h"
#include "lists/IniFile.h"
#include "lists/ListFiles.h"
#include "lists/Options.h"
#include "lists/ResultList.h"

namespace {

long PeakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

void Report(const char* phase, const QElapsedTimer& clock) {
    std::printf("%-44s %8.2f s   peak %6ld MiB\n", phase, double(clock.nsecsElapsed()) / 1e9, PeakMiB());
    std::fflush(stdout);
}

// CPU seconds of the whole process (all threads), user and system together.
double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

QString Link(int i) {
    return QStringLiteral("http://docs%1.example.org/reports/2024/annual-report-%2.pdf").arg(i % 997).arg(i);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const QString dir =
        argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("/tmp/skimmer-bench-lists");
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);

    Options options;
    options.Load(IniFile());  // SuffixSameTitles on, the default
    auto list = std::make_unique<ResultList>(options, nullptr);
    QElapsedTimer clock;

    clock.start();
    for (int i = 0; i < rows; ++i) {
        // One title in ten repeats an earlier one, so the random-suffix rule has work to do.
        const QString title = i % 10 == 0 ? QStringLiteral("Annual report %1").arg(i / 100)
                                          : QStringLiteral("Annual report of the year, part %1").arg(i);
        const QString link = Link(i);
        if (list->AddLinkIfNew(link) == 1) list->AddEntry(title, "pdf", "123.456", link, RowStatus::Waiting);
    }
    Report(QStringLiteral("AddEntry x %1 (SuffixSameTitles on)").arg(rows).toUtf8().constData(), clock);

    {
        ListFiles files(*list, options, nullptr);
        clock.restart();
        files.ExportListText(dir + "/big.list", StatusFilter());
        Report(".list export", clock);
        clock.restart();
        files.ExportListXml(dir + "/big.xml", StatusFilter());
        Report("XML export (with its .list twin)", clock);
    }
    list.reset();
    malloc_trim(0);

    // Imports as the program does them: the random suffix stays on.
    for (const char* name : {"/big.list", "/big.xml"}) {
        list = std::make_unique<ResultList>(options, nullptr);
        ListFiles files(*list, options, nullptr);
        const QString path = dir + QLatin1StringView(name);
        clock.restart();
        files.ImportList(path, StatusFilter());
        Report(QStringLiteral("%1 import (%2 rows)")
                   .arg(QLatin1StringView(name + 5))
                   .arg(list->Size())
                   .toUtf8()
                   .constData(),
               clock);
        list.reset();
        malloc_trim(0);
    }

    // Registry: a million links written in one transaction, then timed look-ups and inserts.
    const QString dbPath = dir + "/docdata.db";
    {
        sqlite3* db = nullptr;
        sqlite3_open(dbPath.toUtf8().constData(), &db);
        sqlite3_exec(db, "create table docdata(doclink char(1204)); begin;", nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, "insert into docdata values(?1)", -1, &insert, nullptr);
        for (int i = 0; i < 1000000; ++i) {
            const QByteArray link = Link(i).toUtf8();
            sqlite3_bind_text(insert, 1, link.constData(), int(link.size()), SQLITE_TRANSIENT);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(db, "commit;", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    DocRegistry registry(nullptr);
    clock.restart();
    registry.OpenDocDatabase(dbPath);
    Report("registry open (adds the index to 1,000,000 links)", clock);
    // Look-ups of new links are answered from memory once the filter is filled in the background: the
    // figures below are those of a registry past its first second.
    clock.restart();
    while (!registry.IsFilterReady()) QThread::msleep(5);
    Report("registry filter filled in the background", clock);

    std::vector<qint64> nanos;
    for (int i = 0; i < 20000; ++i) {
        const QString link =
            i % 2 ? Link((i * 7919) % 1000000) : Link(2000000 + i);  // half hits, half misses
        QElapsedTimer one;
        one.start();
        registry.CheckDocLink(link);
        nanos.push_back(one.nsecsElapsed());
    }
    std::sort(nanos.begin(), nanos.end());
    std::printf("%-44s %8.1f us (p99 %.1f us)\n", "CheckDocLink median of 20,000",
                double(nanos[nanos.size() / 2]) / 1e3, double(nanos[nanos.size() * 99 / 100]) / 1e3);

    const int inserts = argc > 3 ? std::atoi(argv[3]) : 100000;
    clock.restart();
    const double cpuBefore = CpuSeconds();
    for (int i = 0; i < inserts; ++i) registry.InsertDocLink(Link(3000000 + i));
    registry.CommitPending();  // the last batch on disk too
    Report(QStringLiteral("InsertDocLink x %1 new links").arg(inserts).toUtf8().constData(), clock);
    // Each new link dirties a page of the look-up index somewhere: on a loaded machine the wall time
    // is mostly the writing of those pages, which the CPU time leaves out.
    std::printf("%-44s %8.2f s\n", "InsertDocLink CPU time", CpuSeconds() - cpuBefore);
    registry.Close();
    QDir(dir).removeRecursively();  // about 600 MB of scratch files
    return 0;
}
