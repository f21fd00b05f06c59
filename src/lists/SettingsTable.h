#pragma once
// The one declaration of every window setting: its key in Setting.ini, type, default, the window's value
// before loading, load cap, entry range and bound control. Options, LoadSettings/SaveSettings and
// `skimmer-cli config` are all driven from this table. Immutable; safe from any thread.

#include <QString>
#include <QtGlobal>
#include <array>
#include <optional>
#include <span>

// Members say what the setting is; the key text in Setting.ini, which older files use, is in the table
// (SettingsTable.cpp) and only there.
enum class SettingKey {
    DownloadTimeoutMinutes,
    MinTitleLength,
    SearchPauseSeconds,
    OverwriteExisting,
    SaveFolder,
    OtherDocExtension,
    OtherEngineScopeWords,
    OtherEngineAddress,
    MaxSizeKb,
    MinSizeKb,
    EngineGoogle,
    EngineBaidu,
    EngineSogou,
    EngineOsun,
    Engine63Da,
    EngineAol,
    EngineYahoo,
    EngineZhongsou,
    EngineOther,
    LoadLastListAtStart,
    EngineBing,
    EngineYoudao,
    EngineGoogleScholar,
    FormatWord,
    FormatPdf,
    FormatPpt,
    FormatXls,
    FormatTxt,
    FormatRtf,
    FormatArchive,
    FormatOther,
    ProbeDocumentSize,
    LimitDownloadSize,
    DeepSearchQueueLimit,
    SuffixSameTitles,
    ListFile,
    TitleMustMatchKeyword,
    EngineBingAcademic,
    BingEnglishOnly,
    SkipDownloaded,
    ScopeWordsOnly,
    DownloadThreads,
    SearchThreads,
    EngineDuckDuckGo,
    EngineBrave,
    EngineYandex,
    EngineStartpage,
    EngineSearxng,
    EngineGoogleApi,
    EngineBraveApi,
    EngineOpenAlex,
    SearchAttempts,
    CheckUnknownTypeContent,  // refuse an HTML page saved under a type outside the known document types
    PerHostConnections,       // download transfers to one host at a time; 0: no cap
    ObeyRobotsTxt,            // the deep search skips what a site's robots.txt disallows
    // The PDF sites, each asked while PDF is ticked and its own box is (all ticked by default).
    PdfSiteGeni,
    PdfSiteSearchOrg,
    PdfSiteQueen,
    // The web archives, asked per site (ArchiveSites) rather than per keyword, and the fallback of a dead
    // link to its archived capture.
    EngineWayback,
    EngineCommonCrawl,
    ArchiveSites,       // domains or address prefixes, comma separated
    CommonCrawlCrawls,  // how many of the newest crawls are asked
    ArchiveRescue,
    Count
};

constexpr int kSettingCount = int(SettingKey::Count);

enum class SettingKind { Int, Check, Text };

struct EntryRange {
    int min;
    int max;
};

struct SettingSpec {
    SettingKey id;
    const char* key;  // as written in Setting.ini
    SettingKind kind;
    int defaultInt;
    const char* defaultText;
    int initialInt;                        // the window's own value before the file is read
    int loadCap;                           // > 0: a loaded value above it, or negative, becomes it
    std::optional<EntryRange> entryRange;  // ints only; see AcceptedRange
    bool member;  // bound to a window member (committed by the read-back) rather than live
    bool saved;   // written when the window closes
};

class SettingsTable {
  public:
    static std::span<const SettingSpec> All();
    static const SettingSpec& Spec(SettingKey key) { return All()[size_t(key)]; }
    static const SettingSpec* Find(const QString& key);  // without regard to case
    // The order in which the window writes its values when it closes (not the table order).
    static std::span<const SettingKey> SaveOrder();
    // The one range of an int or check setting: the window's read-back, `skimmer-cli config set` and the
    // command-line flags refuse values outside it, and a value loaded from the file is brought into it.
    static EntryRange AcceptedRange(const SettingSpec& spec);
    static bool Accepts(SettingKey key, qint64 value);
    static QString RangeText(SettingKey key);  // "1 to 100"
    static int Clamp(const SettingSpec& spec, int value);
    // The longest text the reader keeps; a longer text setting is refused when it is written.
    static constexpr int kMaxTextLength = 4096;
};
