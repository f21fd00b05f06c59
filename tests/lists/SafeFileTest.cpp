#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>

#include "SmallDisk.h"
#include "TempHome.h"
#include "lists/IniFile.h"
#include "lists/ListFiles.h"
#include "lists/Options.h"
#include "lists/Profile.h"
#include "lists/ResultList.h"
#include "lists/SafeFile.h"
#include "search/KeywordList.h"

namespace {

QStringList Names(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// The stand-in calls fail the way a full or failing disk does.
ssize_t WriteHalfThenNoSpace(int fd, const void* data, size_t size) {
    static thread_local bool wroteHalf = false;
    if (!wroteHalf && size > 1) {
        wroteHalf = true;
        return ::write(fd, data, size / 2);
    }
    wroteHalf = false;
    errno = ENOSPC;
    return -1;
}
ssize_t WriteNothing(int, const void*, size_t) {
    return 0;
}
int FsyncFails(int) {
    errno = EIO;
    return -1;
}
int CloseFails(int fd) {
    ::close(fd);
    errno = EIO;
    return -1;
}

class StandInCalls {
  public:
    explicit StandInCalls(const SafeFile::SystemCalls& calls) : calls_(calls) {
        SafeFile::SetSystemCallsForTesting(&calls_);
    }
    ~StandInCalls() { SafeFile::SetSystemCallsForTesting(nullptr); }

  private:
    SafeFile::SystemCalls calls_;
};

TEST(SafeFile, EveryFailedStepKeepsTheOldFileAndLeavesNoTemporaryFile) {
    struct Case {
        const char* name;
        SafeFile::SystemCalls calls;
        const char* reason;
    };
    const Case cases[] = {
        {"short write", {WriteHalfThenNoSpace, ::fsync, ::close}, "No space left on device"},
        {"write of nothing", {WriteNothing, ::fsync, ::close}, "No space left on device"},
        {"sync", {::write, FsyncFails, ::close}, "Input/output error"},
        {"close", {::write, ::fsync, CloseFails}, "Input/output error"},
    };
    for (const Case& c : cases) {
        TempHome home;
        home.Write("keep.ini", "[FILE_FREE_DOC]\nTimeOut=5\n");
        QString error;
        {
            StandInCalls standIn(c.calls);
            EXPECT_FALSE(SafeFile::Write(home.Path("keep.ini"), QByteArray(10000, 'x'), &error)) << c.name;
        }
        EXPECT_TRUE(error.contains(QLatin1StringView(c.reason))) << c.name << ": " << error.toStdString();
        EXPECT_EQ(home.Read("keep.ini"), QByteArray("[FILE_FREE_DOC]\nTimeOut=5\n")) << c.name;
        EXPECT_EQ(Names(home.Path()), QStringList{"keep.ini"}) << c.name;
    }
    TempHome home;
    EXPECT_TRUE(SafeFile::Write(home.Path("new.txt"), "after"));  // the real calls are back
    EXPECT_EQ(home.Read("new.txt"), QByteArray("after"));
}

TEST(SafeFile, RefusesWhatIsNotARegularFileAndWritesThroughLinks) {
    TempHome home;
    QDir().mkpath(home.Path("folder"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(home.Path("pipe")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link("/dev/null", home.Path("null")));
    for (const char* name : {"folder", "pipe", "null"}) {
        QString error;
        EXPECT_FALSE(SafeFile::Write(home.Path(name), "x", &error)) << name;
        EXPECT_TRUE(error.contains("not a regular file")) << name;
    }
    EXPECT_TRUE(QFileInfo(home.Path("folder")).isDir());
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(home.Path("pipe")).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    // A link to a list file stays a link, and the file it names keeps its permissions.
    home.Write("real.list", "old\n");
    ASSERT_EQ(::chmod(QFile::encodeName(home.Path("real.list")).constData(), 0640), 0);
    ASSERT_TRUE(QFile::link(home.Path("real.list"), home.Path("link.list")));
    EXPECT_TRUE(SafeFile::Write(home.Path("link.list"), "new\n"));
    EXPECT_TRUE(QFileInfo(home.Path("link.list")).isSymLink());
    EXPECT_EQ(home.Read("real.list"), QByteArray("new\n"));
    ASSERT_EQ(::stat(QFile::encodeName(home.Path("real.list")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    // Replace takes the name over: the link goes, the file it named (even a dangling one's) is untouched.
    ASSERT_TRUE(QFile::link(home.Path("absent.txt"), home.Path("dangling.list")));
    for (const char* name : {"link.list", "dangling.list"}) {
        EXPECT_TRUE(SafeFile::Replace(home.Path(name), "replaced\n")) << name;
        EXPECT_FALSE(QFileInfo(home.Path(name)).isSymLink()) << name;
        EXPECT_EQ(home.Read(name), QByteArray("replaced\n")) << name;
    }
    EXPECT_EQ(home.Read("real.list"), QByteArray("new\n"));
    EXPECT_FALSE(home.Exists("absent.txt"));
    EXPECT_FALSE(SafeFile::Replace(home.Path("folder"), "x"));
}

TEST(SafeFile, AFullDiskCostsNoFileAndEverySaverSaysWhy) {
    SmallDisk disk;
    if (!disk.Mounted()) GTEST_SKIP() << disk.Why().toStdString();
    const QString ini = disk.Path("Setting.ini");
    const QString keys = disk.Path("key.list");
    const QString list = disk.Path("a.xml");
    Options options;
    options.Load(IniFile());
    options.SetCommittedText(SettingKey::SaveFolder, "/data");
    ASSERT_TRUE(options.Save(Profile(ini)));
    KeywordList keywords(keys);
    keywords.AddKeyword("first");
    ASSERT_TRUE(keywords.SaveKeywordFile());
    ResultList results(options, nullptr);
    ListFiles files(results, options, nullptr);
    ASSERT_EQ(results.AddLinkIfNew("http://h/a.pdf"), 1);
    ASSERT_EQ(results.AddEntry("a", "pdf", "1", "http://h/a.pdf", RowStatus::Waiting),
              ResultList::AddResult::Added);
    ASSERT_EQ(files.ExportListXml(list, StatusFilter()), 1);
    auto read = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray iniBefore = read(ini), keysBefore = read(keys), listBefore = read(list),
                     twinBefore = read(list + ".list");
    ASSERT_FALSE(listBefore.isEmpty());

    disk.Fill();
    QString error;
    EXPECT_FALSE(options.Save(Profile(ini), &error));
    EXPECT_TRUE(error.contains("No space left on device")) << error.toStdString();
    keywords.AddKeyword("second");
    EXPECT_FALSE(keywords.SaveKeywordFile(&error));
    EXPECT_EQ(files.ExportListXml(list, StatusFilter()), 0);
    EXPECT_TRUE(files.LastError().contains(list)) << files.LastError().toStdString();
    EXPECT_FALSE(files.AppendListText(list + ".list"));
    EXPECT_TRUE(files.LastError().contains("No space left on device"));

    EXPECT_EQ(read(ini), iniBefore);
    EXPECT_EQ(read(keys), keysBefore);
    EXPECT_EQ(read(list), listBefore);
    EXPECT_EQ(read(list + ".list"), twinBefore);
    QStringList names = Names(disk.Path());
    names.sort();
    EXPECT_EQ(names, (QStringList{"Setting.ini", "a.xml", "a.xml.list", "filler", "key.list"}));
}

}  // namespace
