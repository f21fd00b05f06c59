#pragma once
// The window's language: English (the texts in the code) or Simplified Chinese (the translation built
// into the program). `--lang` wins, then the choice kept in Setting.ini, then the system locale. Main
// thread, before the window is built.

#include <QLocale>
#include <QString>

namespace Language {

inline constexpr const char* kEnglish = "en";
inline constexpr const char* kChinese = "zh_CN";
// The key in the window's section of Setting.ini that keeps the choice.
inline constexpr const char* kSettingKey = "Language";

bool IsKnown(const QString& language);
// The language to show: `requested` when it is known, else `saved` when it is known, else the system's.
QString Choose(const QString& requested, const QString& saved, const QLocale& system);
// Choose() with the kept choice read from `settingsPath`; a known `requested` language is kept there for
// the next start.
QString Resolve(const QString& requested, const QString& settingsPath, const QLocale& system);
// Installs the translations of `language` into the application, replacing those of an earlier call:
// the window's own and Qt's (file pickers, Yes/No buttons) when Qt's are installed on the system.
// False when the window's own translation could not be loaded (the window then speaks English).
bool Apply(const QString& language);

}  // namespace Language
