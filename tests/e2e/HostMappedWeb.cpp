#include "HostMappedWeb.h"

#include "TestCertificates.h"
#include "net/CurlSetup.h"

HostMappedWeb::HostMappedWeb(const QStringList& httpHosts, const QStringList& httpsHosts, Handler handler)
    : http_(std::make_unique<LocalServer>()) {
    http_->Http().Get(".*", handler);
    http_->Start();
    QStringList mapping;
    for (const QString& host : httpHosts)
        mapping << QStringLiteral("%1:80:127.0.0.1:%2").arg(host).arg(http_->Port());
    if (MakeTestCertificates(certificates_, httpsHosts)) {
        https_ =
            std::make_unique<LocalServer>(certificates_.Path("host.pem"), certificates_.Path("host.key"));
        https_->Http().Get(".*", handler);
        https_->Start();
        for (const QString& host : httpsHosts)
            mapping << QStringLiteral("%1:443:127.0.0.1:%2").arg(host).arg(https_->Port());
        CurlSetup::SetCaFile(certificates_.Path("ca.pem"));
    }
    CurlSetup::SetConnectTo(mapping);
}

HostMappedWeb::~HostMappedWeb() {
    CurlSetup::SetConnectTo({});
    CurlSetup::SetCaFile({});
}
