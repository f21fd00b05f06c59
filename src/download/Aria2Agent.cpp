#include "download/Aria2Agent.h"

#include <curl/curl.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

#include "lists/UrlCredentials.h"
#include "net/CurlSetup.h"
#include "net/HttpRequest.h"

namespace {

constexpr long kTimeoutMs = 10000;
constexpr qsizetype kMaxAnswer = 1024 * 1024;

// A daemon that echoes its parameters would put the token into the messages and the run log; it is
// taken out before the text is cut, so no part of it survives the cut either.
QString Clean(QString text, const QStringList& secrets) {
    for (const QString& secret : secrets) {
        if (!secret.isEmpty()) text.replace(secret, QStringLiteral("***"));
    }
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = u' ';
    }
    if (text.size() > Aria2Agent::kMaxText)
        text = text.left(Aria2Agent::kMaxText - 3) + QStringLiteral("...");
    return text;
}

// aria2 sends lengths as decimal texts; a plain JSON number is taken too when it is a whole one.
bool ReadLength(const QJsonValue& value, qint64* length) {
    if (value.isString()) {
        const QString text = value.toString();
        if (text.isEmpty() || text.size() > 18) return false;
        for (const QChar c : text) {
            if (c < u'0' || c > u'9') return false;
        }
        *length = text.toLongLong();
        return true;
    }
    if (value.isDouble()) {
        const double number = value.toDouble();
        if (!std::isfinite(number) || number < 0 || number > 9007199254740992.0 ||
            std::floor(number) != number)
            return false;
        *length = qint64(number);
        return true;
    }
    return false;
}

QString Shown(const QStringList& secret, const QJsonValue& value) {
    if (value.isString()) return QStringLiteral("\"%1\"").arg(Clean(value.toString(), secret));
    if (value.isUndefined()) return QStringLiteral("nothing");
    QJsonArray wrapper{value};
    const QByteArray json = QJsonDocument(wrapper).toJson(QJsonDocument::Compact);
    return Clean(QString::fromUtf8(json.mid(1, json.size() - 2)), secret);
}

}  // namespace

Aria2Agent::Aria2Agent(QString endpoint, QString secret)
    : endpoint_(std::move(endpoint)),
      shown_(UrlCredentials::MaskPasswords(endpoint_)),
      secret_(std::move(secret)) {}

int Aria2Agent::TaskStatus::Percent() const {
    if (totalLength <= 0) return 0;
    const double percent = std::floor(double(completedLength) * 100.0 / double(totalLength));
    return int(qBound(0.0, percent, 100.0));
}

QJsonArray Aria2Agent::WithToken(QJsonArray params) const {
    if (!secret_.isEmpty()) params.prepend(QStringLiteral("token:") + secret_);
    return params;
}

QJsonValue Aria2Agent::Call(const QString& method, QJsonArray params, QString* error) {
    const QJsonObject request{
        {"jsonrpc", "2.0"}, {"id", QString::number(nextId_++)}, {"method", method}, {"params", params}};
    const QByteArray body = QJsonDocument(request).toJson(QJsonDocument::Compact);
    reachable_ = false;

    CURL* handle = CurlSetup::ThreadHandle();
    if (!handle) {
        *error = QStringLiteral("libcurl could not start");
        return QJsonValue::Undefined;
    }
    HttpRequest post;
    post.url = endpoint_.toUtf8();
    post.method = HttpRequest::Method::Post;
    post.postBody = body;
    post.headers = {"Content-Type: application/json"};
    post.totalTimeoutMs = kTimeoutMs;
    post.bodyLimit = kMaxAnswer;
    post.cancelled = cancelled_;
    HttpResult sent = HttpTransport::Perform(handle, post);
    const CURLcode code = CURLcode(sent.code);
    if (code != CURLE_OK) {
        *error = code == CURLE_WRITE_ERROR
                     ? QStringLiteral("%1: an answer larger than %2 bytes").arg(shown_).arg(kMaxAnswer)
                     : QStringLiteral("%1: %2").arg(shown_, QString::fromUtf8(curl_easy_strerror(code)));
        return QJsonValue::Undefined;
    }
    const long httpCode = sent.status;
    const QByteArray answer = std::move(sent.body);
    QJsonValue result;
    QString problem;
    switch (ReadReply(answer, &result, &problem, Secrets())) {
        case Reply::Answered:
            reachable_ = true;
            return result;
        case Reply::Refused:
            reachable_ = true;
            *error = problem.isEmpty() ? QStringLiteral("%1 refused %2 without a reason").arg(shown_, method)
                                       : problem;
            return QJsonValue::Undefined;
        case Reply::Garbled:
            break;
    }
    *error = QStringLiteral("%1: %2 (HTTP %3)").arg(shown_, problem).arg(httpCode);
    return QJsonValue::Undefined;
}

