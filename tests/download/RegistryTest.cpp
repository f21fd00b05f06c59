#include <gtest/gtest.h>

#include <sqlite3.h>

#include <sys/mount.h>
#include <sys/time.h>
#include <unistd.h>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "TempHome.h"
#include "download/DocRegistry.h"
#include "download/SqliteError.h"
#include "lists/ListFiles.h"
#include "lists/Options.h"
#include "lists/ResultList.h"
#include "lists/RunLog.h"
#include "lists/StatusLine.h"

namespace {

QString Sha256(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

class RegistryTest : public ::testing::Test {
  protected:
    QString DbPath() const { return home.Path("config/docdata.db"); }
    void SetUp() override { home.Write("config/.keep", ""); }

    // Runs SQL on a second, independent connection.
    static void RawSql(const QString& path, const char* sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
    }

    TempHome home;
    RunLog log{home.Path("run.log")};
    StatusLine status{&log};
    DocRegistry registry{&status};
};

TEST(SqliteError, MessageFormat) {
    EXPECT_EQ(SqliteError(5, "database is locked").Message(),
              QStringLiteral("SQLITE_BUSY[5]: database is locked"));
    EXPECT_EQ(SqliteError(1000, "Database not open").Message(),
              QStringLiteral("CPPSQLITE_ERROR[1000]: Database not open"));
    EXPECT_EQ(SqliteError(101, "x").Message(), QStringLiteral("SQLITE_DONE[101]: x"));
    EXPECT_EQ(SqliteError(26, "x").Message(), QStringLiteral("SQLITE_NOTADB[26]: x"));
    EXPECT_EQ(SqliteError(4242, "x").Message(), QStringLiteral("UNKNOWN_ERROR[4242]: x"));
}

TEST_F(RegistryTest, OperationsAnswerExactlyAndSafely) {
    ASSERT_TRUE(registry.OpenDocDatabase(DbPath()));
    const QString quoted = "http://a.example/doc?name='x'; DROP TABLE docdata; --";
    EXPECT_EQ(registry.CheckDocLink(quoted), DocRegistry::LinkCheck::Absent);
    EXPECT_EQ(registry.InsertDocLink(quoted), DocRegistry::LinkInsert::Inserted);
    EXPECT_EQ(registry.InsertDocLink(quoted), DocRegistry::LinkInsert::AlreadyPresent);
    EXPECT_EQ(registry.CheckDocLink(quoted), DocRegistry::LinkCheck::Present);
    EXPECT_EQ(registry.Count(), 1);
    EXPECT_EQ(registry.CheckDocLink("http://a.example/doc?name='X'; DROP TABLE docdata; --"),
              DocRegistry::LinkCheck::Absent);
    EXPECT_EQ(registry.CheckDocLink(QString::fromUtf8("http://例子.cn/文档.pdf")),
              DocRegistry::LinkCheck::Absent);
    EXPECT_EQ(registry.InsertDocLink(QString::fromUtf8("http://例子.cn/文档.pdf")),
              DocRegistry::LinkInsert::Inserted);
    EXPECT_EQ(registry.CheckDocLink(QString::fromUtf8("http://例子.cn/文档.pdf")),
              DocRegistry::LinkCheck::Present);

    EXPECT_EQ(registry.DelDocLinkInDatabase("http://not/there"), DocRegistry::LinkDelete::NoneOrFailed);
    RawSql(DbPath(),
           "insert into docdata values('http://twice/'); insert into docdata values('http://twice/');");
    EXPECT_EQ(registry.DelDocLinkInDatabase("http://twice/"), DocRegistry::LinkDelete::Deleted);
    EXPECT_EQ(registry.CheckDocLink("http://twice/"), DocRegistry::LinkCheck::Absent);
    EXPECT_FALSE(home.Exists("run.log"));  // no failure was reported

    registry.Close();
    DocRegistry again(&status);
    EXPECT_TRUE(again.OpenDocDatabase(DbPath()));
    EXPECT_EQ(again.CheckDocLink(quoted), DocRegistry::LinkCheck::Present);
}

TEST_F(RegistryTest, OldDatabasesOpenUnchangedAndGainTheIndex) {
    RawSql(DbPath(),
           "create table docdata(doclink char(1204)); insert into docdata values('http://old/1.pdf');");
    ASSERT_TRUE(registry.OpenDocDatabase(DbPath()));
    EXPECT_EQ(registry.CheckDocLink("http://old/1.pdf"), DocRegistry::LinkCheck::Present);
    registry.Close();
    sqlite3* db = nullptr;
    sqlite3_open(DbPath().toUtf8().constData(), &db);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "select count(*) from sqlite_master where type='index' and tbl_name='docdata'", -1,
                       &statement, nullptr);
    ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(statement, 0), 1);
    sqlite3_finalize(statement);
    sqlite3_close(db);

