#include "net/CurlSetup.h"

#include <curl/curl.h>

#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>

namespace {

struct SharedConfig {
    QMutex mutex;
    QStringList connectTo;
    QString caFile;
    bool loadedFromEnvironment = false;
};

SharedConfig& Config() {
    static SharedConfig config;
    QMutexLocker lock(&config.mutex);
    if (!config.loadedFromEnvironment) {
        config.loadedFromEnvironment = true;
        const QString mapping = qEnvironmentVariable("SKIMMER_CONNECT_TO");
        if (!mapping.isEmpty()) config.connectTo = mapping.split(u',', Qt::SkipEmptyParts);
        config.caFile = qEnvironmentVariable("SKIMMER_CA_FILE");
    }
    return config;
}

struct ThreadHandleHolder {
    CURL* handle = nullptr;
    ~ThreadHandleHolder() {
        if (handle) curl_easy_cleanup(handle);
    }
};

}  // namespace

CurlSetup::Lists::~Lists() {
    curl_slist_free_all(connectTo);
    curl_slist_free_all(headers);
}

void CurlSetup::GlobalInit() {
    static const bool done = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        return true;
    }();
    (void)done;
}

void CurlSetup::ApplyCommon(CURL* handle, Lists& lists) {
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    // Links come from the web: never let one (or a redirect) reach file://, ftp:// or anything else.
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 20L);
    SharedConfig& config = Config();
    QMutexLocker lock(&config.mutex);
    for (const QString& entry : config.connectTo) {
        lists.connectTo = curl_slist_append(lists.connectTo, entry.trimmed().toUtf8().constData());
    }
    if (lists.connectTo) curl_easy_setopt(handle, CURLOPT_CONNECT_TO, lists.connectTo);
    if (!config.caFile.isEmpty())
        curl_easy_setopt(handle, CURLOPT_CAINFO, config.caFile.toUtf8().constData());
}

void CurlSetup::SetConnectTo(const QStringList& entries) {
    SharedConfig& config = Config();
    QMutexLocker lock(&config.mutex);
    config.connectTo = entries;
}

void CurlSetup::SetCaFile(const QString& path) {
    SharedConfig& config = Config();
    QMutexLocker lock(&config.mutex);
    config.caFile = path;
}

namespace {
thread_local ThreadHandleHolder threadHandle;
}

void CurlSetup::ReleaseThreadHandle() {
    if (threadHandle.handle) curl_easy_cleanup(threadHandle.handle);
    threadHandle.handle = nullptr;
}

CURL* CurlSetup::ThreadHandle() {
    GlobalInit();
    ThreadHandleHolder& holder = threadHandle;
    if (!holder.handle) {
        holder.handle = curl_easy_init();
    } else {
        curl_easy_reset(holder.handle);
    }
    return holder.handle;
}

QString CurlSetup::NormalizeAddress(const QString& address) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    const QString trimmed = address.trimmed();
    const QString withScheme =
        scheme.match(trimmed).hasMatch() ? trimmed : QStringLiteral("http://") + trimmed;
    static const QByteArray kUnsafe(" \"<>\\^`{|}");
    static const char kHex[] = "0123456789ABCDEF";
    QString encoded;
    encoded.reserve(withScheme.size());
    for (const char byte : withScheme.toUtf8()) {
        const auto c = static_cast<unsigned char>(byte);
        if (c <= 0x20 || c >= 0x7F || kUnsafe.contains(char(c))) {
            encoded += u'%';
            encoded += QChar(kHex[c >> 4]);
            encoded += QChar(kHex[c & 15]);
        } else {
            encoded += QChar(c);
        }
    }
    return encoded;
}

bool CurlSetup::IsUsableAddress(const QString& address) {
    CURLU* url = curl_url();
    if (!url) return false;
    bool usable = false;
    if (curl_url_set(url, CURLUPART_URL, address.toUtf8().constData(), CURLU_NON_SUPPORT_SCHEME) ==
        CURLUE_OK) {
        char* scheme = nullptr;
        char* host = nullptr;
        if (curl_url_get(url, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
            curl_url_get(url, CURLUPART_HOST, &host, 0) == CURLUE_OK) {
            const QByteArray s = QByteArray(scheme).toLower();
            usable = (s == "http" || s == "https") && host && *host;
        }
        curl_free(scheme);
        curl_free(host);
    }
    curl_url_cleanup(url);
    return usable;
}
