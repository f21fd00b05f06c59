// Lists the anchors of every page given on the command line, REPEAT times, as the deep search does
// (decode, strip scripts, parse, list, resolve), and prints anchors per second and MB per second.
//
//   anchor_bench REPEAT FILE...

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>

#include "lists/TextCodec.h"
#include "search/HtmlAnchorLister.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: anchor_bench REPEAT FILE...\n");
        return 2;
    }
    const int repeat = std::atoi(argv[1]);
    QList<QByteArray> pages;
    qint64 bytes = 0;
    for (int i = 2; i < argc; ++i) {
        QFile file(QString::fromLocal8Bit(argv[i]));
        if (file.open(QIODevice::ReadOnly)) pages.append(file.readAll()), bytes += pages.last().size();
    }
    qint64 anchors = 0;
    QElapsedTimer clock;
    clock.start();
    for (int r = 0; r < repeat; ++r) {
        for (const QByteArray& bytesOfPage : pages) {
            HtmlAnchorLister page;
            page.SetBaseUrl(QStringLiteral("http://saved.example/dir/page.html"));
            page.SetHtml(TextCodec::Decode(bytesOfPage), true);
            QList<AnchorRecord> found;
            page.ListAnchors(found);
            anchors += found.size();
        }
    }
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    std::printf("skimmer (libxml2): %lld anchors in %.3f s: %.0f anchors/s, %.1f MB/s\n", (long long)anchors,
                seconds, double(anchors) / seconds, double(bytes) * repeat / seconds / 1e6);
    return 0;
}