    // ... and the table of temporary files, which answers exactly.
    ASSERT_TRUE(registry.OpenDocDatabase(DbPath()));
    EXPECT_TRUE(registry.RecordTempFile("http://a/1.pdf", "/s/1.pdf.download.temp"));
    EXPECT_TRUE(registry.IsTempFileRecorded("http://a/1.pdf", "/s/1.pdf.download.temp"));
    EXPECT_FALSE(registry.IsTempFileRecorded("http://a/2.pdf", "/s/1.pdf.download.temp"));
    EXPECT_FALSE(registry.IsTempFileRecorded("http://a/1.pdf", "/s/2.pdf.download.temp"));
    registry.ForgetTempFile("/s/1.pdf.download.temp");
    EXPECT_FALSE(registry.IsTempFileRecorded("http://a/1.pdf", "/s/1.pdf.download.temp"));
    EXPECT_EQ(registry.Count(), 1);  // the documents are another table
}

TEST_F(RegistryTest, AnOldRegistryGainsDocumentsAndKeepsItsLinksAndShape) {
    RawSql(DbPath(),
           "create table docdata(doclink char(1204)); insert into docdata values('http://old/1.pdf');");
    ASSERT_TRUE(registry.OpenDocDatabase(DbPath()));
    EXPECT_EQ(registry.Count(), 1);
    const DocRegistry::Document old = registry.DocumentOf("http://old/1.pdf");
    EXPECT_TRUE(old.found);
    EXPECT_EQ(old.sha256, QString());
    EXPECT_EQ(old.size, -1);
    EXPECT_FALSE(registry.DocumentOf("http://not/there").found);

    const QString sum = Sha256("12345");
    home.Write("save/a.pdf", "12345");
    const QString a = home.Path("save/a.pdf");
    EXPECT_EQ(registry.ClaimDocument("http://x/a", sum, 5, a), QString());
    registry.InsertDocLink("http://x/a");
    // The same bytes again, under another link and about to be another file.
    EXPECT_EQ(registry.ClaimDocument("http://y/b", sum, 5, home.Path("save/b.pdf")), a);
    registry.InsertDocLink("http://y/b");
    EXPECT_EQ(registry.DocumentOf("http://y/b").file, a);
    EXPECT_EQ(registry.DocumentOf("http://y/b").size, 5);
    // The same digest with another size is no copy.
    EXPECT_EQ(registry.ClaimDocument("http://z/c", sum, 6, home.Path("save/c.pdf")), QString());
    registry.InsertDocLink("http://z/c");
    // A file of the recorded size is trusted only when it is a plain file with the recorded bytes: one
    // replaced by a link (to a copy that could change or go at any time) or edited in place is not.
    home.Write("elsewhere.pdf", "12345");
    ASSERT_TRUE(QFile::remove(a));
    ASSERT_EQ(::symlink(home.Path("elsewhere.pdf").toUtf8().constData(), a.toUtf8().constData()), 0);
    EXPECT_EQ(registry.ClaimDocument("http://z/l", sum, 5, home.Path("save/l.pdf")), QString());
    home.Write("save/l.pdf", "12346");
    EXPECT_EQ(registry.ClaimDocument("http://z/d", sum, 5, home.Path("save/d.pdf")), QString());
    registry.DropDocument("http://z/d", home.Path("save/d.pdf"));
    EXPECT_EQ(registry.DocumentOf("http://z/d").file, QString());
    // The records that trusted the replaced file are gone with it.
    EXPECT_EQ(registry.DocumentOf("http://y/b").file, QString());
    // A forgotten link leads nowhere.
    EXPECT_EQ(registry.DelDocLinkInDatabase("http://x/a"), DocRegistry::LinkDelete::Deleted);
    EXPECT_FALSE(registry.DocumentOf("http://x/a").found);
    registry.Close();

    // The old table keeps its one column, so whatever wrote into it before still can; a later open
    // finds the documents.
    RawSql(DbPath(), "insert into docdata values('http://peer/2.pdf');");
    ASSERT_TRUE(registry.OpenDocDatabase(DbPath()));
    EXPECT_EQ(registry.CheckDocLink("http://peer/2.pdf"), DocRegistry::LinkCheck::Present);
    EXPECT_EQ(registry.CheckDocLink("http://old/1.pdf"), DocRegistry::LinkCheck::Present);
    EXPECT_EQ(registry.DocumentOf("http://z/c").sha256, sum);
    EXPECT_FALSE(home.Exists("run.log"));  // no failure was reported
}

