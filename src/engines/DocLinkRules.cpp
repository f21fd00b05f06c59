#include "engines/DocLinkRules.h"

#include <QStringList>

#include "engines/EngineHosts.h"
#include "lists/Options.h"

namespace {

using K = SettingKey;

struct KnownType {
    const char* extension;
    K box;
};

constexpr KnownType kKnownTypes[] = {
    {"pdf", K::FormatPdf},     {"doc", K::FormatWord},   {"docx", K::FormatWord}, {"wps", K::FormatWord},
    {"ppt", K::FormatPpt},     {"pptx", K::FormatPpt},   {"xls", K::FormatXls},   {"xlsx", K::FormatXls},
    {"rtf", K::FormatRtf},     {"txt", K::FormatTxt},    {"pps", K::FormatPpt},   {"zip", K::FormatArchive},
    {"rar", K::FormatArchive}, {"7z", K::FormatArchive},
};

}  // namespace

quint32 DocLinkRules::UnsignedValue(const QString& text) {
    quint64 value = 0;
    for (const QChar c : text.trimmed()) {
        if (c < u'0' || c > u'9') break;
        value = qMin<quint64>(value * 10 + (c.unicode() - u'0'), 0xFFFFFFFFull);
    }
    return quint32(value);
}

QString DocLinkRules::GetDocType(const QString& link) const {
    const qsizetype dot = link.lastIndexOf(u'.');
    if (dot < 0) return {};
    const QString extension = link.mid(dot + 1);
    if (extension.isEmpty()) return {};
    for (const KnownType& known : kKnownTypes) {
        if (extension.compare(QLatin1StringView(known.extension), Qt::CaseInsensitive) == 0) {
            return options_.Checked(known.box) ? QString::fromLatin1(known.extension) : QString();
        }
    }
    if (!options_.Checked(K::FormatOther)) return {};
    const QString other = options_.Text(K::OtherDocExtension).left(254);
    return !other.isEmpty() && extension.compare(other, Qt::CaseInsensitive) == 0 ? other : QString();
}

DocLink DocLinkRules::ClassifyDocLink(const QString& link) const {
    DocLink result;
    if (link.isEmpty() || !link.contains(u'.')) return result;
    const QString type = GetDocType(link);
    if (type.isEmpty() || !link.contains(u'/')) return result;
    const qsizetype dot = link.lastIndexOf(u'.');
    const qsizetype slash = link.lastIndexOf(u'/');
    const qsizetype length = dot - slash - 1;
    if (length < 1) return result;
    result.isDocument = true;
    result.type = type;
    result.title = link.mid(slash + 1, length);
    return result;
}

bool DocLinkRules::SizeInRange(double kb) const {
    if (!options_.Checked(K::ProbeDocumentSize)) return kb > 0;
    const quint32 minimum = UnsignedValue(options_.Text(K::MinSizeKb));
    const quint32 maximum = UnsignedValue(options_.Text(K::MaxSizeKb));
    if (maximum < minimum || maximum == 0) return kb > 0;
    return double(minimum) <= kb && kb <= double(maximum);
}

bool DocLinkRules::InOtherEngineScope(const QString& link) const {
    QString words = options_.Text(K::OtherEngineScopeWords);
    if (options_.Checked(K::EngineOther) && words.isEmpty()) return true;
    if (!words.endsWith(u',')) words += u',';
    for (const QString& piece : words.split(u',')) {
        if (!piece.isEmpty() && link.contains(piece)) return true;
    }
    if (!options_.Checked(K::ScopeWordsOnly)) {
        QString address = options_.Text(K::OtherEngineAddress);
        if (!address.isEmpty() && !address.startsWith(QStringLiteral("http")))
            address.prepend(QStringLiteral("http://"));
        const QString key = address.mid(7, 10);
        if (key.isEmpty()) return false;
        if (link.contains(key)) return true;
    }
    return false;
}

bool DocLinkRules::Is63daPage(const QString& link, bool allowSearchPages) {
    if (link.isEmpty()) return false;
    const QString host = QString::fromLatin1(EngineHosts::Da63);
    if (link.contains(host + QStringLiteral("/?"))) return allowSearchPages;
    for (const char* section : {"/DOC", "/PDF", "/PPT", "/XLS", "/RTF"}) {
        if (link.contains(host + QLatin1StringView(section))) return true;
    }
    return false;
}

bool DocLinkRules::ShouldFollow(const QString& link) const {
    if (link.isEmpty()) return false;
    return InOtherEngineScope(link) || Is63daPage(link, false);
}
