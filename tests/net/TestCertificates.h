#pragma once
// A throw-away CA and a server certificate for the given host names, made with the openssl tool, so a
// local HTTPS server can stand in for an engine host.

#include <QString>
#include <QStringList>

class TempHome;

// Writes ca.pem, host.pem and host.key into the folder; false when openssl is missing or fails.
bool MakeTestCertificates(const TempHome& home, const QStringList& hosts);