TEST_F(RegistryTest, DocumentRecordsOfAnotherShapeOrWithOddValuesAreNeverTrusted) {
    // A documents table someone else made: links still work, bytes are simply not compared.
    RawSql(DbPath(),
           "create table docdata(doclink char(1204)); insert into docdata values('http://a/1');"
           "create table docfiles(x);");
    ASSERT_TRUE(registry.OpenDocDatabase(DbPath()));
    EXPECT_EQ(registry.CheckDocLink("http://a/1"), DocRegistry::LinkCheck::Present);
    EXPECT_TRUE(registry.DocumentOf("http://a/1").found);
    EXPECT_EQ(registry.ClaimDocument("http://a/2", QString(64, u'c'), 3, home.Path("f")), QString());
    registry.Close();
    QFile::remove(DbPath());

    // Records that point at a folder, a missing file or nowhere, or carry text for a size.
    QDir().mkpath(home.Path("save/folder"));
    const QByteArray sql = QStringLiteral(
                               "create table docdata(doclink char(1204));"
                               "create table docfiles(doclink text, sha256 text, size integer, file text);"
                               "insert into docdata values('http://odd/1');"
                               "insert into docfiles values('http://odd/1', 'abc', 'many', NULL);"
                               "insert into docfiles values('x', 'abc', 4096, '%1');"
                               "insert into docfiles values('y', 'abc', 4096, '%2');"
                               "insert into docfiles values('z', 'abc', 4096, '');")
                               .arg(home.Path("save/folder"), home.Path("save/gone"))
                               .toUtf8();
    RawSql(DbPath(), sql.constData());
    ASSERT_TRUE(registry.OpenDocDatabase(DbPath()));
    const DocRegistry::Document odd = registry.DocumentOf("http://odd/1");
    EXPECT_TRUE(odd.found);
    EXPECT_EQ(odd.file, QString());
    EXPECT_EQ(registry.ClaimDocument("http://new/1", "abc", 4096, home.Path("save/new")), QString());
    EXPECT_EQ(registry.DocumentOf("http://new/1").file, QString());  // not in docdata until recorded
    EXPECT_EQ(registry.InsertDocLink("http://new/1"), DocRegistry::LinkInsert::Inserted);
    EXPECT_EQ(registry.DocumentOf("http://new/1").file, home.Path("save/new"));
}

TEST_F(RegistryTest, AFileThatIsNotADatabaseIsLeftAloneAndReported) {
    home.Write("config/docdata.db", "these are my notes, not a database\n");
    EXPECT_FALSE(registry.OpenDocDatabase(DbPath()));
    EXPECT_EQ(home.Read("config/docdata.db"), QByteArray("these are my notes, not a database\n"));
    EXPECT_EQ(registry.CheckDocLink("http://a/"), DocRegistry::LinkCheck::Absent);
    EXPECT_EQ(registry.InsertDocLink("http://a/"), DocRegistry::LinkInsert::Failed);
    const QByteArray logged = home.Read("run.log");
    EXPECT_TRUE(logged.contains("SQLITE_NOTADB[26]")) << logged.constData();
    EXPECT_TRUE(logged.contains("CheckDocLink CPPSQLITE_ERROR[1000]: Database not open"));
}

TEST_F(RegistryTest, ALockedDatabaseFailsAfterTheBusyTimeAndRecovers) {
    ASSERT_TRUE(registry.OpenDocDatabase(DbPath(), 100));
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(DbPath().toUtf8().constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "begin exclusive", nullptr, nullptr, nullptr), SQLITE_OK);
    // The link waits for its batch, which fails while the lock lasts and is written once it is gone.
    EXPECT_EQ(registry.InsertDocLink("http://a/locked"), DocRegistry::LinkInsert::Inserted);
    registry.CommitPending();
    EXPECT_TRUE(home.Read("run.log").contains("SQLITE_BUSY[5]"));
    EXPECT_EQ(registry.CheckDocLink("http://a/locked"), DocRegistry::LinkCheck::Present);
    sqlite3_exec(other, "rollback", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    registry.CommitPending();
    EXPECT_EQ(registry.InsertDocLink("http://a/locked"), DocRegistry::LinkInsert::AlreadyPresent);
    DocRegistry second(nullptr);
    ASSERT_TRUE(second.OpenDocDatabase(DbPath()));
    EXPECT_EQ(second.CheckDocLink("http://a/locked"), DocRegistry::LinkCheck::Present);
}

