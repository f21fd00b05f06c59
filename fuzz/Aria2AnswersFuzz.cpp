// The JSON-RPC answers of an aria2 daemon to the hand-off's batched status questions: a daemon, or
// whatever answers at its address, may send anything. Reading must finish; an answer the hand-off takes
// gives one entry per task asked about, each either a state with lengths and a percent in range or a
// reason, and every text from the daemon stays one short line.

#include <QJsonValue>

#include "FuzzSupport.h"
#include "download/Aria2Agent.h"

namespace {

bool OneShortLine(const QString& text) {
    return !text.contains(u'\n') && !text.contains(u'\r') && text.size() <= 2 * Aria2Agent::kMaxText;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QStringList kGids{"2089b05ecca3d829", "d2703803b52216d1", "0000000000000001"};
    QJsonValue result;
    QString error;
    const Aria2Agent::Reply reply = Aria2Agent::ReadReply(fuzz::Bytes(data, size), &result, &error);
    fuzz::Require(OneShortLine(error), "a reason is one short line");
    if (reply != Aria2Agent::Reply::Answered) return 0;
    QList<Aria2Agent::TaskAnswer> answers;
    if (!Aria2Agent::ReadStatuses(result, kGids, &answers, &error)) {
        fuzz::Require(answers.isEmpty(), "a refused batch gives no answers");
        fuzz::Require(!error.isEmpty() && OneShortLine(error), "a refused batch says why on one line");
        return 0;
    }
    fuzz::Require(answers.size() == kGids.size(), "one answer per task");
    for (const Aria2Agent::TaskAnswer& answer : answers) {
        if (!answer.ok) {
            fuzz::Require(!answer.problem.isEmpty() && OneShortLine(answer.problem), "a refusal says why");
            continue;
        }
        const Aria2Agent::TaskStatus& status = answer.status;
        fuzz::Require(status.totalLength >= 0 && status.completedLength >= 0, "lengths are not negative");
        fuzz::Require(status.Percent() >= 0 && status.Percent() <= 100, "a percent is a percent");
        fuzz::Require(OneShortLine(status.errorCode) && OneShortLine(status.errorMessage),
                      "aria2's texts are one short line");
    }
    return 0;
}
