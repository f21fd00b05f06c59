#include "net/CRemoteSizeProbe.h"

#include <curl/curl.h>

#include "net/CurlSetup.h"

namespace {

// The first byte of the body means the headers are in: stop there.
size_t StopAtBody(char*, size_t, size_t, void*) {
    return 0;
}

}  // namespace

qint64 CRemoteSizeProbe::GetRemoteFileSize(const QString& address) {
    const QString normalized = CurlSetup::NormalizeAddress(address);
    if (!CurlSetup::IsUsableAddress(normalized)) return 0;
    CURL* handle = CurlSetup::ThreadHandle();
    if (!handle) return 0;
    CurlSetup::Lists lists;
    CurlSetup::ApplyCommon(handle, lists);
    lists.headers = curl_slist_append(lists.headers, "Accept: */*");
    const QByteArray url = normalized.toUtf8();
    curl_easy_setopt(handle, CURLOPT_URL, url.constData());
    curl_easy_setopt(handle, CURLOPT_USERAGENT, "skimmer/" SKIMMER_VERSION);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, lists.headers);
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, kConnectBoundMs);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, kAnswerBoundMs);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, StopAtBody);

    const CURLcode code = curl_easy_perform(handle);
    if (code != CURLE_OK && code != CURLE_WRITE_ERROR) return 0;
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    if (status != 200) return 0;
    curl_off_t length = -1;
    curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    // The connection was cut mid-answer: do not keep it for the next request.
    if (code == CURLE_WRITE_ERROR) curl_easy_setopt(handle, CURLOPT_FORBID_REUSE, 1L);
    return length > 0 ? qint64(length) : 0;
}
