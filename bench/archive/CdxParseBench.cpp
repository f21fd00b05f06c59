// CDX answer reading: 1,000,000 lines of the Wayback's plain-text answer (seven fields, PDF rows of one
// site), read in process as a search thread reads a page; target 1 s or less. Prints lines/s.

#include <QElapsedTimer>
#include <cstdio>

#include "engines/CdxAnswer.h"

int main() {
    constexpr int kLines = 1'000'000;
    QByteArray body;
    body.reserve(kLines * 110);
    for (int i = 0; i < kLines; ++i) {
        body += "org,example)/reports/" + QByteArray::number(i) + ".pdf 2019030400" + QByteArray::number(1000 + i % 9000) +
                " https://www.example.org/reports/" + QByteArray::number(i) +
                ".pdf application/pdf 200 ABCDEFGHIJKLMNOPQRSTUVWXYZ" + QByteArray::number(100000 + i) + " 12345\n";
    }
    QElapsedTimer timer;
    timer.start();
    const CdxPage page = CdxAnswer::ReadWayback(body);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    std::printf("cdx lines: %lld captures, %d skipped, %.3f s, %.0f lines/s\n", qint64(page.captures.size()),
                page.skippedLines, seconds, kLines / seconds);
    return page.captures.size() == kLines ? 0 : 1;
}
