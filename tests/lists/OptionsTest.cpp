#include <gtest/gtest.h>

#include <limits>

#include "TempHome.h"
#include "lists/IniFile.h"
#include "lists/NetworkSettings.h"
#include "lists/Options.h"
#include "lists/Profile.h"

namespace {

using K = SettingKey;

TEST(Options, FreshInstallationShowsTheTableDefaults) {
    Options options;
    options.Load(IniFile());
    EXPECT_EQ(options.Int(K::EngineBaidu), 1);
    EXPECT_EQ(options.Int(K::EngineGoogle), 0);
    for (K doc : {K::FormatWord, K::FormatPdf, K::FormatPpt, K::FormatXls, K::FormatTxt, K::FormatRtf})
        EXPECT_EQ(options.Int(doc), 1);
    EXPECT_EQ(options.Int(K::FormatArchive), 0);
    EXPECT_EQ(options.Int(K::DownloadThreads), 10);
    EXPECT_EQ(options.Int(K::SearchThreads), 10);
    EXPECT_EQ(options.Int(K::DownloadTimeoutMinutes), 20);
    EXPECT_EQ(options.Int(K::SuffixSameTitles), 1);
    EXPECT_EQ(options.Int(K::ScopeWordsOnly), 1);
    EXPECT_EQ(options.Int(K::SearchAttempts), 3);
    EXPECT_EQ(options.Text(K::SaveFolder), QString());
}

TEST(Options, WindowValuesBeforeLoading) {
    const Options options;
    EXPECT_EQ(options.Int(K::DownloadTimeoutMinutes), 10);
    EXPECT_EQ(options.Int(K::SearchThreads), 50);
    EXPECT_EQ(options.Int(K::EngineBaidu), 0);
}

TEST(Options, LoadCapsAndHandWrittenValues) {
    Options options;
    options.Load(
        IniFile::FromBytes("[FILE_FREE_DOC]\r\nDownThreadCount=500\r\nSearchMaxThread=-1\r\n"
                           "URLsCount=lots\r\nTimeOut=0\r\nEDocOther=\"chm\"\r\n"));
    EXPECT_EQ(options.Int(K::DownloadThreads), 100);
    EXPECT_EQ(options.Int(K::SearchThreads), 50);
    EXPECT_EQ(options.Int(K::DeepSearchQueueLimit), 0);
    EXPECT_EQ(options.Int(K::DownloadTimeoutMinutes), 0);
    EXPECT_EQ(options.Text(K::OtherDocExtension), QStringLiteral("chm"));
    EXPECT_EQ(options.LiveInt(K::DownloadThreads), 100);  // the controls show the capped value too
}

TEST(Options, ReadBackStopsAtTheFirstRefusedField) {
    Options options;
    options.Load(IniFile());
    options.SetLiveInt(K::DownloadTimeoutMinutes, 5);  // before the refused field: taken
    options.SetLiveInt(K::MinTitleLength, 300);        // refused
    options.SetLiveInt(K::TitleMustMatchKeyword, 1);   // after it: kept as it was
    options.SetLiveInt(K::SearchThreads, 7);           // after it: kept as it was
    options.SetLiveInt(K::EngineGoogle, 1);            // a live control: visible at once
    EXPECT_EQ(options.Int(K::DownloadTimeoutMinutes), 20);
    EXPECT_EQ(options.Int(K::EngineGoogle), 1);

    EXPECT_EQ(options.ReadBack(), QStringLiteral("Enter an integer between 0 and 255."));
    EXPECT_EQ(options.Int(K::DownloadTimeoutMinutes), 5);
    EXPECT_EQ(options.Int(K::MinTitleLength), 0);
    EXPECT_EQ(options.Int(K::TitleMustMatchKeyword), 0);
    EXPECT_EQ(options.Int(K::SearchThreads), 10);

    options.SetLiveInt(K::MinTitleLength, 255);
    EXPECT_EQ(options.ReadBack(), std::nullopt);
    EXPECT_EQ(options.Int(K::SearchThreads), 7);
    options.SetLiveInt(K::DownloadThreads, 0);
    EXPECT_EQ(options.ReadBack(), QStringLiteral("Enter an integer between 1 and 100."));
}

TEST(Options, EveryEntryRangeAndLoadCapHoldsAtItsBoundaries) {
    const auto range = [](K key) { return SettingsTable::Spec(key).entryRange.value_or(EntryRange{-1, -1}); };
    EXPECT_EQ(range(K::MinTitleLength).min, 0);
    EXPECT_EQ(range(K::MinTitleLength).max, 255);
    EXPECT_EQ(range(K::DownloadThreads).min, 1);
    EXPECT_EQ(range(K::DownloadThreads).max, 100);
    EXPECT_EQ(range(K::SearchThreads).min, 1);
    EXPECT_EQ(range(K::SearchThreads).max, 50);
    EXPECT_EQ(SettingsTable::Spec(K::DownloadThreads).loadCap, 100);
    EXPECT_EQ(SettingsTable::Spec(K::SearchThreads).loadCap, 50);

    int ranged = 0;
    int capped = 0;
    for (const SettingSpec& spec : SettingsTable::All()) {
        SCOPED_TRACE(spec.key);
        if (spec.loadCap > 0) {
            ++capped;
            for (const auto& [written, loaded] : {std::pair{spec.loadCap, spec.loadCap},
                                                  {spec.loadCap + 1, spec.loadCap},
                                                  {-1, spec.loadCap}}) {
                Options options;
                options.Load(IniFile::FromBytes(
                    QStringLiteral("[FILE_FREE_DOC]\n%1=%2\n").arg(spec.key).arg(written).toUtf8()));
                EXPECT_EQ(options.Int(spec.id), loaded) << written;
            }
        }
        if (!spec.entryRange || !spec.member) continue;  // only committed members are read back
        ++ranged;
        const EntryRange limits = *spec.entryRange;
        const QString refusal =
            QStringLiteral("Enter an integer between %1 and %2.").arg(limits.min).arg(limits.max);
        Options options;
        options.Load(IniFile());
        for (const int accepted : {limits.min, limits.max}) {
            options.SetLiveInt(spec.id, accepted);
            EXPECT_EQ(options.ReadBack(), std::nullopt) << accepted;
            EXPECT_EQ(options.Int(spec.id), accepted);
        }
        for (const int refused : {limits.min - 1, limits.max + 1}) {
            options.SetLiveInt(spec.id, refused);
            EXPECT_EQ(options.ReadBack(), refusal) << refused;
            EXPECT_EQ(options.Int(spec.id), limits.max);  // the last accepted value stays
        }
    }
    EXPECT_GE(ranged, 3);
    EXPECT_EQ(capped, 2);
}

TEST(Options, SaveWritesEveryKeyInCloseOrderAndKeepsTheRest) {
    TempHome home;
    home.Write("Setting.ini", "[FILE_FREE_DOC]\nGoogleKey1=<div class=\"g\">\nTimeOut=1\n[Mine]\nA=b\n");
    Options options;
    options.Load(IniFile::Load(home.Path("Setting.ini")));
    options.SetCommittedText(K::ListFile, QString::fromUtf8("/tmp/列表.list"));
    ASSERT_TRUE(options.Save(Profile(home.Path("Setting.ini"))));

    const QList<QByteArray> lines = home.Read("Setting.ini").split('\n');
    EXPECT_EQ(lines[1], "GoogleKey1=<div class=\"g\">");
    EXPECT_EQ(lines[2], "TimeOut=1");
    // Keys that were missing follow in the order the window writes them.
    EXPECT_EQ(lines[3], "CharNum=0");
    EXPECT_EQ(lines[4], "DownThreadCount=10");
    EXPECT_EQ(lines[5], "Overrite=0");
    EXPECT_EQ(lines[44], "SearchMaxThread=10");
    EXPECT_EQ(lines[48], "StartpageSearch=0");
    EXPECT_EQ(lines[52], "OpenAlexSearch=0");
    EXPECT_EQ(lines[55], "PdfQueenSearch=1");
    EXPECT_EQ(lines[59], "ArchiveRescue=1");  // the web-archive controls of the window close the section
    EXPECT_EQ(lines[60], "[Mine]");
    EXPECT_FALSE(home.Read("Setting.ini").contains("SearchTryCount"));

    Options reloaded;
    reloaded.Load(IniFile::Load(home.Path("Setting.ini")));
    for (const SettingSpec& spec : SettingsTable::All()) {
        EXPECT_EQ(reloaded.DisplayValue(spec.id), options.DisplayValue(spec.id)) << spec.key;
    }
}

}  // namespace

