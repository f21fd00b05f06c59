#include "lists/SettingsTable.h"

#include <algorithm>
#include <limits>

namespace {

using K = SettingKey;
using T = SettingKind;

constexpr std::optional<EntryRange> kNoRange;
constexpr int kWeekInMinutes = 7 * 24 * 60;
constexpr int kHourInSeconds = 3600;
constexpr int kIntMax = std::numeric_limits<int>::max();

// Table order is the load order.
constexpr std::array<SettingSpec, kSettingCount> kTable{{
    {K::DownloadTimeoutMinutes, "TimeOut", T::Int, 20, "", 10, 0, EntryRange{0, kWeekInMinutes}, true, true},
    {K::MinTitleLength, "CharNum", T::Int, 0, "", 0, 0, EntryRange{0, 255}, true, true},
    {K::SearchPauseSeconds, "SearchInterval", T::Int, 0, "", 0, 0, EntryRange{0, kHourInSeconds}, true, true},
    {K::OverwriteExisting, "Overrite", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::SaveFolder, "SavePath", T::Text, 0, "", 0, 0, kNoRange, true, true},
    {K::OtherDocExtension, "EDocOther", T::Text, 0, "", 0, 0, kNoRange, false, true},
    {K::OtherEngineScopeWords, "FindFilter", T::Text, 0, "", 0, 0, kNoRange, false, true},
    {K::OtherEngineAddress, "EEngineOther", T::Text, 0, "", 0, 0, kNoRange, false, true},
    {K::MaxSizeKb, "SizeMax", T::Text, 0, "", 0, 0, kNoRange, false, true},
    {K::MinSizeKb, "SizeMin", T::Text, 0, "", 0, 0, kNoRange, false, true},
    {K::EngineGoogle, "GoogleSearch", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::EngineBaidu, "BaiduSearch", T::Check, 1, "", 0, 0, kNoRange, false, true},
    {K::EngineSogou, "SougouSearch", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::EngineOsun, "OsunSearch", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::Engine63Da, "63DaSearch", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::EngineAol, "CheckAol", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::EngineYahoo, "CheckYahoo", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::EngineZhongsou, "GoogleZhongSou", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::EngineOther, "EngineOtherSearch", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::LoadLastListAtStart, "AutoLoad", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::EngineBing, "CheckBind", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::EngineYoudao, "CheckYoudao", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::EngineGoogleScholar, "GoogleScholar", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::FormatWord, "DocWord", T::Check, 1, "", 0, 0, kNoRange, false, true},
    {K::FormatPdf, "DocPdf", T::Check, 1, "", 0, 0, kNoRange, false, true},
    {K::FormatPpt, "DocPpt", T::Check, 1, "", 0, 0, kNoRange, false, true},
    {K::FormatXls, "DocXls", T::Check, 1, "", 0, 0, kNoRange, false, true},
    {K::FormatTxt, "DocTxt", T::Check, 1, "", 0, 0, kNoRange, false, true},
    {K::FormatRtf, "DocRtf", T::Check, 1, "", 0, 0, kNoRange, false, true},
    {K::FormatArchive, "DocZip", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::FormatOther, "DocOther", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::ProbeDocumentSize, "CulFileSize", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::LimitDownloadSize, "DownCheckFileSize", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::DeepSearchQueueLimit, "URLsCount", T::Int, 0, "", 0, 0, EntryRange{0, kIntMax}, false, true},
    {K::SuffixSameTitles, "AddRandName", T::Check, 1, "", 0, 0, kNoRange, false, true},
    {K::ListFile, "ListPath", T::Text, 0, "", 0, 0, kNoRange, true, true},
    {K::TitleMustMatchKeyword, "MatchTitle", T::Check, 0, "", 0, 0, kNoRange, true, true},
    {K::EngineBingAcademic, "BingXueshu", T::Check, 0, "", 0, 0, kNoRange, true, true},
    {K::BingEnglishOnly, "BingEnglish", T::Check, 0, "", 0, 0, kNoRange, true, true},
    {K::SkipDownloaded, "IgoreGarnered", T::Check, 0, "", 0, 0, kNoRange, true, true},
    {K::ScopeWordsOnly, "MatchUrlKey", T::Check, 1, "", 1, 0, kNoRange, true, true},
    {K::DownloadThreads, "DownThreadCount", T::Int, 10, "", 10, 100, EntryRange{1, 100}, true, true},
    {K::SearchThreads, "SearchMaxThread", T::Int, 10, "", 50, 50, EntryRange{1, 50}, true, true},
    {K::EngineDuckDuckGo, "DuckDuckGoSearch", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::EngineBrave, "BraveSearch", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::EngineYandex, "YandexSearch", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::EngineStartpage, "StartpageSearch", T::Check, 0, "", 0, 0, kNoRange, false, true},
    // The API engines are ticked in the Engines dialog, not in the main window.
    {K::EngineSearxng, "SearxngSearch", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::EngineGoogleApi, "GoogleApiSearch", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::EngineBraveApi, "BraveApiSearch", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::EngineOpenAlex, "OpenAlexSearch", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::SearchAttempts, "SearchTryCount", T::Int, 3, "", 3, 0, EntryRange{1, 100}, false, false},
    {K::CheckUnknownTypeContent, "CheckOtherContent", T::Check, 1, "", 1, 0, kNoRange, false, false},
    {K::PerHostConnections, "PerHostConnections", T::Int, 4, "", 4, 0, EntryRange{0, 100}, false, false},
    {K::ObeyRobotsTxt, "ObeyRobotsTxt", T::Check, 1, "", 1, 0, kNoRange, false, false},
    // Ticked in the Engines dialog, under the PDF sites.
    {K::PdfSiteGeni, "PdfGeniSearch", T::Check, 1, "", 1, 0, kNoRange, false, true},
    {K::PdfSiteSearchOrg, "PdfSearchOrgSearch", T::Check, 1, "", 1, 0, kNoRange, false, true},
    {K::PdfSiteQueen, "PdfQueenSearch", T::Check, 1, "", 1, 0, kNoRange, false, true},
    {K::EngineWayback, "WaybackSearch", T::Check, 0, "", 0, 0, kNoRange, false, false},
    {K::EngineCommonCrawl, "CommonCrawlSearch", T::Check, 0, "", 0, 0, kNoRange, false, false},
    {K::ArchiveSites, "ArchiveSites", T::Text, 0, "", 0, 0, kNoRange, false, false},
    {K::CommonCrawlCrawls, "CommonCrawlCrawls", T::Int, 3, "", 3, 0, EntryRange{1, 100}, false, false},
    {K::ArchiveRescue, "ArchiveRescue", T::Check, 1, "", 1, 0, kNoRange, false, false},
}};

constexpr bool TableIsInEnumOrder() {
    for (int i = 0; i < kSettingCount; ++i) {
        if (int(kTable[size_t(i)].id) != i) return false;
    }
    return true;
}
static_assert(TableIsInEnumOrder(), "settings table rows must follow SettingKey");

// Not SearchTryCount, CheckOtherContent, PerHostConnections, ObeyRobotsTxt or CommonCrawlCrawls: the
// window has no control for them.
constexpr std::array<SettingKey, kSettingCount - 5> kSaveOrder{
    K::DownloadTimeoutMinutes,
    K::MinTitleLength,
    K::DownloadThreads,
    K::OverwriteExisting,
    K::SaveFolder,
    K::OtherDocExtension,
    K::OtherEngineScopeWords,
    K::OtherEngineAddress,
    K::MaxSizeKb,
    K::MinSizeKb,
    K::EngineGoogle,
    K::EngineBaidu,
    K::EngineSogou,
    K::EngineOsun,
    K::Engine63Da,
    K::EngineOther,
    K::LoadLastListAtStart,
    K::EngineBing,
    K::EngineYoudao,
    K::EngineGoogleScholar,
    K::EngineAol,
    K::EngineYahoo,
    K::EngineZhongsou,
    K::FormatWord,
    K::FormatPdf,
    K::FormatPpt,
    K::FormatXls,
    K::FormatTxt,
    K::FormatRtf,
    K::FormatArchive,
    K::FormatOther,
    K::ProbeDocumentSize,
    K::LimitDownloadSize,
    K::SuffixSameTitles,
    K::DeepSearchQueueLimit,
    K::ListFile,
    K::TitleMustMatchKeyword,
    K::EngineBingAcademic,
    K::BingEnglishOnly,
    K::SkipDownloaded,
    K::ScopeWordsOnly,
    K::SearchPauseSeconds,
    K::SearchThreads,
    K::EngineDuckDuckGo,
    K::EngineBrave,
    K::EngineYandex,
    K::EngineStartpage,
    K::EngineSearxng,
    K::EngineGoogleApi,
    K::EngineBraveApi,
    K::EngineOpenAlex,
    K::PdfSiteGeni,
    K::PdfSiteSearchOrg,
    K::PdfSiteQueen,
    K::EngineWayback,
    K::EngineCommonCrawl,
    K::ArchiveSites,
    K::ArchiveRescue,
};

}  // namespace

