#pragma once
// Access to section "FILE_FREE_DOC" of Setting.ini, one key at a time: integers by ParseInt, texts cut at
// kMaxStringLength. Every call reads the file anew; writes are serialised within the process and replace
// the file atomically. Callable from any thread.

#include <QString>
#include <functional>
#include <optional>

#include "lists/SettingsTable.h"

class IniFile;

class Profile {
  public:
    static constexpr const char* kSection = "FILE_FREE_DOC";
    static constexpr int kMaxStringLength = SettingsTable::kMaxTextLength;

    explicit Profile(QString path) : path_(std::move(path)) {}
    const QString& Path() const { return path_; }

    int ProfileGetInt(const QString& key, int defaultValue) const;
    QString ProfileGetString(const QString& key, const QString& defaultValue) const;
    // False with the reason in `error` when the file was not changed.
    bool ProfileWriteInt(const QString& key, int value, QString* error = nullptr) const;
    bool ProfileWriteString(const QString& key, const QString& value, QString* error = nullptr) const;

    // Read-modify-write of the whole file under the process-wide write lock; false, with the reason in
    // `error`, when the file could not be read or written (it is then left as it was).
    bool Update(const std::function<void(IniFile&)>& change, QString* error = nullptr) const;

    // The same rules over a file already in memory, for readers of many keys at once.
    static int GetInt(const IniFile& ini, const QString& key, int defaultValue);
    static QString GetString(const IniFile& ini, const QString& key, const QString& defaultValue);

    // Whether the file holds a key, a token or a password: it is then written readable by its owner only.
    static bool HoldsSecret(const IniFile& ini);

    // Leading decimal digits with an optional sign; no digits gives 0; saturates at the int range.
    static int ParseInt(const QString& text);
    // The same reading, but a value without leading digits ("yes", "0x1" reads as 0 there) is not a number.
    static std::optional<int> ParseNumber(const QString& text);
    // The one reading of an on/off switch in any section: exactly 0 or 1, anything else (yes, 2, -1, 0x1,
    // missing) is a hand edit that must not turn a guard off, so it reads as the default.
    static int ParseSwitch(const std::optional<QString>& text, int defaultValue);

  private:
    QString path_;
};
