#pragma once
// One string from a document's metadata that gives something away: an e-mail address, a user name, a
// file-system path, a URL or a printer, with the field it came from.

#include <QString>

struct MetaFinding {
    enum class Kind { Email, UserName, Path, Url, Printer };
    Kind kind = Kind::Email;
    QString value;
    QString field;

    static QString KindName(Kind kind);
    static bool KindFromName(const QString& name, Kind* kind);
    bool operator==(const MetaFinding&) const = default;
};