Aria2Agent::Reply Aria2Agent::ReadReply(const QByteArray& body, QJsonValue* result, QString* error,
                                        const QStringList& secret) {
    const QJsonDocument reply = QJsonDocument::fromJson(body);
    if (!reply.isObject()) {
        *error = QStringLiteral("not a JSON-RPC answer");
        return Reply::Garbled;
    }
    const QJsonObject object = reply.object();
    if (object.contains(QStringLiteral("error"))) {
        const QJsonValue message =
            object.value(QStringLiteral("error")).toObject().value(QStringLiteral("message"));
        *error = message.isString() ? Clean(message.toString(), secret) : QString();
        return Reply::Refused;
    }
    if (!object.contains(QStringLiteral("result"))) {
        *error = QStringLiteral("a JSON-RPC answer without a result");
        return Reply::Garbled;
    }
    *result = object.value(QStringLiteral("result"));
    return Reply::Answered;
}

QStringList Aria2Agent::Secrets() const {
    return {secret_, proxy_ ? proxy_->password : QString()};
}

bool Aria2Agent::DaemonHasProxy() {
    QString ignored;
    const QJsonObject global =
        Call(QStringLiteral("aria2.getGlobalOption"), WithToken({}), &ignored).toObject();
    for (const char* key : {"all-proxy", "http-proxy", "https-proxy"}) {
        if (!global.value(QLatin1StringView(key)).toString().isEmpty()) return true;
    }
    return false;
}

bool Aria2Agent::Create(QString* error) {
    const QJsonValue version = Call(QStringLiteral("aria2.getVersion"), WithToken({}), error);
    if (version.isObject()) {
        // A proxy the user gave aria2 itself is the one it keeps.
        if (proxy_) daemonHasProxy_ = DaemonHasProxy();
        return true;
    }
    if (error->isEmpty()) *error = QStringLiteral("%1: aria2.getVersion gave no version").arg(shown_);
    return false;
}

QString Aria2Agent::AddTask(const QString& link, const QString& fileName, const QString& folder, bool paused,
                            QString* error) {
    QJsonObject options{{"dir", folder}, {"out", fileName}};
    if (paused) options.insert(QStringLiteral("pause"), QStringLiteral("true"));
    // The credentials go beside the address, never inside it, so that aria2 shows none of them.
    if (proxy_ && !daemonHasProxy_) {
        options.insert(QStringLiteral("all-proxy"), QString::fromUtf8(proxy_->Bare()));
        if (!proxy_->user.isEmpty()) options.insert(QStringLiteral("all-proxy-user"), proxy_->user);
        if (!proxy_->password.isEmpty()) options.insert(QStringLiteral("all-proxy-passwd"), proxy_->password);
    }
    const QJsonValue gid =
        Call(QStringLiteral("aria2.addUri"), WithToken({QJsonArray{link}, options}), error);
    if (!gid.isString() || gid.toString().isEmpty() || gid.toString().size() > 64) {
        if (error->isEmpty()) *error = QStringLiteral("aria2.addUri gave no task id");
        return {};
    }
    return gid.toString();
}

bool Aria2Agent::Unpause(const QString& gid, QString* error) {
    return !Call(QStringLiteral("aria2.unpause"), WithToken({gid}), error).isUndefined();
}

bool Aria2Agent::Remove(const QString& gid, QString* error) {
    return !Call(QStringLiteral("aria2.forceRemove"), WithToken({gid}), error).isUndefined();
}

