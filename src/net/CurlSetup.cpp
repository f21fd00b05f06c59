#include "net/CurlSetup.h"

#include <curl/curl.h>

#include <QMutex>
#include <QMutexLocker>

#include "lists/UrlCredentials.h"

namespace {

struct SharedConfig {
    QMutex mutex;
    QStringList connectTo;
    QString caFile;
    NetworkSettings network;
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

void CurlSetup::SetNetwork(const NetworkSettings& network) {
    SharedConfig& config = Config();
    QMutexLocker lock(&config.mutex);
    config.network = network;
}

NetworkSettings CurlSetup::Network() {
    SharedConfig& config = Config();
    QMutexLocker lock(&config.mutex);
    return config.network;
}

bool CurlSetup::ApplyProxy(CURL* handle, NetRole role, const QString& poolProxy, QString* bareProxy,
                           QString* error) {
    SharedConfig& config = Config();
    QMutexLocker lock(&config.mutex);
    const NetworkSettings& network = config.network;
    if (config.caFile.isEmpty() && !network.caBundle.isEmpty()) {
        const QByteArray bundle = network.caBundle.toUtf8();
        curl_easy_setopt(handle, CURLOPT_CAINFO, bundle.constData());
        curl_easy_setopt(handle, CURLOPT_PROXY_CAINFO, bundle.constData());
    }
    if (!network.noProxy.isEmpty())
        curl_easy_setopt(handle, CURLOPT_NOPROXY, network.noProxy.toUtf8().constData());
    const QString text = poolProxy.isEmpty() ? network.ProxyFor(role) : poolProxy;
    if (text.isEmpty()) {
        // An empty proxy turns off the environment's proxies too.
        if (!network.useEnvironmentProxy) curl_easy_setopt(handle, CURLOPT_PROXY, "");
        return true;
    }
    QString why;
    const std::optional<ProxyAddress> proxy = ProxyAddress::Parse(text, &why);
    if (!proxy) {
        *error =
            QStringLiteral("the proxy %1 cannot be used: %2").arg(UrlCredentials::MaskPasswords(text), why);
        return false;
    }
    *bareProxy = QString::fromUtf8(proxy->Bare());
    curl_easy_setopt(handle, CURLOPT_PROXY, proxy->Bare().constData());
    if (!proxy->user.isEmpty() || !proxy->password.isEmpty()) {
        curl_easy_setopt(handle, CURLOPT_PROXYUSERNAME, proxy->user.toUtf8().constData());
        curl_easy_setopt(handle, CURLOPT_PROXYPASSWORD, proxy->password.toUtf8().constData());
    }
    return true;
}

QString CurlSetup::ProxyFailure(CURL* handle, int code, long status, const QString& bareProxy) {
    long connectCode = 0;
    curl_easy_getinfo(handle, CURLINFO_HTTP_CONNECTCODE, &connectCode);
    if (status == 407 || connectCode == 407)
        return QStringLiteral("the proxy %1 asks for a user name and password it accepts (407)")
            .arg(bareProxy);
    switch (CURLcode(code)) {
        case CURLE_COULDNT_RESOLVE_PROXY:
            return QStringLiteral("the proxy name of %1 cannot be resolved").arg(bareProxy);
        case CURLE_COULDNT_CONNECT:
            return QStringLiteral("the proxy %1 refused the connection").arg(bareProxy);
        case CURLE_PROXY: {
            long detail = 0;
            curl_easy_getinfo(handle, CURLINFO_PROXY_ERROR, &detail);
            return QStringLiteral("the proxy %1 failed the handshake (%2 failure %3)")
                .arg(bareProxy,
                     bareProxy.startsWith(u"socks") ? QStringLiteral("SOCKS") : QStringLiteral("proxy"))
                .arg(detail);
        }
        case CURLE_OPERATION_TIMEDOUT: {
            // A proxy that swallows the handshake runs into the connect timeout: the request never started,
            // so "no data for 120 s" would blame the site.
            curl_off_t started = 0;
            curl_easy_getinfo(handle, CURLINFO_PRETRANSFER_TIME_T, &started);
            if (started != 0) return QString();
            return QStringLiteral("the proxy %1 did not complete the %2 handshake (no usable answer in time)")
                .arg(bareProxy,
                     bareProxy.startsWith(u"socks") ? QStringLiteral("SOCKS") : QStringLiteral("proxy"));
        }
        case CURLE_RECV_ERROR:
        case CURLE_GOT_NOTHING:
        case CURLE_WEIRD_SERVER_REPLY:
            if (connectCode != 0 && connectCode != 200)
                return QStringLiteral("the proxy %1 refused the tunnel (HTTP %2)")
                    .arg(bareProxy)
                    .arg(connectCode);
            return QStringLiteral("the proxy %1 closed the connection or gave no usable answer")
                .arg(bareProxy);
        default:
            return QString();
    }
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
    const QString trimmed = address.trimmed();
    // Whether it starts with a scheme and "://" ([A-Za-z][A-Za-z0-9+.-]*://), read by hand: every page
    // fetch passes here.
    const auto letter = [](QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
    qsizetype end = 0;
    if (end < trimmed.size() && letter(trimmed[end])) {
        ++end;
        while (end < trimmed.size() && (letter(trimmed[end]) || (trimmed[end] >= u'0' && trimmed[end] <= u'9') ||
                                        trimmed[end] == u'+' || trimmed[end] == u'.' || trimmed[end] == u'-'))
            ++end;
    }
    const bool hasScheme = end > 0 && QStringView(trimmed).mid(end).startsWith(u"://");
    const QString withScheme = hasScheme ? trimmed : QStringLiteral("http://") + trimmed;
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
