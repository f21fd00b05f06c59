#pragma once
// The one way the program replaces a file: the bytes go to a temporary file beside it, which is renamed
// over the old one only when everything is written, so a crash or a full disk never costs the old file.

#include <QByteArray>
#include <QString>

class SafeFile {
public:
    static bool Write(const QString& path, const QByteArray& bytes);
};
