#pragma once
// Judges the answer to a request for the rest of a partly downloaded file ("Range: bytes=KEPT-" with
// "If-Range: VALIDATOR"), so that two versions of a file are never spliced into one. Servers that ignore
// If-Range answer a changed file with a 206 all the same, and some answer with a range other than the one
// asked: a 206 is taken only when it names the very version asked about (strong ETag, else the same
// Last-Modified) and starts exactly where the kept bytes end; a 416 completes the file only when the
// server's size is the kept size and its version is the same. When the size the first answer announced is
// known, a 416 or 206 must name that very size too: a server that keeps its ETag while the file grows or
// shrinks would otherwise have its new length taken for the old one's. Anything else starts over with a
// plain GET.
// Pure and stateless: any thread.

#include <QByteArray>
#include <optional>

class ResumeDecision {
  public:
    enum class Action {
        Append,     // the body continues the kept bytes; when it ends before `total`, ask for the rest
        Replace,    // a 200: the whole file anew, the kept bytes go
        StartOver,  // this answer cannot be used: drop the kept bytes and ask again without a range
        Complete,   // nothing was missing: the kept bytes are the whole file
        Refuse,     // another status: not the file
    };
    struct Answer {
        long status = 0;
        QByteArray contentRange;  // each header as sent; empty when absent
        QByteArray etag;
        QByteArray lastModified;
    };
    struct Verdict {
        Action action = Action::Refuse;
        qint64 end = -1;    // Append: the file's size once the body named by the range is appended
        qint64 total = -1;  // Append and Complete: the size of the whole file
    };
    // `sentValidator` is the If-Range value of the request; `keptBytes` what the file holds (the start
    // of the asked range); `knownTotal` the whole file's size as first announced, -1 when not known. With
    // nothing kept there is nothing to continue: only a 200 is the file.
    static Verdict Judge(const Answer& answer, const QByteArray& sentValidator, qint64 keptBytes,
                         qint64 knownTotal = -1);

    // "bytes FIRST-LAST/TOTAL" (total -1 for "*") or "bytes */TOTAL" (first and last -1).
    struct Range {
        qint64 first = -1;
        qint64 last = -1;
        qint64 total = -1;
    };
    static std::optional<Range> ParseContentRange(const QByteArray& value);
    // Whether an answer with these headers is the version `sent` named: equal strong ETags, or an equal
    // Last-Modified date. A weak tag never validates a range.
    static bool SameVersion(const QByteArray& sent, const QByteArray& etag, const QByteArray& lastModified);
};