std::span<const SettingSpec> SettingsTable::All() {
    return kTable;
}

std::span<const SettingKey> SettingsTable::SaveOrder() {
    return kSaveOrder;
}

const SettingSpec* SettingsTable::Find(const QString& key) {
    for (const SettingSpec& spec : kTable) {
        if (key.compare(QLatin1StringView(spec.key), Qt::CaseInsensitive) == 0) return &spec;
    }
    return nullptr;
}

EntryRange SettingsTable::AcceptedRange(const SettingSpec& spec) {
    if (spec.entryRange) return *spec.entryRange;
    if (spec.kind == SettingKind::Check) return {0, 1};
    return {std::numeric_limits<int>::min(), std::numeric_limits<int>::max()};
}

bool SettingsTable::Accepts(SettingKey key, qint64 value) {
    const EntryRange range = AcceptedRange(Spec(key));
    return value >= range.min && value <= range.max;
}

QString SettingsTable::RangeText(SettingKey key) {
    const EntryRange range = AcceptedRange(Spec(key));
    return QStringLiteral("%1 to %2").arg(range.min).arg(range.max);
}

int SettingsTable::Clamp(const SettingSpec& spec, int value) {
    const EntryRange range = AcceptedRange(spec);
    return std::clamp(value, range.min, range.max);
}
