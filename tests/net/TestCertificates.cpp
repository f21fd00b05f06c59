#include "TestCertificates.h"

#include <QProcess>

#include "TempHome.h"

namespace {

bool Openssl(const TempHome& home, const QStringList& args) {
    QProcess process;
    process.setWorkingDirectory(home.Path());
    process.start("openssl", args);
    return process.waitForFinished(30000) && process.exitCode() == 0;
}

}  // namespace

bool MakeTestCertificates(const TempHome& home, const QStringList& hosts) {
    QStringList names;
    for (const QString& host : hosts) names.append("DNS:" + host);
    home.Write("ext.cnf", ("subjectAltName=" + names.join(',') + "\n").toUtf8());
    return Openssl(home, {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out",
                          "ca.pem", "-days", "2", "-subj", "/CN=Skimmer Test CA"}) &&
           Openssl(home, {"req", "-newkey", "rsa:2048", "-nodes", "-keyout", "host.key", "-out", "host.csr",
                          "-subj", "/CN=" + hosts.value(0)}) &&
           Openssl(home, {"x509", "-req", "-in", "host.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                          "-CAcreateserial", "-out", "host.pem", "-days", "2", "-extfile", "ext.cnf"});
}