// A kill leaves the database files as they are at that moment: copies taken right after a list was
// saved are what the next run would open. Every row the saved list calls downloaded must be there,
// however the links fell into batches.
TEST_F(RegistryTest, AKillAfterAListIsSavedLosesNoDownloadedLink) {
    ASSERT_TRUE(registry.OpenDocDatabase(DbPath()));
    Options options;
    ResultList list(options, nullptr);
    list.SetRegistry(
        [this](const QString& link) { return registry.CheckDocLink(link) == DocRegistry::LinkCheck::Present; },
        [this](const QString& link) { registry.DelDocLinkInDatabase(link); }, [this] { registry.CommitPending(); });
    ListFiles files(list, options, nullptr);
    const QString saved = home.Path("saved.list");
    const QString copy = home.Path("killed/docdata.db");
    QDir().mkpath(home.Path("killed"));
    // 7 rows stay below a batch; the others fill one and leave the rest pending.
    for (const int rows : {7, DocRegistry::kBatchLinks + 200}) {
        list.ClearRows();
        for (int i = 0; i < rows; ++i) {
            const QString link = QStringLiteral("http://a.example/%1/%2.pdf").arg(rows).arg(i);
            list.AddEntry(QStringLiteral("doc %1").arg(i), "pdf", "1", link, RowStatus::Waiting);
            const RowId id = *list.IdAt(i);
            registry.InsertDocLink(link);  // as a worker does: the link first, then the row
            list.SetStatus(id, RowStatus::Downloaded);
        }
        ASSERT_EQ(files.ExportListText(saved, StatusFilter()), 1);
        for (const char* suffix : {"", "-wal"}) {
            QFile::remove(copy + suffix);
            QFile::copy(DbPath() + suffix, copy + suffix);
        }
        ResultList reloaded(options, nullptr);
        ListFiles(reloaded, options, nullptr).ImportListText(saved, StatusFilter());
        DocRegistry afterKill(nullptr);
        ASSERT_TRUE(afterKill.OpenDocDatabase(copy));
        ASSERT_EQ(reloaded.Size(), rows);
        for (const ResultEntry& entry : reloaded.Snapshot()) {
            if (entry.status.kind() != RowStatus::Kind::Downloaded) continue;
            EXPECT_EQ(afterKill.CheckDocLink(entry.link), DocRegistry::LinkCheck::Present) << entry.link.toStdString();
        }
    }
}

// New links are answered "absent" from a filter of what was read: another program's rows, also those that
// take the numbers of rows it deleted, must reach it.
TEST_F(RegistryTest, LinksAnotherProgramWritesWhileOpenAreFound) {
    RawSql(DbPath(), "create table docdata(doclink char(1204)); insert into docdata values('http://old/1');");
    ASSERT_TRUE(registry.OpenDocDatabase(DbPath()));
    EXPECT_EQ(registry.InsertDocLink("http://ours/1"), DocRegistry::LinkInsert::Inserted);
    registry.CommitPending();
    for (const char* sql : {"insert into docdata values('http://peer/1');",
                            "delete from docdata where doclink='http://peer/1'; insert into docdata values('http://peer/2');"}) {
        RawSql(DbPath(), sql);
        registry.CommitPending();
    }
    for (const char* link : {"http://old/1", "http://ours/1", "http://peer/2"})
        EXPECT_EQ(registry.CheckDocLink(link), DocRegistry::LinkCheck::Present) << link;
    for (const char* link : {"http://peer/1", "http://never/1"})
        EXPECT_EQ(registry.CheckDocLink(link), DocRegistry::LinkCheck::Absent) << link;
    EXPECT_EQ(registry.InsertDocLink("http://peer/2"), DocRegistry::LinkInsert::AlreadyPresent);
}

TEST_F(RegistryTest, DeletedWhileOpenKeepsAnswering) {
    ASSERT_TRUE(registry.OpenDocDatabase(DbPath()));
    EXPECT_EQ(registry.InsertDocLink("http://a/1"), DocRegistry::LinkInsert::Inserted);
    QFile::remove(DbPath());
    EXPECT_EQ(registry.CheckDocLink("http://a/1"), DocRegistry::LinkCheck::Present);
    registry.InsertDocLink("http://a/2");  // any answer, as long as it answers
}

