#include "download/Aria2Agent.h"

#include <curl/curl.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "net/CurlSetup.h"

namespace {

constexpr long kTimeoutMs = 10000;
constexpr qsizetype kMaxAnswer = 1024 * 1024;

size_t Collect(char* data, size_t size, size_t count, void* user) {
    auto* answer = static_cast<QByteArray*>(user);
    if (answer->size() + qsizetype(size * count) > kMaxAnswer) return 0;
    answer->append(data, qsizetype(size * count));
    return size * count;
}

}  // namespace

QJsonValue Aria2Agent::Call(const QString& method, QJsonArray params, QString* error) {
    if (!secret_.isEmpty()) params.prepend(QStringLiteral("token:") + secret_);
    const QJsonObject request{
        {"jsonrpc", "2.0"}, {"id", QString::number(nextId_++)}, {"method", method}, {"params", params}};
    const QByteArray body = QJsonDocument(request).toJson(QJsonDocument::Compact);

    CURL* handle = CurlSetup::ThreadHandle();
    if (!handle) {
        *error = QStringLiteral("libcurl could not start");
        return QJsonValue::Undefined;
    }
    CurlSetup::Lists lists;
    CurlSetup::ApplyCommon(handle, lists);
    lists.headers = curl_slist_append(lists.headers, "Content-Type: application/json");
    QByteArray answer;
    const QByteArray url = endpoint_.toUtf8();
    curl_easy_setopt(handle, CURLOPT_URL, url.constData());
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, lists.headers);
    curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body.constData());
    curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE, long(body.size()));
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, kTimeoutMs);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &answer);
    const CURLcode code = curl_easy_perform(handle);
    if (code != CURLE_OK) {
        reachable_ = false;
        *error = QStringLiteral("%1: %2").arg(endpoint_, QString::fromUtf8(curl_easy_strerror(code)));
        return QJsonValue::Undefined;
    }
    QJsonParseError parseError;
    const QJsonDocument reply = QJsonDocument::fromJson(answer, &parseError);
    if (!reply.isObject()) {
        reachable_ = false;
        *error = QStringLiteral("%1: not a JSON-RPC answer").arg(endpoint_);
        return QJsonValue::Undefined;
    }
    const QJsonObject object = reply.object();
    if (object.contains(QStringLiteral("error"))) {
        *error = object.value(QStringLiteral("error")).toObject().value(QStringLiteral("message")).toString();
        return QJsonValue::Undefined;
    }
    return object.value(QStringLiteral("result"));
}

bool Aria2Agent::Create(QString* error) {
    return Call(QStringLiteral("aria2.getVersion"), {}, error).isObject();
}

QString Aria2Agent::AddTask(const QString& link, const QString& fileName, const QString& folder,
                            QString* error) {
    const QJsonObject options{{"dir", folder}, {"out", fileName}, {"pause", "true"}};
    const QJsonValue gid = Call(QStringLiteral("aria2.addUri"), {QJsonArray{link}, options}, error);
    if (!gid.isString() || gid.toString().isEmpty()) {
        if (error->isEmpty()) *error = QStringLiteral("aria2.addUri gave no task id");
        return {};
    }
    return gid.toString();
}

bool Aria2Agent::Unpause(const QString& gid, QString* error) {
    return !Call(QStringLiteral("aria2.unpause"), {gid}, error).isUndefined();
}

bool Aria2Agent::Remove(const QString& gid, QString* error) {
    return !Call(QStringLiteral("aria2.forceRemove"), {gid}, error).isUndefined();
}
