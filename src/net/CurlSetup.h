#pragma once
// What every libcurl handle of the program shares: one-time global initialisation, HTTP(S) only, no
// signals, and the host-mapping override and extra CA file that let tests stand a local server in for
// any host (HTTPS included). The mapping comes from $SKIMMER_CONNECT_TO ("host:port:addr:port", comma
// separated) and $SKIMMER_CA_FILE, or from SetConnectTo/SetCaFile. Proxies come from http_proxy,
// https_proxy and no_proxy as in every curl program. Callable from any thread.

#include <QString>
#include <QStringList>
#include <memory>

#include "lists/NetworkSettings.h"

typedef void CURL;
struct curl_slist;

class CurlSetup {
  public:
    // Owns the lists a handle points at; keep it alive until the request is done.
    class Lists {
      public:
        Lists() = default;
        ~Lists();
        Lists(const Lists&) = delete;
        Lists& operator=(const Lists&) = delete;
        curl_slist* connectTo = nullptr;
        curl_slist* headers = nullptr;
    };

    static void GlobalInit();
    // Applies the shared options to a fresh or reset handle.
    static void ApplyCommon(CURL* handle, Lists& lists);

    // The proxies and CA bundle of the settings ([Network]); the CA file of SetCaFile or
    // $SKIMMER_CA_FILE still wins over the bundle.
    static void SetNetwork(const NetworkSettings& network);
    static NetworkSettings Network();
    // The proxy options of one request: `poolProxy` (a proxy of the search pool) before the role's own.
    // False with the reason when the configured proxy cannot be used; the request must then not run,
    // or it would go out directly.
    static bool ApplyProxy(CURL* handle, NetRole role, const QString& poolProxy, QString* bareProxy,
                           QString* error);
    // The cause of a failed request through a proxy in words that name the proxy, never its password.
    static QString ProxyFailure(CURL* handle, int code, long status, const QString& bareProxy);

    static void SetConnectTo(const QStringList& entries);
    static void SetCaFile(const QString& path);

    // The handle of the calling thread, reset to defaults (its connection cache is kept).
    static CURL* ThreadHandle();
    // Closes the calling thread's handle and its kept-alive connections (a later request opens anew).
    static void ReleaseThreadHandle();

    // An address without a scheme gets "http://" in front (people type "example.com/a.pdf"); blanks,
    // non-ASCII text and other bytes a URL cannot carry are percent-encoded (as UTF-8), as a browser
    // sends them. Escapes already in the address stay as they are.
    static QString NormalizeAddress(const QString& address);
    // True when libcurl can parse the address as an http or https URL with a host.
    static bool IsUsableAddress(const QString& address);
};
