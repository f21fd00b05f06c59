#include "lists/UrlCredentials.h"

#include <QUrl>

std::pair<qsizetype, qsizetype> UrlCredentials::PasswordSpan(QStringView address) {
    const qsizetype schemeEnd = address.indexOf(u"://");
    const qsizetype start = schemeEnd < 0 ? 0 : schemeEnd + 3;
    qsizetype end = start;
    while (end < address.size() && address[end] != u'/' && address[end] != u'?' && address[end] != u'#')
        ++end;
    // The last "@" ends the user information: a password may hold an unencoded "@" of its own.
    const qsizetype at = address.sliced(start, end - start).lastIndexOf(u'@');
    if (at < 0) return {0, 0};
    const qsizetype colon = address.sliced(start, at).indexOf(u':');
    if (colon < 0) return {0, 0};
    return {start + colon + 1, start + at};
}

QString UrlCredentials::Password(const QString& address) {
    const auto [from, to] = PasswordSpan(address);
    return address.mid(from, to - from);
}

QString UrlCredentials::MaskPasswords(const QString& addresses) {
    QStringList parts = addresses.split(u',');
    for (QString& part : parts) {
        const auto [from, to] = PasswordSpan(part);
        if (to > from) part.replace(from, to - from, QLatin1StringView(kMask));
    }
    return parts.join(u',');
}

QStringList UrlCredentials::Passwords(const QString& addresses) {
    QStringList passwords;
    for (const QString& part : addresses.split(u',')) {
        const QString password = Password(part);
        if (password.isEmpty()) continue;
        passwords.append(password);
        const QString decoded = QUrl::fromPercentEncoding(password.toUtf8());
        if (decoded != password) passwords.append(decoded);
    }
    return passwords;
}
