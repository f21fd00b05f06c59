#include "engines/ApiRequest.h"

#include "lists/EngineKeys.h"
#include "lists/TextCodec.h"

namespace {

QPair<QByteArray, QByteArray> Header(const char* name, const QByteArray& value) {
    return {QByteArray(name), value};
}

QString WithParameter(const QString& url, const QString& name, const QString& value) {
    return url + (url.contains(u'?') ? u'&' : u'?') + name + u'=' + value;
}

}  // namespace

ApiRequest ApiRequest::Build(const EngineDefinition& engine, const QString& firstPage, int page,
                             const QString& cursor, const EngineKeys& keys, const QString& instance) {
    ApiRequest request;
    request.url = firstPage;
    request.headers.append(Header("Accept", "application/json"));
    switch (engine.kind) {
        case EngineKind::Searxng: {
            const QString placeholder = QLatin1StringView(kSearxngPlaceholder);
            if (request.url.startsWith(placeholder))
                request.url = instance + request.url.mid(placeholder.size());
            request.url = WithParameter(request.url, QStringLiteral("pageno"), QString::number(page + 1));
            // Instances that guard themselves against bots turn away clients that do not send what a
            // browser sends.
            request.headers = {Header("Accept", "application/json, text/html;q=0.9"),
                               Header("Accept-Language", "en-US,en;q=0.9")};
            break;
        }
        case EngineKind::GoogleApi:
            if (page > 0)
                request.url =
                    WithParameter(request.url, QStringLiteral("start"), QString::number(1 + page * 10));
            request.url = WithParameter(request.url, QStringLiteral("key"),
                                        TextCodec::PercentEncoded(keys.googleApiKey));
            request.url =
                WithParameter(request.url, QStringLiteral("cx"), TextCodec::PercentEncoded(keys.googleCx));
            break;
        case EngineKind::BraveApi:
            if (page > 0)
                request.url = WithParameter(request.url, QStringLiteral("offset"), QString::number(page));
            request.headers.append(Header("X-Subscription-Token", keys.braveApiKey.toUtf8()));
            break;
        case EngineKind::OpenAlex:
            request.url = WithParameter(
                request.url, QStringLiteral("cursor"),
                page == 0 || cursor.isEmpty() ? QStringLiteral("*") : TextCodec::PercentEncoded(cursor));
            if (!keys.openAlexMailto.isEmpty())
                request.url = WithParameter(request.url, QStringLiteral("mailto"),
                                            TextCodec::PercentEncoded(keys.openAlexMailto));
            break;
        case EngineKind::Html:
        case EngineKind::WaybackCdx:
        case EngineKind::CommonCrawlCdx:
            break;
    }
    return request;
}

QString ApiRequest::MissingKey(const EngineDefinition& engine, const EngineKeys& keys) {
    switch (engine.kind) {
        case EngineKind::Searxng:
            return keys.SearxngInstances().isEmpty() ? QStringLiteral("SearxngUrls") : QString();
        case EngineKind::GoogleApi:
            if (keys.googleApiKey.isEmpty()) return QStringLiteral("GoogleApiKey");
            return keys.googleCx.isEmpty() ? QStringLiteral("GoogleCx") : QString();
        case EngineKind::BraveApi:
            return keys.braveApiKey.isEmpty() ? QStringLiteral("BraveApiKey") : QString();
        case EngineKind::OpenAlex:
        case EngineKind::Html:
        case EngineKind::WaybackCdx:
        case EngineKind::CommonCrawlCdx:
            break;
    }
    return {};
}