namespace {

TEST(Options, EverySettingHasOneRangeForTheFileAndTheReadBack) {
    Options options;
    options.Load(IniFile::FromBytes(
        "[FILE_FREE_DOC]\nCharNum=300\nTimeOut=-1\nSearchInterval=999999\nDownThreadCount=0\n"
        "URLsCount=-5\nBaiduSearch=7\nSearchTryCount=0\n"));
    EXPECT_EQ(options.Int(SettingKey::MinTitleLength), 255);
    EXPECT_EQ(options.Int(SettingKey::DownloadTimeoutMinutes), 20);  // -1 must not mean "no timeout"
    EXPECT_EQ(options.Int(SettingKey::SearchPauseSeconds), 3600);
    EXPECT_EQ(options.Int(SettingKey::DownloadThreads), 1);
    EXPECT_EQ(options.Int(SettingKey::DeepSearchQueueLimit), 0);
    EXPECT_EQ(options.Int(SettingKey::EngineBaidu), 1);
    EXPECT_EQ(options.Int(SettingKey::SearchAttempts), 1);

    options.SetLiveInt(SettingKey::DownloadTimeoutMinutes, 20000);
    EXPECT_EQ(options.ReadBack(), QStringLiteral("Enter an integer between 0 and 10080."));
    EXPECT_EQ(options.Int(SettingKey::DownloadTimeoutMinutes), 20);
    options.SetLiveInt(SettingKey::DownloadTimeoutMinutes, 30);
    options.SetLiveText(SettingKey::SaveFolder, QString(SettingsTable::kMaxTextLength + 1, u'd'));
    EXPECT_EQ(options.ReadBack(), QStringLiteral("Enter at most 4096 characters."));
    EXPECT_EQ(options.Text(SettingKey::SaveFolder), QString());
    options.SetLiveText(SettingKey::SaveFolder, QString(SettingsTable::kMaxTextLength, u'd'));
    EXPECT_EQ(options.ReadBack(), std::nullopt);
    EXPECT_EQ(options.Int(SettingKey::DownloadTimeoutMinutes), 30);
}

}  // namespace

