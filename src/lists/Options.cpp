#include "lists/Options.h"

#include <QCoreApplication>
#include <QMutexLocker>

#include "lists/IniFile.h"
#include "lists/Profile.h"

Options::Options() {
    for (const SettingSpec& spec : SettingsTable::All()) {
        liveInt_[Index(spec.id)].store(spec.initialInt);
        committedInt_[Index(spec.id)].store(spec.initialInt);
    }
}

int Options::Int(SettingKey key) const {
    const SettingSpec& spec = SettingsTable::Spec(key);
    return spec.member ? committedInt_[Index(key)].load() : liveInt_[Index(key)].load();
}

QString Options::Text(SettingKey key) const {
    QMutexLocker lock(&textMutex_);
    return SettingsTable::Spec(key).member ? committedText_[Index(key)] : liveText_[Index(key)];
}

int Options::LiveInt(SettingKey key) const {
    return liveInt_[Index(key)].load();
}

QString Options::LiveText(SettingKey key) const {
    QMutexLocker lock(&textMutex_);
    return liveText_[Index(key)];
}

void Options::SetLiveInt(SettingKey key, int value) {
    liveInt_[Index(key)].store(value);
}

void Options::SetLiveText(SettingKey key, const QString& value) {
    QMutexLocker lock(&textMutex_);
    liveText_[Index(key)] = value;
}

void Options::SetCommittedInt(SettingKey key, int value) {
    liveInt_[Index(key)].store(value);
    committedInt_[Index(key)].store(value);
}

void Options::SetCommittedText(SettingKey key, const QString& value) {
    QMutexLocker lock(&textMutex_);
    liveText_[Index(key)] = value;
    committedText_[Index(key)] = value;
}

std::optional<QString> Options::ReadBack() {
    for (const SettingSpec& spec : SettingsTable::All()) {
        if (!spec.member) continue;
        const size_t i = Index(spec.id);
        if (spec.kind == SettingKind::Text) {
            QMutexLocker lock(&textMutex_);
            // Setting.ini keeps no more than this; a longer text would come back cut.
            if (liveText_[i].size() > SettingsTable::kMaxTextLength) {
                return QCoreApplication::translate("Options", "Enter at most %1 characters.")
                    .arg(SettingsTable::kMaxTextLength);
            }
            committedText_[i] = liveText_[i];
            continue;
        }
        const int value = liveInt_[i].load();
        const EntryRange range = SettingsTable::AcceptedRange(spec);
        if (value < range.min || value > range.max) {
            return QCoreApplication::translate("Options", "Enter an integer between %1 and %2.")
                .arg(range.min)
                .arg(range.max);
        }
        committedInt_[i].store(value);
    }
    return std::nullopt;
}

void Options::Load(const IniFile& ini) {
    for (const SettingSpec& spec : SettingsTable::All()) {
        const QString key = QLatin1StringView(spec.key);
        if (spec.kind == SettingKind::Text) {
            SetCommittedText(spec.id, Profile::GetString(ini, key, QLatin1StringView(spec.defaultText)));
            continue;
        }
        if (spec.kind == SettingKind::Check) {
            SetCommittedInt(spec.id, Profile::ParseSwitch(ini.Value(Profile::kSection, key), spec.defaultInt));
            continue;
        }
        int value = Profile::GetInt(ini, key, spec.defaultInt);
        // Where 0 means "no limit" (the per-host cap, the timeout), clamping a hand-written -1 up to 0
        // would silently lift the limit; a negative count is no count, so it reads as the default.
        if (value < 0 && spec.loadCap == 0 && SettingsTable::AcceptedRange(spec).min >= 0) value = spec.defaultInt;
        // The cap compares unsigned, so a negative value counts as too large.
        if (spec.loadCap > 0 && unsigned(value) > unsigned(spec.loadCap)) value = spec.loadCap;
        // A hand-edited file cannot give a value that the window and the command line would refuse.
        SetCommittedInt(spec.id, SettingsTable::Clamp(spec, value));
    }
}

bool Options::Save(const Profile& profile, QString* error) const {
    return profile.Update(
        [this](IniFile& ini) {
            for (SettingKey key : SettingsTable::SaveOrder()) {
                const SettingSpec& spec = SettingsTable::Spec(key);
                const QString value = spec.kind == SettingKind::Text ? Text(key) : QString::number(Int(key));
                ini.SetValue(Profile::kSection, QLatin1StringView(spec.key), value);
            }
        },
        error);
}

QString Options::DisplayValue(SettingKey key) const {
    return SettingsTable::Spec(key).kind == SettingKind::Text ? Text(key) : QString::number(Int(key));
}
