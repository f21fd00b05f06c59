#pragma once
// The keys and addresses of the API engines, section "Engines" of Setting.ini: GoogleApiKey, GoogleCx,
// BraveApiKey, OpenAlexMailto, SearxngUrls. Kept apart from the window's options because they are secrets:
// they are shown masked unless asked for, and never go into the run log or a message. Plain values; Load
// and Save may be called from any thread (Profile serialises the writes).

#include <QString>
#include <QStringList>
#include <span>

class Profile;

struct EngineKeySpec {
    const char* key;  // as written in Setting.ini
    bool secret;      // masked when shown
};

struct EngineKeys {
    static constexpr const char* kSection = "Engines";

    QString googleApiKey, googleCx, braveApiKey, openAlexMailto, searxngUrls;

    static std::span<const EngineKeySpec> All();
    static const EngineKeySpec* Find(const QString& key);  // without regard to case

    static EngineKeys Load(const Profile& settings);
    QString Value(const QString& key) const;
    void SetValue(const QString& key, const QString& value);
    // Writes every key in one atomic replacement of the file; other lines stay as they were.
    bool Save(const Profile& settings, QString* error = nullptr) const;

    // The SearXNG instance addresses, comma-separated in the file, trailing slashes dropped.
    QStringList SearxngInstances() const;
    // Every secret that is set, for scrubbing texts that might hold one.
    QStringList Secrets() const;
    // Each secret of the list replaced by "***".
    static QString Scrub(QString text, const QStringList& secrets);
    // "" for an empty value, else a mask that keeps only the length class ("********").
    static QString Masked(const QString& value);
};
