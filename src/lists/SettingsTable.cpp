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
    {K::TimeOut, "TimeOut", T::Int, 20, "", 10, 0, EntryRange{0, kWeekInMinutes}, true, true},
    {K::CharNum, "CharNum", T::Int, 0, "", 0, 0, EntryRange{0, 255}, true, true},
    {K::SearchInterval, "SearchInterval", T::Int, 0, "", 0, 0, EntryRange{0, kHourInSeconds}, true, true},
    {K::Overrite, "Overrite", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::SavePath, "SavePath", T::Text, 0, "", 0, 0, kNoRange, true, true},
    {K::EDocOther, "EDocOther", T::Text, 0, "", 0, 0, kNoRange, false, true},
    {K::FindFilter, "FindFilter", T::Text, 0, "", 0, 0, kNoRange, false, true},
    {K::EEngineOther, "EEngineOther", T::Text, 0, "", 0, 0, kNoRange, false, true},
    {K::SizeMax, "SizeMax", T::Text, 0, "", 0, 0, kNoRange, false, true},
    {K::SizeMin, "SizeMin", T::Text, 0, "", 0, 0, kNoRange, false, true},
    {K::GoogleSearch, "GoogleSearch", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::BaiduSearch, "BaiduSearch", T::Check, 1, "", 0, 0, kNoRange, false, true},
    {K::SougouSearch, "SougouSearch", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::OsunSearch, "OsunSearch", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::Search63Da, "63DaSearch", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::CheckAol, "CheckAol", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::CheckYahoo, "CheckYahoo", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::GoogleZhongSou, "GoogleZhongSou", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::EngineOtherSearch, "EngineOtherSearch", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::AutoLoad, "AutoLoad", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::CheckBind, "CheckBind", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::CheckYoudao, "CheckYoudao", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::GoogleScholar, "GoogleScholar", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::DocWord, "DocWord", T::Check, 1, "", 0, 0, kNoRange, false, true},
    {K::DocPdf, "DocPdf", T::Check, 1, "", 0, 0, kNoRange, false, true},
    {K::DocPpt, "DocPpt", T::Check, 1, "", 0, 0, kNoRange, false, true},
    {K::DocXls, "DocXls", T::Check, 1, "", 0, 0, kNoRange, false, true},
    {K::DocTxt, "DocTxt", T::Check, 1, "", 0, 0, kNoRange, false, true},
    {K::DocRtf, "DocRtf", T::Check, 1, "", 0, 0, kNoRange, false, true},
    {K::DocZip, "DocZip", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::DocOther, "DocOther", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::CulFileSize, "CulFileSize", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::DownCheckFileSize, "DownCheckFileSize", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::URLsCount, "URLsCount", T::Int, 0, "", 0, 0, EntryRange{0, kIntMax}, false, true},
    {K::AddRandName, "AddRandName", T::Check, 1, "", 0, 0, kNoRange, false, true},
    {K::ListPath, "ListPath", T::Text, 0, "", 0, 0, kNoRange, true, true},
    {K::MatchTitle, "MatchTitle", T::Check, 0, "", 0, 0, kNoRange, true, true},
    {K::BingXueshu, "BingXueshu", T::Check, 0, "", 0, 0, kNoRange, true, true},
    {K::BingEnglish, "BingEnglish", T::Check, 0, "", 0, 0, kNoRange, true, true},
    {K::IgoreGarnered, "IgoreGarnered", T::Check, 0, "", 0, 0, kNoRange, true, true},
    {K::MatchUrlKey, "MatchUrlKey", T::Check, 1, "", 1, 0, kNoRange, true, true},
    {K::DownThreadCount, "DownThreadCount", T::Int, 10, "", 10, 100, EntryRange{1, 100}, true, true},
    {K::SearchMaxThread, "SearchMaxThread", T::Int, 10, "", 50, 50, EntryRange{1, 50}, true, true},
    {K::DuckDuckGoSearch, "DuckDuckGoSearch", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::BraveSearch, "BraveSearch", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::YandexSearch, "YandexSearch", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::StartpageSearch, "StartpageSearch", T::Check, 0, "", 0, 0, kNoRange, false, true},
    // The API engines are ticked in the Engines dialog, not in the main window.
    {K::SearxngSearch, "SearxngSearch", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::GoogleApiSearch, "GoogleApiSearch", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::BraveApiSearch, "BraveApiSearch", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::OpenAlexSearch, "OpenAlexSearch", T::Check, 0, "", 0, 0, kNoRange, false, true},
    {K::SearchTryCount, "SearchTryCount", T::Int, 3, "", 3, 0, EntryRange{1, 100}, false, false},
    {K::CheckOtherContent, "CheckOtherContent", T::Check, 1, "", 1, 0, kNoRange, false, false},
    {K::PerHostConnections, "PerHostConnections", T::Int, 4, "", 4, 0, EntryRange{0, 100}, false, false},
    {K::ObeyRobotsTxt, "ObeyRobotsTxt", T::Check, 1, "", 1, 0, kNoRange, false, false},
}};

constexpr bool TableIsInEnumOrder() {
    for (int i = 0; i < kSettingCount; ++i) {
        if (int(kTable[size_t(i)].id) != i) return false;
    }
    return true;
}
static_assert(TableIsInEnumOrder(), "settings table rows must follow SettingKey");

// Not SearchTryCount, CheckOtherContent, PerHostConnections or ObeyRobotsTxt: the window has no control
// for them.
constexpr std::array<SettingKey, kSettingCount - 4> kSaveOrder{
    K::TimeOut,
    K::CharNum,
    K::DownThreadCount,
    K::Overrite,
    K::SavePath,
    K::EDocOther,
    K::FindFilter,
    K::EEngineOther,
    K::SizeMax,
    K::SizeMin,
    K::GoogleSearch,
    K::BaiduSearch,
    K::SougouSearch,
    K::OsunSearch,
    K::Search63Da,
    K::EngineOtherSearch,
    K::AutoLoad,
    K::CheckBind,
    K::CheckYoudao,
    K::GoogleScholar,
    K::CheckAol,
    K::CheckYahoo,
    K::GoogleZhongSou,
    K::DocWord,
    K::DocPdf,
    K::DocPpt,
    K::DocXls,
    K::DocTxt,
    K::DocRtf,
    K::DocZip,
    K::DocOther,
    K::CulFileSize,
    K::DownCheckFileSize,
    K::AddRandName,
    K::URLsCount,
    K::ListPath,
    K::MatchTitle,
    K::BingXueshu,
    K::BingEnglish,
    K::IgoreGarnered,
    K::MatchUrlKey,
    K::SearchInterval,
    K::SearchMaxThread,
    K::DuckDuckGoSearch,
    K::BraveSearch,
    K::YandexSearch,
    K::StartpageSearch,
    K::SearxngSearch,
    K::GoogleApiSearch,
    K::BraveApiSearch,
    K::OpenAlexSearch,
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
