#pragma once
// Whether the first bytes of a downloaded file are what its type promises, judged by libmagic: a "PDF"
// that is really the site's login page or a CAPTCHA (an HTML page) is caught before it is kept.
// Callable from any thread (one libmagic handle behind a lock).

#include <QByteArray>
#include <QString>

class ContentCheck {
  public:
    // The media type libmagic sees in `head` ("text/html", "application/pdf"); empty when libmagic or
    // its database is unavailable.
    static QString MediaType(const QByteArray& head);
    // Empty when `head` may be a file of `type` (an extension such as "pdf", "docx", "rar"), else why
    // not. A type outside the known document and archive types is refused only when the bytes are an
    // HTML page, and not at all when `checkOther` is false. When libmagic cannot tell, nothing is refused.
    static QString Mismatch(const QByteArray& head, const QString& type, bool checkOther);
    // How many leading bytes are read for the check.
    static constexpr qsizetype kHeadBytes = 64 * 1024;
};
