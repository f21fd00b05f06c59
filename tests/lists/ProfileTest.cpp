#include <gtest/gtest.h>

#include <limits>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include "TempHome.h"

#include <QFile>

#include "lists/EngineKeys.h"
#include "lists/IniFile.h"
#include "lists/Profile.h"

namespace {

TEST(Profile, IntegerRules) {
    EXPECT_EQ(Profile::ParseInt("12abc"), 12);
    EXPECT_EQ(Profile::ParseInt("abc"), 0);
    EXPECT_EQ(Profile::ParseInt("-5"), -5);
    EXPECT_EQ(Profile::ParseInt("+7"), 7);
    EXPECT_EQ(Profile::ParseInt("99999999999999999999"), std::numeric_limits<int>::max());
    EXPECT_EQ(Profile::ParseInt("-99999999999999999999"), std::numeric_limits<int>::min());

    const IniFile ini = IniFile::FromBytes("[FILE_FREE_DOC]\nEmpty=\nWord=abc\n");
    EXPECT_EQ(Profile::GetInt(ini, "Empty", 42), 42);  // an empty value reads as missing
    EXPECT_EQ(Profile::GetInt(ini, "Word", 42), 42);  // not a number: the default, not 0
    EXPECT_EQ(Profile::GetInt(ini, "Missing", 42), 42);
}

TEST(Profile, StringsAreCutAt4096Characters) {
    const IniFile ini = IniFile::FromBytes("[FILE_FREE_DOC]\nLong=" + QByteArray(10000, 'x') + "\n");
    EXPECT_EQ(Profile::GetString(ini, "Long", {}).size(), Profile::kMaxStringLength);
    EXPECT_EQ(Profile::GetString(ini, "Missing", "dflt"), QStringLiteral("dflt"));
}

TEST(Profile, WritesCreateTheFileAndReadBack) {
    TempHome home;
    const Profile profile(home.Path("Setting.ini"));
    EXPECT_EQ(profile.ProfileGetInt("TimeOut", 20), 20);
    EXPECT_TRUE(profile.ProfileWriteInt("TimeOut", -3));
    EXPECT_TRUE(profile.ProfileWriteString("SavePath", QString::fromUtf8("/home/用户/文档")));
    EXPECT_EQ(profile.ProfileGetInt("timeout", 20), -3);
    EXPECT_EQ(profile.ProfileGetString("SAVEPATH", {}), QString::fromUtf8("/home/用户/文档"));
    EXPECT_EQ(home.Read("Setting.ini"),
              QByteArray("[FILE_FREE_DOC]\nTimeOut=-3\nSavePath=/home/\xE7\x94\xA8\xE6\x88\xB7/"
                         "\xE6\x96\x87\xE6\xA1\xA3\n"));
}

// A key, a token or a password inside an address makes the file private; other files keep their mode.
TEST(Profile, AFileHoldingASecretIsWrittenForItsOwnerOnly) {
    TempHome home;
    const Profile profile(home.Path("Setting.ini"));
    const QByteArray path = QFile::encodeName(home.Path("Setting.ini"));
    const auto mode = [&] {
        struct stat info {};
        return ::stat(path.constData(), &info) == 0 ? info.st_mode & 07777 : 0u;
    };
    ASSERT_TRUE(profile.ProfileWriteInt("TimeOut", 5));
    ASSERT_EQ(::chmod(path.constData(), 0640), 0);
    ASSERT_TRUE(profile.ProfileWriteInt("TimeOut", 6));
    EXPECT_EQ(mode(), 0640u);
    for (const char* line :
         {"[Engines]\nBraveApiKey=k\n", "[Engines]\nSearxngUrls=http://u:p@s.test\n",
          "[Aria2]\nRpcSecrets=,tok\n", "[aria2]\nRpcUrl=http://u:p@127.0.0.1:6800/jsonrpc\n"}) {
        home.Write("Setting.ini", line);
        ASSERT_EQ(::chmod(path.constData(), 0644), 0);
        ASSERT_TRUE(profile.ProfileWriteInt("TimeOut", 7));
        EXPECT_EQ(mode(), 0600u) << line;
    }
    home.Write("Setting.ini", "[Aria2]\nRpcSecrets=,\n");
    ASSERT_EQ(::chmod(path.constData(), 0644), 0);
    ASSERT_TRUE(profile.ProfileWriteInt("TimeOut", 8));
    EXPECT_EQ(mode(), 0644u);
}

TEST(Profile, ConcurrentWritersLoseNoKey) {
    TempHome home;
    const Profile profile(home.Path("Setting.ini"));
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&profile, t] {
            for (int i = 0; i < 10; ++i) profile.ProfileWriteInt(QStringLiteral("K%1_%2").arg(t).arg(i), i);
        });
    }
    for (auto& thread : threads) thread.join();
    const IniFile ini = IniFile::Load(home.Path("Setting.ini"));
    for (int t = 0; t < 8; ++t) {
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(Profile::GetInt(ini, QStringLiteral("K%1_%2").arg(t).arg(i), -1), i);
    }
}

}  // namespace
