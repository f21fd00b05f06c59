// Downloads every URL of a list into a folder with N FileDownloads running at once (a new one starts as
// soon as one ends), as the download workers do, and prints the wall time and how many files completed.
//
//   parallel_transfer_bench LIST OUTDIR [N=100]

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <cstdio>
#include <memory>
#include <vector>

#include "net/FileDownload.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: parallel_transfer_bench LIST OUTDIR [N]\n");
        return 2;
    }
    QFile list(QString::fromLocal8Bit(argv[1]));
    if (!list.open(QIODevice::ReadOnly)) return 1;
    QStringList urls;
    for (const QByteArray& line : list.readAll().split('\n')) {
        if (!line.trimmed().isEmpty()) urls.append(QString::fromUtf8(line.trimmed()));
    }
    const QDir out(QString::fromLocal8Bit(argv[2]));
    const int slots = argc > 3 ? std::atoi(argv[3]) : 100;

    QElapsedTimer clock;
    clock.start();
    std::vector<std::unique_ptr<FileDownload>> running(static_cast<size_t>(slots));
    qsizetype next = 0;
    int completed = 0, failed = 0, active = 0;
    do {
        active = 0;
        for (auto& slot : running) {
            if (slot && slot->Finished()) {
                slot->Succeeded() ? ++completed : ++failed;
                slot.reset();
            }
            if (!slot && next < urls.size()) {
                const QString url = urls[next++];
                slot = std::make_unique<FileDownload>();
                if (!slot->Start(url, out.filePath(QString::number(next) + QStringLiteral(".bin")), {}, {},
                                 true)) {
                    ++failed;
                    slot.reset();
                }
            }
            if (slot) ++active;
        }
        // The download workers poll their transfer about every 30 ms; a bench loop that polls faster
        // would flatter us.
        if (active > 0) QThread::msleep(30);
    } while (active > 0);
    std::printf("files=%d failed=%d seconds=%.3f\n", completed, failed, double(clock.nsecsElapsed()) / 1e9);
    return failed == 0 ? 0 : 1;
}
