// The INI reader behind Setting.ini: a settings file edited by hand, left by an older version or
// planted. Reading must finish; a rewrite must keep every line it does not own; the settings must
// load within their caps and survive a save; and the result-page keys it may redefine must leave the
// parsers working on any page.

#include <QFile>

#include "FuzzSupport.h"
#include "engines/DocLinkRules.h"
#include "lists/IniFile.h"
#include "lists/Options.h"
#include "lists/Profile.h"
#include "lists/ResultList.h"
#include "search/KeywordList.h"
#include "search/LinkFilters.h"
#include "search/ParserKeys.h"
#include "search/ResultPageParsers.h"
#include "search/SearchQueue.h"

namespace {

// A page made of the keys themselves around a document link, so that redefined keys meet their page.
QString PageFromKeys(const ParserKeys& keys) {
    QString page;
    for (const char* group :
         {"BaiduSection", "BaiduLink", "BaiduTitle", "Bing", "BingLink", "BingTitle", "BingXueshu",
          "BingXueshuLink", "BingXueshuTitle", "BingXueshuType", "SousouSection", "SousouLink", "SousouTitle",
          "YahooSection", "YahooLink", "YahooTitle"}) {
        const MatchKeys k = keys.Apply(QString::fromLatin1(group), MatchKeys());
        page += k.up + k.left + QStringLiteral("http://d.example/a.pdf") + k.right;
    }
    return page + page;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzz::Bytes(data, size);
    IniFile ini = IniFile::FromBytes(bytes);
    const QByteArray written = ini.ToBytes();
    fuzz::Require(IniFile::FromBytes(written).ToBytes() == written,
                  "an unchanged file is written back as read");

    // Changing one key leaves every other setting as it was and reads back as set.
    std::vector<std::optional<QString>> before;
    for (const SettingSpec& spec : SettingsTable::All())
        before.push_back(ini.Value(Profile::kSection, QLatin1StringView(spec.key)));
    ini.SetValue(Profile::kSection, QLatin1StringView(SettingsTable::Spec(SettingKey::SaveFolder).key),
                 QStringLiteral("/fuzz/folder"));
    const IniFile changed = IniFile::FromBytes(ini.ToBytes());
    for (size_t i = 0; i < SettingsTable::All().size(); ++i) {
        const SettingSpec& spec = SettingsTable::All()[i];
        const std::optional<QString> value = changed.Value(Profile::kSection, QLatin1StringView(spec.key));
        if (spec.id == SettingKey::SaveFolder) {
            fuzz::Require(value == QStringLiteral("/fuzz/folder"), "a key that was set reads back");
        } else {
            fuzz::Require(value == before[i], "setting one key leaves the others alone");
        }
    }

    // The settings: loaded within their caps, and the numbers unchanged by a save and a second load.
    static const QString path = fuzz::ScratchPath(QStringLiteral("Setting.ini"));
    fuzz::WriteScratch(path, bytes);
    Options options;
    options.Load(IniFile::FromBytes(bytes));
    for (const SettingSpec& spec : SettingsTable::All()) {
        if (spec.kind != SettingKind::Text && spec.loadCap > 0) {
            const int value = options.Int(spec.id);
            fuzz::Require(value >= 0 && value <= spec.loadCap, "a capped setting loads within its cap");
        }
    }
    const Profile profile(path);
    fuzz::Require(options.Save(profile), "the settings are saved");
    Options reloaded;
    reloaded.Load(IniFile::Load(path));
    for (const SettingSpec& spec : SettingsTable::All()) {
        if (spec.kind != SettingKind::Text)
            fuzz::Require(reloaded.Int(spec.id) == options.Int(spec.id), "a number survives a save");
    }

    // The parsers with the keys this file defines, over a page made of those keys.
    fuzz::WriteScratch(path, bytes);
    const ParserKeys keys = ParserKeys::Load(profile);
    options.SetCommittedInt(SettingKey::SuffixSameTitles, 0);
    options.SetCommittedInt(SettingKey::ProbeDocumentSize, 0);
    KeywordList keywords(fuzz::ScratchPath(QStringLiteral("key.list")));
    LinkFilters filters(options, keywords);
    DocLinkRules rules(options);
    ResultList results(options, nullptr);
    SearchQueue queue;
    std::atomic<int> state{0};
    ParseContext context{state, results, filters, rules, options, queue, {}};
    const QString page = PageFromKeys(keys);
    for (PageParser parser : {PageParser::Baidu, PageParser::Bing, PageParser::BingAcademic, PageParser::Soso,
                              PageParser::Yahoo}) {
        ResultPageParsers(keys).Parse(parser, context, QStringLiteral("http://www.example.com/s?wd=x"), page);
    }
    return 0;
}
