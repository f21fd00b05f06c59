// The answer to a request for the rest of a partly downloaded file, as any server may send it. Lines:
// status, Content-Range, ETag, Last-Modified, the validator that was sent, the bytes kept. Whatever comes,
// the decision never appends anything but the rest of the same version from where the file ends, and
// never calls a file complete that is not exactly the size the server names.

#include "FuzzSupport.h"
#include "net/ResumeDecision.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes = fuzz::Bytes(data, size);
    ResumeDecision::Answer answer;
    answer.status = fuzz::TakeLine(bytes).trimmed().toLong();
    answer.contentRange = fuzz::TakeLine(bytes);
    answer.etag = fuzz::TakeLine(bytes);
    answer.lastModified = fuzz::TakeLine(bytes);
    const QByteArray sent = fuzz::TakeLine(bytes);
    const qint64 kept = fuzz::TakeLine(bytes).trimmed().toLongLong();

    const auto verdict = ResumeDecision::Judge(answer, sent, kept);
    const bool same = ResumeDecision::SameVersion(sent, answer.etag, answer.lastModified);
    const auto range = ResumeDecision::ParseContentRange(answer.contentRange);
    if (range && range->first >= 0) {
        fuzz::Require(range->last >= range->first, "a range never ends before it starts");
        fuzz::Require(range->total < 0 || range->last < range->total, "a range lies inside its file");
    }
    using Action = ResumeDecision::Action;
    fuzz::Require((verdict.action == Action::Replace) == (answer.status == 200), "only a 200 replaces");
    switch (verdict.action) {
        case Action::Append:
            fuzz::Require(answer.status == 206 && same && kept > 0, "only a 206 of the same version appends");
            fuzz::Require(range && range->first == kept, "the rest starts where the file ends");
            fuzz::Require(verdict.end > kept && verdict.end <= verdict.total,
                          "the rest lies inside the file");
            break;
        case Action::Complete:
            fuzz::Require(answer.status == 416 && same && verdict.total == kept,
                          "only a 416 of the same version and size completes");
            break;
        case Action::StartOver:
            fuzz::Require(kept > 0 && (answer.status == 206 || answer.status == 416),
                          "only an answer to a range starts over");
            break;
        case Action::Refuse:
            fuzz::Require(kept <= 0 || (answer.status != 206 && answer.status != 416),
                          "a range answer is judged");
            break;
        case Action::Replace:
            break;
    }
    return 0;
}