namespace {

// Off-by-one in a range or a load cap below the range's top would show here for whichever row it hit.
TEST(Options, EveryRangeTakesItsMaximumAndRefusesOneMore) {
    for (const SettingSpec& spec : SettingsTable::All()) {
        if (spec.kind == SettingKind::Text) continue;
        SCOPED_TRACE(spec.key);
        const EntryRange range = SettingsTable::AcceptedRange(spec);
        EXPECT_TRUE(SettingsTable::Accepts(spec.id, range.max));
        EXPECT_FALSE(SettingsTable::Accepts(spec.id, qint64(range.max) + 1));
        EXPECT_FALSE(SettingsTable::Accepts(spec.id, qint64(range.min) - 1));

        Options options;
        options.Load(IniFile::FromBytes(QStringLiteral("[FILE_FREE_DOC]\n%1=%2\n")
                                            .arg(QLatin1StringView(spec.key))
                                            .arg(range.max)
                                            .toUtf8()));
        EXPECT_EQ(options.Int(spec.id), range.max);
        if (!spec.member || range.max == std::numeric_limits<int>::max()) continue;
        options.SetLiveInt(spec.id, range.max + 1);
        EXPECT_TRUE(options.ReadBack().has_value());
        EXPECT_EQ(options.Int(spec.id), range.max);
    }
}

TEST(Options, SwitchOutsideZeroAndOneLoadsAsItsDefault) {
    Options options;
    options.Load(
        IniFile::FromBytes("[FILE_FREE_DOC]\nCheckOtherContent=-1\nObeyRobotsTxt=2\nGoogleSearch=-7\n"));
    EXPECT_EQ(options.Int(SettingKey::CheckUnknownTypeContent), 1);
    EXPECT_EQ(options.Int(SettingKey::ObeyRobotsTxt), 1);
    EXPECT_EQ(options.Int(SettingKey::EngineGoogle), 0);
    options.Load(IniFile::FromBytes("[FILE_FREE_DOC]\nCheckOtherContent=0\nSearchMaxThread=-5\n"));
    EXPECT_EQ(options.Int(SettingKey::CheckUnknownTypeContent), 0);
    EXPECT_EQ(options.Int(SettingKey::SearchThreads), 50);  // number settings keep their load caps
}

// Hand edits that once read as 0 and so turned a guard off or lifted the per-host cap.
TEST(Options, HandEditedSwitchesAndNumbersThatAreNotZeroOrOneLoadAsTheirDefaults) {
    // The per-host cap's 0 is "no cap"; a leading number still reads as itself.
    const std::pair<const char*, int> cases[] = {{"yes", 4}, {"0x1", 0},   {"-1", 4},   {"2", 2},
                                                 {"1abc", 1}, {"", 4}, {"99999999999999999999", 100}};
    for (const auto& [text, perHost] : cases) {
        SCOPED_TRACE(text);
        Options options;
        options.Load(IniFile::FromBytes(QStringLiteral("[FILE_FREE_DOC]\nObeyRobotsTxt=%1\nCheckOtherContent=%1\n"
                                                       "PerHostConnections=%1\nGoogleSearch=%1\n")
                                            .arg(QLatin1StringView(text))
                                            .toUtf8()));
        EXPECT_EQ(options.Int(SettingKey::ObeyRobotsTxt), 1);
        EXPECT_EQ(options.Int(SettingKey::CheckUnknownTypeContent), 1);
        EXPECT_EQ(options.Int(SettingKey::EngineGoogle), 0);
        EXPECT_EQ(options.Int(SettingKey::PerHostConnections), perHost);
    }
    TempHome home;  // the Network section reads its switch the same way
    for (const char* text : {"yes", "0x1", "-1", "2"}) {
        home.Write("Setting.ini", QByteArray("[Network]\nUseEnvironmentProxy=") + text + "\n");
        EXPECT_TRUE(NetworkSettings::Load(Profile(home.Path("Setting.ini"))).useEnvironmentProxy) << text;
    }
}

}  // namespace
