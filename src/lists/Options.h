#pragma once
// Every value of the window's controls, readable from any thread. A setting lives in one of two places:
// the live value, which the window writes the moment the user changes a control, and, for settings bound
// to window members, the committed value, which only ReadBack() updates (with the entry-range checks).
// Workers read Int()/Text(), which give the committed value for bound settings and the live one otherwise.

#include <QMutex>
#include <QString>
#include <array>
#include <atomic>
#include <optional>

#include "lists/SettingsTable.h"

class IniFile;
class Profile;

class Options {
  public:
    Options();

    int Int(SettingKey key) const;
    QString Text(SettingKey key) const;
    bool Checked(SettingKey key) const { return Int(key) != 0; }

    // What the controls show right now (the window writes these on every change).
    int LiveInt(SettingKey key) const;
    QString LiveText(SettingKey key) const;
    void SetLiveInt(SettingKey key, int value);
    void SetLiveText(SettingKey key, const QString& value);

    // Code that changes a bound member directly (list path, folder picker) changes the control with it.
    void SetCommittedInt(SettingKey key, int value);
    void SetCommittedText(SettingKey key, const QString& value);

    // Commits the live values of the bound settings in table order and stops at the first one outside its
    // entry range; that one and the ones after it keep their previous values. Returns the refusal
    // message ("Enter an integer between %1 and %2.") or nothing when all were taken.
    std::optional<QString> ReadBack();

    // The time-range choice of the search (0 = any time … 4 = last year); not persisted.
    int TimeRange() const { return timeRange_.load(); }
    void SetTimeRange(int index) { timeRange_.store(index); }

    // Reads every key in table order, applies the load caps and shows the result in the controls.
    void Load(const IniFile& ini);
    // Writes every saved key in the window's close order in one atomic replacement of the file; the
    // section's other keys and every other line stay as they were.
    bool Save(const Profile& profile, QString* error = nullptr) const;

    // The value as `config list` prints it.
    QString DisplayValue(SettingKey key) const;

  private:
    static size_t Index(SettingKey key) { return size_t(key); }

    std::array<std::atomic<int>, kSettingCount> liveInt_;
    std::array<std::atomic<int>, kSettingCount> committedInt_;
    mutable QMutex textMutex_;
    std::array<QString, kSettingCount> liveText_;
    std::array<QString, kSettingCount> committedText_;
    std::atomic<int> timeRange_{0};
};