bool Aria2Agent::TellStatus(const QStringList& gids, QList<TaskAnswer>* answers, QString* error) {
    answers->clear();
    static const QJsonArray keys{"gid",       "status",      "totalLength", "completedLength",
                                 "errorCode", "errorMessage"};
    QJsonArray calls;
    for (const QString& gid : gids) {
        // The secret goes into each call: system.multicall itself takes none.
        calls.append(QJsonObject{{"methodName", "aria2.tellStatus"}, {"params", WithToken({gid, keys})}});
    }
    const QJsonValue result = Call(QStringLiteral("system.multicall"), {calls}, error);
    if (result.isUndefined()) return false;
    if (ReadStatuses(result, gids, answers, error, Secrets())) return true;
    reachable_ = false;
    *error = QStringLiteral("%1: %2").arg(shown_, *error);
    return false;
}

bool Aria2Agent::ReadStatuses(const QJsonValue& result, const QStringList& gids, QList<TaskAnswer>* answers,
                              QString* error, const QStringList& secret) {
    answers->clear();
    const QJsonArray entries = result.toArray();
    if (!result.isArray() || entries.size() != gids.size()) {
        *error = QStringLiteral("system.multicall answered %1 for %2 tasks")
                     .arg(result.isArray() ? QStringLiteral("%1 entries").arg(entries.size())
                                           : Shown(secret, result).left(60))
                     .arg(gids.size());
        return false;
    }
    for (qsizetype i = 0; i < gids.size(); ++i)
        answers->append(ReadTaskStatus(entries.at(i), gids.at(i), secret));
    return true;
}

Aria2Agent::TaskAnswer Aria2Agent::ReadTaskStatus(const QJsonValue& entry, const QString& gid,
                                                  const QStringList& secret) {
    TaskAnswer answer;
    if (entry.isObject()) {  // a fault of this one call
        const QJsonValue message = entry.toObject().value(QStringLiteral("message"));
        answer.problem = message.isString() && !message.toString().isEmpty()
                             ? Clean(message.toString(), secret)
                             : QStringLiteral("a fault without a message");
        return answer;
    }
    const QJsonArray wrapped = entry.toArray();
    if (!entry.isArray() || wrapped.size() != 1 || !wrapped.at(0).isObject()) {
        answer.problem = QStringLiteral("not a task status: %1").arg(Shown(secret, entry));
        return answer;
    }
    const QJsonObject fields = wrapped.at(0).toObject();
    const QJsonValue echoed = fields.value(QStringLiteral("gid"));
    if (!echoed.isUndefined() && echoed != QJsonValue(gid)) {
        answer.problem = QStringLiteral("the status of another task (%1)").arg(Shown(secret, echoed));
        return answer;
    }
    static const QList<std::pair<QString, TaskStatus::State>> states{
        {QStringLiteral("waiting"), TaskStatus::State::Waiting},
        {QStringLiteral("active"), TaskStatus::State::Active},
        {QStringLiteral("paused"), TaskStatus::State::Paused},
        {QStringLiteral("complete"), TaskStatus::State::Complete},
        {QStringLiteral("error"), TaskStatus::State::Error},
        {QStringLiteral("removed"), TaskStatus::State::Removed}};
    const QJsonValue status = fields.value(QStringLiteral("status"));
    bool known = false;
    for (const auto& [name, state] : states) {
        if (status == QJsonValue(name)) {
            answer.status.state = state;
            known = true;
        }
    }
    if (!known) {
        answer.problem = QStringLiteral("status %1 is none of aria2's").arg(Shown(secret, status));
        return answer;
    }
    for (const auto& [key, target] :
         {std::pair{QStringLiteral("totalLength"), &answer.status.totalLength},
          std::pair{QStringLiteral("completedLength"), &answer.status.completedLength}}) {
        if (!ReadLength(fields.value(key), target)) {
            answer.problem =
                QStringLiteral("%1 %2 is not a length").arg(key, Shown(secret, fields.value(key)));
            return answer;
        }
    }
    const QJsonValue code = fields.value(QStringLiteral("errorCode"));
    const QJsonValue message = fields.value(QStringLiteral("errorMessage"));
    answer.status.errorCode = code.isString() ? Clean(code.toString(), secret) : QString();
    answer.status.errorMessage = message.isString() ? Clean(message.toString(), secret) : QString();
    answer.ok = true;
    return answer;
}
