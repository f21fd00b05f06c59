#include "meta/FindingScanner.h"

#include <QRegularExpression>

#include "meta/DocMetadata.h"

namespace {

void Add(QList<MetaFinding>* findings, MetaFinding::Kind kind, QString value, const QString& field) {
    value = value.trimmed();
    while (!value.isEmpty() && QStringLiteral(".,;:)]}'\"").contains(value.back())) value.chop(1);
    if (value.isEmpty() || value.size() > 1024) return;
    for (const MetaFinding& finding : *findings) {
        if (finding.kind == kind && finding.value == value) return;
    }
    findings->append({kind, value, field});
}

bool LooksLikePrinter(const QString& text) {
    static const QRegularExpression printer(QStringLiteral(R"(print|\bprn\b|laserjet|deskjet|officejet|imagerunner)"),
                                            QRegularExpression::CaseInsensitiveOption);
    return printer.match(text).hasMatch();
}

}  // namespace

void FindingScanner::Scan(const QString& field, const QString& text, QList<MetaFinding>* findings) {
    if (text.isEmpty()) return;
    const QString bounded = text.left(64 * 1024);
    static const QRegularExpression email(QStringLiteral(R"([A-Za-z0-9._%+-]+@[A-Za-z0-9-]+(?:\.[A-Za-z0-9-]+)*\.[A-Za-z]{2,})"));
    static const QRegularExpression url(QStringLiteral(R"(\b(?:https?|ftp|file)://[^\s"<>]+)"),
                                        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression unc(QStringLiteral(R"(\\\\[A-Za-z0-9._$-]+\\[^"<>|\r\n\t]+)"));
    static const QRegularExpression windowsPath(QStringLiteral(R"(\b[A-Za-z]:\\[^"<>|\r\n\t]*)"));
    static const QRegularExpression unixPath(
        QStringLiteral(R"((?:^|[\s"'(])((?:/home|/Users|/var|/tmp|/mnt|/media|/srv|/opt|/net|/Volumes)/[^\s"<>|]+))"));
    static const QRegularExpression windowsUser(
        QStringLiteral(R"([A-Za-z]:\\(?:Users|Documents and Settings)\\([^\\/"<>|\r\n\t]+))"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression unixUser(QStringLiteral(R"(/(?:home|Users)/([^/\s"<>|]+))"));
    static const QRegularExpression printerField(QStringLiteral("printer"), QRegularExpression::CaseInsensitiveOption);

    for (auto it = email.globalMatch(bounded); it.hasNext();) Add(findings, MetaFinding::Kind::Email, it.next().captured(), field);
    for (auto it = url.globalMatch(bounded); it.hasNext();) Add(findings, MetaFinding::Kind::Url, it.next().captured(), field);
    for (auto it = unc.globalMatch(bounded); it.hasNext();) {
        const QString value = it.next().captured();
        Add(findings, LooksLikePrinter(value) ? MetaFinding::Kind::Printer : MetaFinding::Kind::Path, value, field);
    }
    for (auto it = windowsPath.globalMatch(bounded); it.hasNext();) Add(findings, MetaFinding::Kind::Path, it.next().captured(), field);
    for (auto it = unixPath.globalMatch(bounded); it.hasNext();) Add(findings, MetaFinding::Kind::Path, it.next().captured(1), field);
    for (auto it = windowsUser.globalMatch(bounded); it.hasNext();) Add(findings, MetaFinding::Kind::UserName, it.next().captured(1), field);
    for (auto it = unixUser.globalMatch(bounded); it.hasNext();) Add(findings, MetaFinding::Kind::UserName, it.next().captured(1), field);
    if (printerField.match(field).hasMatch()) Add(findings, MetaFinding::Kind::Printer, bounded, field);
}

void FindingScanner::ScanAll(DocMetadata* metadata) {
    const std::pair<const char*, const QString*> fields[] = {
        {"title", &metadata->title},         {"author", &metadata->author},
        {"subject", &metadata->subject},     {"keywords", &metadata->keywords},
        {"lastModifiedBy", &metadata->lastModifiedBy},
        {"application", &metadata->application}, {"producer", &metadata->producer},
        {"company", &metadata->company},     {"xmpTitle", &metadata->xmpTitle},
        {"xmpAuthor", &metadata->xmpAuthor},
    };
    for (const auto& [name, value] : fields) Scan(QLatin1StringView(name), *value, &metadata->findings);
    for (const QString& entry : metadata->history) Scan(QStringLiteral("history"), entry, &metadata->findings);
    // An author or last editor written as a login name (no space, letters and digits) is a user name.
    static const QRegularExpression login(QStringLiteral(R"(^[A-Za-z][A-Za-z0-9._-]{1,31}$)"));
    for (const auto& [name, value] : {std::pair{"author", &metadata->author},
                                      std::pair{"lastModifiedBy", &metadata->lastModifiedBy}}) {
        if (login.match(*value).hasMatch()) Add(&metadata->findings, MetaFinding::Kind::UserName, *value, QLatin1StringView(name));
    }
}
