#include "app/UpdateInfo.h"

#include <curl/curl.h>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <QXmlStreamReader>

#include "net/HttpClient.h"
#include "net/PageFetch.h"

namespace {

struct AppEntry {
    bool present = false;
    QString version, date, notes, address;
};

// The text of the current element, its children's text included; the reader ends on its end tag.
QString ElementText(QXmlStreamReader& xml) {
    return xml.readElementText(QXmlStreamReader::IncludeChildElements);
}

}  // namespace

bool UpdateInfo::VersionValue(const QString& version, qint64* major, qint64* date) {
    QString text = version;
    text.remove(u'.');
    const qsizetype hyphen = text.indexOf(u'-');
    if (hyphen < 0) return false;
    bool okMajor = false, okDate = false;
    *major = text.left(hyphen).toLongLong(&okMajor);
    *date = text.mid(hyphen + 1).toLongLong(&okDate);
    return okMajor && okDate && *major >= 1 && *date >= 1;
}

QString UpdateInfo::BreakNotes(const QString& notes) {
    if (notes.size() <= 33) return notes;
    QString out;
    qsizetype pos = 0;
    while (notes.size() - pos > 33) {
        out += notes.mid(pos, 33) + QStringLiteral("\r\n");
        pos += 33;
    }
    return out + notes.mid(pos);
}

int UpdateInfo::Parse(const QString& location, RunLog* log) {
    // A document that breaks after a matching entry is not read: nothing of it may offer an update.
    Forget();
    failure_.clear();
    const int read = ReadDocument(location, log);
    if (read == 0 && failure_.isEmpty())
        failure_ = QCoreApplication::translate("UpdateInfo", "the answer is no update notice");
    if (read == 0) Forget();
    return read;
}

void UpdateInfo::Forget() {
    foundAppType_.clear();
    latestVersion_.clear();
    versionDate_.clear();
    releaseNotes_.clear();
    downloadAddress_.clear();
}

int UpdateInfo::ReadDocument(const QString& location, RunLog* log) {
    QByteArray document;
    if (QFileInfo(location).isFile()) {
        QFile file(location);
        if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxDocumentBytes) {
            failure_ = QCoreApplication::translate("UpdateInfo", "cannot read %1").arg(location);
            return 0;
        }
        document = file.readAll();
    } else {
        HttpClient client;
        const FetchedPage page = FetchSmallText(client, location, kMaxDocumentBytes, log);
        if (!page.answered) {
            failure_ = QCoreApplication::translate("UpdateInfo", "no answer from %1: %2")
                           .arg(QUrl(location).host(),
                                QString::fromUtf8(curl_easy_strerror(CURLcode(page.failureCode))));
            return 0;
        }
        if (page.status >= 400) {
            failure_ = QCoreApplication::translate("UpdateInfo", "%1 answered HTTP %2")
                           .arg(QUrl(location).host())
                           .arg(page.status);
            return 0;
        }
        const QString& text = page.text;
        if (text.isEmpty()) {
            failure_ = QCoreApplication::translate("UpdateInfo", "%1 sent an empty answer")
                           .arg(QUrl(location).host());
            return 0;
        }
        document = text.toUtf8();
        // The text is already decoded: drop a declaration that names another encoding.
        if (document.startsWith("<?xml")) document = document.mid(document.indexOf("?>") + 2);
    }

    QXmlStreamReader xml(document);
    bool root = false;
    bool anyUpdate = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.tokenType() == QXmlStreamReader::DTD) return 0;  // no entity definitions in an update notice
        if (!xml.isStartElement()) continue;
        if (!root) {
            if (xml.name() == u"updateinfo") root = true;
            continue;
        }
        if (xml.name() != u"update") continue;
        anyUpdate = true;
        const QString enable = xml.attributes().hasAttribute(QStringLiteral("enable"))
                                   ? xml.attributes().value(QStringLiteral("enable")).toString()
                                   : QStringLiteral("false");
        const QString type = xml.attributes().value(QStringLiteral("apptype")).toString();
        AppEntry app;
        // Read the whole "update" element; its "app" child carries the values.
        const int depth = 1;
        int level = depth;
        while (level > 0 && !xml.atEnd()) {
            xml.readNext();
            if (xml.tokenType() == QXmlStreamReader::DTD) return 0;
            if (xml.isEndElement()) {
                --level;
            } else if (xml.isStartElement()) {
                if (level == 1 && xml.name() == u"app" && !app.present) {
                    app.present = true;
                    app.version = xml.attributes().value(QStringLiteral("ver")).toString();
                    app.date = xml.attributes().value(QStringLiteral("vdate")).toString();
                    int appLevel = 1;
                    while (appLevel > 0 && !xml.atEnd()) {
                        xml.readNext();
                        if (xml.isEndElement()) {
                            --appLevel;
                        } else if (xml.isStartElement()) {
                            if (appLevel == 1 && xml.name() == u"info") {
                                app.notes = ElementText(xml);
                            } else if (appLevel == 1 && xml.name() == u"downaddr") {
                                app.address = ElementText(xml);
                            } else {
                                ++appLevel;
                            }
                        }
                    }
                } else {
                    ++level;
                }
            }
        }
        if (enable == u"false") continue;
        if (type.isEmpty() || appType_.isEmpty() || type != appType_) continue;
        if (!app.present) return 0;
        foundAppType_ = type;
        latestVersion_ = app.version;
        versionDate_ = app.date;
        releaseNotes_ = BreakNotes(app.notes);
        downloadAddress_ = app.address;
    }
    if (xml.hasError() || !root || !anyUpdate) {
        failure_ = QCoreApplication::translate("UpdateInfo", "the answer is no update notice");
        return 0;
    }
    return 1;
}

int UpdateInfo::Check() const {
    if (foundAppType_ != appType_) return -1;
    qint64 a1, b1, a2, b2;
    if (!VersionValue(currentVersion_, &a1, &b1) || !VersionValue(latestVersion_, &a2, &b2)) return -1;
    return (a1 < a2 || (a1 == a2 && b1 < b2)) ? 1 : -1;
}
