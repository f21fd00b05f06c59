// Walks result pages of 1 MB and 2 MB block by block with the key matcher, the way the parsers do, and
// prints the time for each size and their ratio: a walk that copies the rest of the page for every
// block grows with the square of the page (ratio near 4), ours linearly (ratio near 2).
//
//   key_matcher_bench [REPEAT=5]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "search/KeyMatcher.h"

namespace {

QString MakePage(qsizetype bytes) {
    QString page = QStringLiteral("<html><body><div id=\"results\">");
    for (int i = 0; page.size() < bytes; ++i) {
        page += QStringLiteral(
                    "<div class=\"result\"><h3><a href=\"http://docs%1.example.org/files/report-%2.pdf\">"
                    "Annual report %2 of the example company</a></h3><span>snippet text for hit "
                    "%2</span></div>\n")
                    .arg(i % 97)
                    .arg(i);
    }
    return page + QStringLiteral("</div></body></html>");
}

// Returns the number of blocks found.
int WalkByOffset(const QString& page) {
    KeyMatcher block;
    block.SetAttr("orcontent", page);
    block.SetAttr("leftkey", "<div class=\"result\">");
    block.SetAttr("rightkey", "</div>");
    KeyMatcher link;
    link.SetAttr("leftkey", "<a href=\"");
    link.SetAttr("rightkey", "\"");
    int blocks = 0;
    while (block.Run()) {
        link.SetAttr("orcontent", block.GetContent());
        if (link.Run()) ++blocks;
        block.SetAttr("startoffset", double(block.ContentLeftOffset()));
    }
    return blocks;
}

// For comparison: the rest of the page becomes the next input (a copy per block).
int WalkByCopy(const QString& page) {
    KeyMatcher block;
    block.SetAttr("orcontent", page);
    block.SetAttr("leftkey", "<div class=\"result\">");
    block.SetAttr("rightkey", "</div>");
    int blocks = 0;
    while (block.Run()) {
        ++blocks;
        block.SetAttr("orcontent", block.Text("contentleft"));
    }
    return blocks;
}

double Seconds(int (*walk)(const QString&), const QString& page, int repeat, int* blocks) {
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < repeat; ++i) *blocks = walk(page);
    return double(clock.nsecsElapsed()) / 1e9 / repeat;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int repeat = argc > 1 ? std::atoi(argv[1]) : 5;
    const QString small = MakePage(1 << 20);
    const QString large = MakePage(2 << 20);
    int blocksSmall = 0, blocksLarge = 0;
    const double offsetSmall = Seconds(WalkByOffset, small, repeat, &blocksSmall);
    const double offsetLarge = Seconds(WalkByOffset, large, repeat, &blocksLarge);
    std::printf(
        "walk by offset: 1 MB %d blocks %.2f ms, 2 MB %d blocks %.2f ms, ratio %.2f (linear: about 2)\n",
        blocksSmall, offsetSmall * 1e3, blocksLarge, offsetLarge * 1e3, offsetLarge / offsetSmall);
    const double copySmall = Seconds(WalkByCopy, small, 1, &blocksSmall);
    const double copyLarge = Seconds(WalkByCopy, large, 1, &blocksLarge);
    std::printf("walk by copy:   1 MB %.2f ms, 2 MB %.2f ms, ratio %.2f (quadratic: about 4)\n",
                copySmall * 1e3, copyLarge * 1e3, copyLarge / copySmall);
    return 0;
}
