#include "gui/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "lists/Profile.h"

namespace Language {

bool IsKnown(const QString& language) {
    return language == QLatin1StringView(kEnglish) || language == QLatin1StringView(kChinese);
}

QString Choose(const QString& requested, const QString& saved, const QLocale& system) {
    if (IsKnown(requested)) return requested;
    if (IsKnown(saved)) return saved;
    // Chinese readers of any region read the Simplified translation more easily than English.
    return QLatin1StringView(system.language() == QLocale::Chinese ? kChinese : kEnglish);
}

QString Resolve(const QString& requested, const QString& settingsPath, const QLocale& system) {
    const Profile settings(settingsPath);
    const QString key = QLatin1StringView(kSettingKey);
    if (IsKnown(requested) && settings.ProfileGetString(key, QString()) != requested)
        settings.ProfileWriteString(key, requested);
    return Choose(requested, settings.ProfileGetString(key, QString()), system);
}

bool Apply(const QString& language) {
    // One pair for the life of the program: a translator must outlive every text it translated.
    static QTranslator own;
    static QTranslator qt;
    QCoreApplication::removeTranslator(&own);
    QCoreApplication::removeTranslator(&qt);
    if (language != QLatin1StringView(kChinese)) return true;
    if (qt.load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qt);
    if (!own.load(QStringLiteral(":/i18n/skimmer_zh_CN.qm"))) return false;
    QCoreApplication::installTranslator(&own);
    return true;
}

}  // namespace Language
