#pragma once
// What every libcurl handle of the program shares: one-time global initialisation, HTTP(S) only, no
// signals, and the host-mapping override and extra CA file that let tests stand a local server in for
// any host (HTTPS included). The mapping comes from $SKIMMER_CONNECT_TO ("host:port:addr:port", comma
// separated) and $SKIMMER_CA_FILE, or from SetConnectTo/SetCaFile. Proxies come from http_proxy,
// https_proxy and no_proxy as in every curl program. Callable from any thread.

#include <QString>
#include <QStringList>
#include <memory>

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
