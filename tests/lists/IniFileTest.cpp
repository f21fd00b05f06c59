#include <gtest/gtest.h>

#include "TempHome.h"
#include "lists/IniFile.h"

namespace {

const QString kSection = QStringLiteral("FILE_FREE_DOC");

// Byte strings with NULs inside.
#define BYTES(literal) QByteArray(literal, sizeof(literal) - 1)

TEST(IniFile, LookupFollowsPrivateProfileRules) {
    const IniFile ini = IniFile::FromBytes(
        "Orphan=1\n"
        "[other]\nTimeOut=99\n"
        "[file_free_doc]\n"
        "  timeout  =  7  \n"
        "TimeOut=8\n"
        "Quoted=\"a b\"\n"
        "Single='x'\n"
        "Half=\"open\n"
        "; Comment=1\n"
        "garbage line without equals\n"
        "=novalue\n");
    EXPECT_EQ(ini.Value(kSection, "TIMEOUT"), QStringLiteral("7"));  // first occurrence, any case
    EXPECT_EQ(ini.Value(kSection, "Quoted"), QStringLiteral("a b"));
    EXPECT_EQ(ini.Value(kSection, "Single"), QStringLiteral("x"));
    EXPECT_EQ(ini.Value(kSection, "Half"), QStringLiteral("\"open"));
    EXPECT_FALSE(ini.Value(kSection, "Orphan"));  // before any section
    EXPECT_FALSE(ini.Value(kSection, "; Comment"));
    EXPECT_EQ(ini.Value("OTHER", "timeout"), QStringLiteral("99"));
}

TEST(IniFile, WriteKeepsEveryLineItDoesNotOwn) {
    const QByteArray original = BYTES(
        "; written by hand\r\n"
        "[FILE_FREE_DOC]\r\n"
        "TimeOut=5\r\n"
        "\x01\x02\xFF binary \x00 junk\r\n"
        "GoogleKey1=\xD6\xD0\xCE\xC4\r\n"
        "\r\n"
        "[Other]\r\n"
        "x=1\r\n");
    IniFile ini = IniFile::FromBytes(original);
    ini.SetValue(kSection, "timeout", "20");
    ini.SetValue(kSection, "NewKey", QString::fromUtf8("值"));
    ini.SetValue("Fresh", "k", "v");
    const QByteArray written = ini.ToBytes();
    EXPECT_EQ(written, BYTES("; written by hand\r\n"
                             "[FILE_FREE_DOC]\r\n"
                             "timeout=20\n"
                             "\x01\x02\xFF binary \x00 junk\r\n"
                             "GoogleKey1=\xD6\xD0\xCE\xC4\r\n"
                             "NewKey=\xE5\x80\xBC\n"
                             "\r\n"
                             "[Other]\r\n"
                             "x=1\r\n"
                             "[Fresh]\n"
                             "k=v\n"));
    const IniFile reread = IniFile::FromBytes(written);
    EXPECT_EQ(reread.Value(kSection, "GoogleKey1"), QString::fromUtf8("中文"));
    EXPECT_EQ(reread.Value(kSection, "NewKey"), QString::fromUtf8("值"));
}

TEST(IniFile, LineBreaksInAValueCannotAddKeys) {
    IniFile ini;
    ini.SetValue(kSection, "SavePath", "/tmp/x\n[FILE_FREE_DOC]\nDownThreadCount=100");
    const IniFile reread = IniFile::FromBytes(ini.ToBytes());
    EXPECT_FALSE(reread.Value(kSection, "DownThreadCount"));
    EXPECT_TRUE(reread.Value(kSection, "SavePath")->startsWith(u"/tmp/x"));
}

TEST(IniFile, LargeFileRoundTrips) {
    QByteArray big = "[FILE_FREE_DOC]\n";
    while (big.size() < 10 * 1024 * 1024)
        big += "Filler" + QByteArray::number(big.size()) + "=some value here\n";
    IniFile ini = IniFile::FromBytes(big);
    ini.SetValue(kSection, "TimeOut", "3");
    const QByteArray written = ini.ToBytes();
    EXPECT_EQ(written.size(), big.size() + qsizetype(sizeof("TimeOut=3\n")) - 1);
    EXPECT_TRUE(written.startsWith(big));
    EXPECT_EQ(IniFile::FromBytes(written).Value(kSection, "timeout"), QStringLiteral("3"));
}

TEST(IniFile, SaveIsAllOrNothing) {
    TempHome home;
    home.Write("Setting.ini", "[FILE_FREE_DOC]\nTimeOut=5\n");
    IniFile ini = IniFile::Load(home.Path("Setting.ini"));
    ini.SetValue(kSection, "TimeOut", "6");
    EXPECT_TRUE(ini.Save(home.Path("Setting.ini")));
    EXPECT_EQ(home.Read("Setting.ini"), QByteArray("[FILE_FREE_DOC]\nTimeOut=6\n"));

    // A folder that is really a file: the write fails and leaves nothing behind.
    home.Write("notadir", "x");
    EXPECT_FALSE(ini.Save(home.Path("notadir/Setting.ini")));
    EXPECT_EQ(home.Read("notadir"), QByteArray("x"));

    // Something that exists but cannot be read as a file is never overwritten by an update.
    EXPECT_TRUE(IniFile::LoadForUpdate(home.Path("missing.ini")).has_value());
    EXPECT_FALSE(IniFile::LoadForUpdate(home.Path()).has_value());
}

}  // namespace
