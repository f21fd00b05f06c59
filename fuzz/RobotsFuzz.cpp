// robots.txt as any site may serve it, and the Retry-After header of a server that wants a pause. The
// first line is a path to ask about (and the header value), the rest the file. Reading must finish;
// the rules themselves are always allowed; line ends do not change a verdict; and a pause stays
// within its bounds.

#include <QDateTime>

#include "FuzzSupport.h"
#include "net/RetryAfter.h"
#include "search/RobotsRules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes = fuzz::Bytes(data, size);
    const QByteArray first = fuzz::TakeLine(bytes);
    const QString path = QString::fromUtf8(first);
    const QString text = QString::fromUtf8(bytes);

    const RobotsRules rules = RobotsRules::Parse(text);
    const bool allowed = rules.Allows(path);
    fuzz::Require(rules.Allows(u"/robots.txt"), "the rules themselves may always be read");
    if (text.size() < RobotsRules::kMaxChars / 2) {
        QString crlf = text;
        crlf.replace(u'\n', QStringLiteral("\r\n"));
        fuzz::Require(RobotsRules::Parse(crlf).Allows(path) == allowed, "CRLF reads as LF");
    }

    const int seconds = RetryAfter::Seconds(first, QDateTime::currentDateTimeUtc());
    fuzz::Require(seconds >= RetryAfter::kMinSeconds && seconds <= RetryAfter::kMaxSeconds,
                  "a pause stays within its bounds");
    return 0;
}