// A folder made read-only for the life of the object: a read-only bind mount for root (whom
// permissions do not stop), the permission bits for anyone else. The mount is a system call, not a
// child process: a fork would blind ThreadSanitizer to this process's locks for the tests after it.
class ReadOnlyView {
  public:
    explicit ReadOnlyView(const QString& folder) {
        if (::geteuid() != 0) {
            path_ = folder;
            chmod_ = QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            return;
        }
        const QString view = folder + "-ro";
        QDir().mkpath(view);
        const QByteArray source = QFile::encodeName(folder), target = QFile::encodeName(view);
        if (::mount(source.constData(), target.constData(), nullptr, MS_BIND, nullptr) != 0) return;
        mounted_ = target;
        if (::mount(nullptr, target.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0)
            path_ = view;
    }
    ~ReadOnlyView() {
        if (chmod_)
            QFile::setPermissions(path_,
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        if (!mounted_.isEmpty()) ::umount(mounted_.constData());
    }
    // Empty when the folder could not be made read-only here.
    QString Path() const { return path_; }

  private:
    QString path_;
    QByteArray mounted_;
    bool chmod_ = false;
};

TEST_F(RegistryTest, AReadOnlyHomeIsReadAndAnswersTruthfully) {
    ASSERT_TRUE(registry.OpenDocDatabase(DbPath()));
    ASSERT_EQ(registry.InsertDocLink("http://a/kept.pdf"), DocRegistry::LinkInsert::Inserted);
    registry.Close();
    const ReadOnlyView view(home.Path("config"));
    if (view.Path().isEmpty()) GTEST_SKIP() << "cannot make a read-only folder here (no mount, no chmod)";
    if (QFile::exists(view.Path() + "/probe") || QFile(view.Path() + "/probe").open(QIODevice::WriteOnly))
        GTEST_SKIP() << "the folder is still writable";

    DocRegistry readOnly{&status};
    ASSERT_TRUE(readOnly.OpenDocDatabase(view.Path() + "/docdata.db"));
    EXPECT_TRUE(readOnly.IsReadOnly());
    EXPECT_EQ(readOnly.CheckDocLink("http://a/kept.pdf"), DocRegistry::LinkCheck::Present);
    EXPECT_EQ(readOnly.CheckDocLink("http://a/other.pdf"), DocRegistry::LinkCheck::Absent);
    EXPECT_EQ(readOnly.Count(), 1);
    EXPECT_EQ(readOnly.InsertDocLink("http://a/new.pdf"), DocRegistry::LinkInsert::Failed);
    EXPECT_TRUE(readOnly.DocumentOf("http://a/kept.pdf").found);
    EXPECT_EQ(readOnly.ClaimDocument("http://a/new.pdf", QString(64, u'b'), 1, home.Path("x")), QString());
    EXPECT_TRUE(status.Current().contains("read-only")) << status.Current().toStdString();
    readOnly.Close();
}

TEST_F(RegistryTest, PartialFilesKeepTheirValidatorAndOnlyRecordedStaleOnesAreCleaned) {
    // A registry from before validators: its table of temporary files gains the column.
    RawSql(DbPath(),
           "create table docdata(doclink char(1204)); create table tempfiles(doclink text, path text);");
    ASSERT_TRUE(registry.OpenDocDatabase(DbPath()));
    const QString fresh = home.Path("save/fresh.pdf.download.temp");
    const QString stale = home.Path("save/stale.pdf.download.temp");
    const QString foreign = home.Path("save/foreign.pdf.download.temp");
    const QString planted = home.Path("save/planted.pdf.download.temp");
    home.Write("save/fresh.pdf.download.temp", "fresh");
    home.Write("save/stale.pdf.download.temp", "stale");
    home.Write("save/foreign.pdf.download.temp", "not ours");
    home.Write("victim.txt", "precious");
    ASSERT_EQ(::symlink(home.Path("victim.txt").toUtf8().constData(), planted.toUtf8().constData()), 0);
    for (const QString& path : {fresh, stale, planted})
        EXPECT_TRUE(registry.RecordTempFile("http://a/" + path, path));
    registry.RecordTempFile("http://a/gone", home.Path("save/gone.pdf.download.temp"));
    registry.SetTempFileValidator(fresh, "\"tag-1\"", 40000);
    EXPECT_EQ(registry.TempFileValidator(fresh), "\"tag-1\"");
    EXPECT_EQ(registry.TempFileValidator(stale), "");
    EXPECT_FALSE(home.Exists("run.log"));

    const timeval eightDaysAgo[2] = {{time(nullptr) - 8 * 24 * 3600, 0}, {time(nullptr) - 8 * 24 * 3600, 0}};
    for (const QString& path : {stale, foreign})
        ASSERT_EQ(::utimes(path.toUtf8().constData(), eightDaysAgo), 0);
    ASSERT_EQ(::lutimes(planted.toUtf8().constData(), eightDaysAgo), 0);
    registry.Close();

    // A later run: the week-old partial file it made goes, everything else stays.
    DocRegistry later(&status);
    ASSERT_TRUE(later.OpenDocDatabase(DbPath()));
    EXPECT_FALSE(home.Exists("save/stale.pdf.download.temp"));
    EXPECT_FALSE(later.IsTempFileRecorded("http://a/" + stale, stale));
    EXPECT_EQ(home.Read("save/fresh.pdf.download.temp"), QByteArray("fresh"));
    EXPECT_EQ(later.TempFileValidator(fresh), "\"tag-1\"");
    EXPECT_EQ(later.TempFileTotal(fresh), 40000);  // the size a resume must still find
    EXPECT_EQ(later.TempFileTotal(foreign), -1);
    EXPECT_EQ(home.Read("save/foreign.pdf.download.temp"), QByteArray("not ours"));
    EXPECT_TRUE(QFileInfo(planted).isSymLink());
    EXPECT_EQ(home.Read("victim.txt"), QByteArray("precious"));
    EXPECT_FALSE(later.IsTempFileRecorded("http://a/gone", home.Path("save/gone.pdf.download.temp")));
    EXPECT_EQ(later.RemoveStaleTempFiles(DocRegistry::kStaleTempSeconds), 0);
}

}  // namespace

// Transfers record their documents a moment before the files take their names. Another transfer's claim
// in that moment finds such a file missing: a record of this run is no stale one to forget with its link.
TEST_F(RegistryTest, AClaimNeverForgetsADocumentWhoseFileIsAboutToTakeItsName) {
    ASSERT_TRUE(registry.OpenDocDatabase(DbPath()));
    const QByteArray bytes(100, 'a');
    registry.RecordDocument("http://h/unhashed", 100, home.Path("unhashed.pdf"), "head");
    EXPECT_TRUE(registry.ClaimDocumentWithHead("http://h/claimed", Sha256(bytes), 100, home.Path("claimed.pdf"), "head")
                    .isEmpty());
    EXPECT_TRUE(registry.ClaimDocumentWithHead("http://h/third", Sha256(QByteArray(100, 'b')), 100,
                                               home.Path("third.pdf"), "head")
                    .isEmpty());
    for (const char* link : {"http://h/unhashed", "http://h/claimed", "http://h/third"}) {
        registry.InsertDocLink(link);
        EXPECT_FALSE(registry.DocumentOf(link).file.isEmpty()) << link;
    }
    // Once its file holds the bytes, a later transfer of them is matched with it.
    home.Write("claimed.pdf", bytes);
    EXPECT_EQ(registry.ClaimDocumentWithHead("http://h/mirror", Sha256(bytes), 100, home.Path("mirror.pdf"), "head"),
              home.Path("claimed.pdf"));
    // Another process on the same home tells a file about to take its name by the temporary file beside it,
    // and forgets only a record whose file is gone with no transfer in flight.
    registry.CommitPending();
    DocRegistry peer{&status};
    ASSERT_TRUE(peer.OpenDocDatabase(DbPath()));
    home.Write("unhashed.pdf.download.temp", QByteArray(100, 'c'));
    EXPECT_TRUE(peer.ClaimDocumentWithHead("http://p/1", Sha256(QByteArray(100, 'd')), 100, home.Path("p1.pdf"), "head")
                    .isEmpty());
    EXPECT_EQ(peer.DocumentOf("http://h/unhashed").file, home.Path("unhashed.pdf"));
    QFile::remove(home.Path("unhashed.pdf.download.temp"));
    peer.ClaimDocumentWithHead("http://p/2", Sha256(QByteArray(100, 'e')), 100, home.Path("p2.pdf"), "head");
    EXPECT_TRUE(peer.DocumentOf("http://h/unhashed").file.isEmpty());
}
