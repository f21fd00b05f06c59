#pragma once
// Turns a fetched page body into text. With preferUtf8 the body is taken as UTF-8 when it is valid
// UTF-8; otherwise the charset the response declares (Content-Type, then a meta tag near the top) is
// used, and GB18030 when nothing is declared. The whole body is decoded at once, so no character is cut
// in two. NUL bytes are dropped. Callable from any thread.

#include <QByteArray>
#include <QString>

class PageDecoder {
  public:
    static QString Decode(const QByteArray& body, const QString& contentType, bool preferUtf8);
    // The charset named in a Content-Type value or in a <meta> tag of the body's first bytes, lower case;
    // empty when neither names one.
    static QByteArray DeclaredCharset(const QByteArray& body, const QString& contentType);
};
