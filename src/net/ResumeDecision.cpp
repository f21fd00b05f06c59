#include "net/ResumeDecision.h"

namespace {

// A non-negative decimal number of at most 18 digits (no sign, no blanks); nullopt otherwise.
std::optional<qint64> ByteNumber(const QByteArray& text) {
    if (text.isEmpty() || text.size() > 18) return std::nullopt;
    qint64 value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

std::optional<ResumeDecision::Range> ResumeDecision::ParseContentRange(const QByteArray& value) {
    const QByteArray text = value.trimmed();
    if (!text.startsWith("bytes ")) return std::nullopt;
    const QByteArray rest = text.mid(6).trimmed();
    const qsizetype slash = rest.indexOf('/');
    if (slash < 0) return std::nullopt;
    const QByteArray span = rest.left(slash);
    const QByteArray size = rest.mid(slash + 1);
    Range range;
    if (size != "*") {
        const auto total = ByteNumber(size);
        if (!total) return std::nullopt;
        range.total = *total;
    }
    if (span == "*") return range.total >= 0 ? std::optional(range) : std::nullopt;
    const qsizetype dash = span.indexOf('-');
    if (dash <= 0) return std::nullopt;
    const auto first = ByteNumber(span.left(dash));
    const auto last = ByteNumber(span.mid(dash + 1));
    if (!first || !last || *last < *first || (range.total >= 0 && *last >= range.total)) return std::nullopt;
    range.first = *first;
    range.last = *last;
    return range;
}

bool ResumeDecision::SameVersion(const QByteArray& sent, const QByteArray& etag,
                                 const QByteArray& lastModified) {
    const QByteArray validator = sent.trimmed();
    if (validator.isEmpty() || validator.startsWith("W/")) return false;
    const QByteArray tag = etag.trimmed();
    if (!tag.startsWith("W/") && tag == validator) return true;
    return lastModified.trimmed() == validator;
}

ResumeDecision::Verdict ResumeDecision::Judge(const Answer& answer, const QByteArray& sentValidator,
                                              qint64 keptBytes, qint64 knownTotal) {
    Verdict verdict;
    if (answer.status == 200) {
        verdict.action = Action::Replace;
        return verdict;
    }
    if (keptBytes <= 0 || (answer.status != 206 && answer.status != 416)) return verdict;
    verdict.action = Action::StartOver;
    const auto range = ParseContentRange(answer.contentRange);
    if (!range || !SameVersion(sentValidator, answer.etag, answer.lastModified)) return verdict;
    if (knownTotal >= 0 && range->total != knownTotal) return verdict;
    if (answer.status == 416) {
        // Nothing left to send is only believable for a file of exactly our size.
        if (range->first < 0 && range->total == keptBytes) {
            verdict.action = Action::Complete;
            verdict.total = keptBytes;
        }
        return verdict;
    }
    // The rest from exactly where the file ends, of a file whose size is known; a shorter part is
    // appended and the rest asked for again.
    if (range->first != keptBytes || range->total < 0) return verdict;
    verdict.action = Action::Append;
    verdict.end = range->last + 1;
    verdict.total = range->total;
    return verdict;
}
