#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMap>
#include <QThread>
#include <atomic>
#include <mutex>
#include <set>

#include "LocalServer.h"
#include "TempHome.h"
#include "net/ContentCheck.h"
#include "net/DocumentLedger.h"
#include "net/FileDownload.h"
#include "net/TempFileLedger.h"

namespace {

QStringList OpenDescriptors() {
    QStringList targets;
    for (const QFileInfo& fd : QDir("/proc/self/fd").entryInfoList(QDir::NoDotAndDotDot | QDir::System)) {
        targets.append(fd.symLinkTarget());
    }
    return targets;
}

void WaitFinished(const FileDownload& transfer) {
    while (!transfer.Finished()) QThread::msleep(5);
}

QString Sha256(const std::string& bytes) {
    return QString::fromLatin1(
        QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha256).toHex());
}

// Answers every claim with `same` and remembers the last one.
struct ClaimRecorder : DocumentLedger {
    QString ClaimDocument(const QString& link, const QString& sha256, qint64 size,
                          const QString& file) override {
        std::lock_guard lock(mutex);
        claims.append(QStringList{link, sha256, QString::number(size), file});
        return same;
    }
    void DropDocument(const QString& link, const QString& file) override {
        std::lock_guard lock(mutex);
        drops.append(QStringList{link, file});
    }
    std::mutex mutex;
    QString same;
    QList<QStringList> claims;
    QList<QStringList> drops;
};

struct MemoryLedger : TempFileLedger {
    bool IsTempFileRecorded(const QString& link, const QString& path) override {
        std::lock_guard lock(mutex);
        return records.count({link, path}) > 0;
    }
    bool RecordTempFile(const QString& link, const QString& path) override {
        std::lock_guard lock(mutex);
        fileBeforeRecord = fileBeforeRecord || QFileInfo::exists(path);
        records.insert({link, path});
        return true;
    }
    void ForgetTempFile(const QString& path) override {
        std::lock_guard lock(mutex);
        std::erase_if(records, [&](const auto& record) { return record.second == path; });
    }
    size_t Size() {
        std::lock_guard lock(mutex);
        return records.size();
    }
    QString TempFileValidator(const QString& path) override {
        std::lock_guard lock(mutex);
        return validators.value(path);
    }
    qint64 TempFileTotal(const QString& path) override {
        std::lock_guard lock(mutex);
        return totals.value(path, -1);
    }
    void SetTempFileValidator(const QString& path, const QString& validator, qint64 total = -1) override {
        std::lock_guard lock(mutex);
        validators[path] = validator;
        totals[path] = total;
    }
    std::mutex mutex;
    std::set<std::pair<QString, QString>> records;
    bool fileBeforeRecord = false;  // a kill in between would have left a file no run takes for its own
    QMap<QString, QString> validators;
    QMap<QString, qint64> totals;
};

class TransferTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto& http = server.Http();
        http.Get("/file", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string(300000, 'x'), "application/pdf");
        });
        http.Get("/sized/(\\d+)", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(std::string(std::stoul(req.matches[1]), 's'), "application/pdf");
        });
        http.Get("/unsized", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("application/pdf", [](size_t offset, httplib::DataSink& sink) {
                if (offset < 5000) {
                    sink.write("0123456789", 10);
                } else {
                    sink.done();
                }
                return true;
            });
        });
        http.Get("/truncated", [](const httplib::Request&, httplib::Response& res) {
            // Promises 100,000 bytes, sends 1,000 and closes the connection.
            res.set_content_provider(100000, "application/pdf",
                                     [](size_t offset, size_t, httplib::DataSink& sink) {
                                         if (offset == 0)
                                             return sink.write(std::string(1000, 't').data(), 1000);
                                         return false;
                                     });
        });
        http.Get("/moved",
                 [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/file", 302); });
        http.Get("/missing", [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
        http.Get("/loop",
                 [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/loop", 302); });
        http.Get("/locked", [](const httplib::Request&, httplib::Response& res) {
            res.status = 401;
            res.set_content("who are you", "text/plain");
        });
        http.Get("/stall", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(1000000, "application/pdf",
                                     [this](size_t offset, size_t, httplib::DataSink& sink) {
                                         if (offset == 0)
                                             return sink.write(std::string(1000, 'p').data(), 1000);
                                         while (!releaseStall.load())
                                             std::this_thread::sleep_for(std::chrono::milliseconds(10));
                                         return false;
                                     });
        });
        // 100,000 bytes whose content depends on the version its ETag names; cut after 60% when asked.
        http.Get("/resumable", [this](const httplib::Request& req, httplib::Response& res) {
            const std::string tag = Tag();
            const std::string body = Body(tag);
            res.set_header("ETag", tag);
            {
                std::lock_guard lock(seenMutex);
                seenRange = req.get_header_value("Range");
                seenIfRange = req.get_header_value("If-Range");
            }
            if (cutNext.exchange(false)) {
                res.set_content_provider(body.size(), "application/pdf",
                                         [body](size_t offset, size_t, httplib::DataSink& sink) {
                                             if (offset == 0) return sink.write(body.data(), 60000);
                                             return false;
                                         });
                return;
            }
            if (req.ranges.size() == 1 && req.get_header_value("If-Range") == tag) {
                if (req.ranges[0].first >= ssize_t(body.size())) {
                    res.status = 416;
                    res.set_header("Content-Range", "bytes */" + std::to_string(body.size()));
                    return;
                }
                res.set_content(body, "application/pdf");  // the library answers the range with a 206
                return;
            }
            // A whole new answer: chunked, so the library does not cut the range out of it.
            res.status = 200;
            res.set_chunked_content_provider(
                "application/pdf", [body](size_t offset, httplib::DataSink& sink) {
                    if (offset < body.size()) {
                        sink.write(body.data() + offset, std::min<size_t>(10000, body.size() - offset));
                    } else {
                        sink.done();
                    }
                    return true;
                });
        });
        // Version "v2" of /resumable from a server that answers ranges its own way (`liar`): whole
        // bodies and 206s alike go out chunked, as they are.
        http.Get("/liar", [this](const httplib::Request& req, httplib::Response& res) {
            const size_t from = req.ranges.size() == 1 ? size_t(req.ranges[0].first) : 0;
            const std::string body = Body("\"v2\"") + (from > 0 && liar == Liar::Grown ? "grown" : "");
            res.set_header("ETag", liar == Liar::OldValidator ? "\"v1\"" : "\"v2\"");
            {
                std::lock_guard lock(seenMutex);
                liarRanges.push_back(req.get_header_value("Range"));
            }
            size_t first = from, last = body.size() - 1;
            if (liar == Liar::OtherOffset) first -= 1000;
            if (liar == Liar::ShortParts) last = std::min(last, from + 9999);
            if (from > 0 && (liar == Liar::Shrunk || liar == Liar::ShrunkSameTag)) {
                res.status = 416;
                res.set_header("Content-Range", "bytes */" + std::to_string(from));
                return;
            }
            if (from > 0) {
                res.status = 206;
                res.set_header("Content-Range", "bytes " + std::to_string(first) + "-" +
                                                    std::to_string(last) + "/" + std::to_string(body.size()));
            }
            const std::string part = from > 0 ? body.substr(first, last - first + 1) : body;
            res.set_chunked_content_provider(
                "application/pdf", [part](size_t offset, httplib::DataSink& sink) {
                    if (offset < part.size()) return sink.write(part.data() + offset, part.size() - offset);
                    sink.done();
                    return true;
                });
        });
        http.Get("/page.pdf", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<!DOCTYPE html><html><body>log in</body></html>", "application/pdf");
        });
        server.Start();
    }

    void TearDown() override { releaseStall.store(true); }

    std::string Tag() {
        std::lock_guard lock(seenMutex);
        return etag;
    }
    static std::string Body(const std::string& tag) {
        std::string body(100000, '\0');
        for (size_t i = 0; i < body.size(); ++i) body[i] = char((i * 7 + tag.size() + size_t(tag[2])) % 251);
        return body;
    }
    std::pair<std::string, std::string> Seen() {
        std::lock_guard lock(seenMutex);
        return {seenRange, seenIfRange};
    }

    LocalServer server;
    TempHome home;
    std::atomic<bool> releaseStall{false};
    std::atomic<bool> cutNext{false};
    std::mutex seenMutex;
    std::string etag = "\"v1\"";
    std::string seenRange;
    std::string seenIfRange;
    enum class Liar { IgnoresIfRange, OtherOffset, ShortParts, OldValidator, Shrunk, ShrunkSameTag, Grown };
    std::atomic<Liar> liar{Liar::IgnoresIfRange};  // set between transfers
    std::vector<std::string> liarRanges;           // under seenMutex
};

TEST_F(TransferTest, CompleteFileAppearsOnlyUnderItsFinalName) {
    FileDownload transfer;
    ASSERT_TRUE(transfer.Start(server.Url("/moved"), home.Path("a.pdf"), {}, {}, false));
    WaitFinished(transfer);
    EXPECT_TRUE(transfer.Succeeded());
    EXPECT_EQ(transfer.Progress(), 100);
    EXPECT_EQ(transfer.ContentLength(), 300000);
    EXPECT_EQ(home.Read("a.pdf").size(), 300000);
    EXPECT_FALSE(home.Exists("a.pdf.download.temp"));
}

TEST_F(TransferTest, ExistingTargetNeedsOverwrite) {
    home.Write("a.pdf", "old");
    FileDownload refused;
    EXPECT_FALSE(refused.Start(server.Url("/file"), home.Path("a.pdf"), {}, {}, false));
    EXPECT_FALSE(home.Exists("a.pdf.download.temp"));
    EXPECT_EQ(home.Read("a.pdf"), QByteArray("old"));

    FileDownload replacing;
    ASSERT_TRUE(replacing.Start(server.Url("/file"), home.Path("a.pdf"), {}, {}, true));
    WaitFinished(replacing);
    EXPECT_TRUE(replacing.Succeeded());
    EXPECT_EQ(home.Read("a.pdf").size(), 300000);
}

TEST_F(TransferTest, StatusBranchesDecideWhatStaysOnDisk) {
    FileDownload missing;
    ASSERT_TRUE(missing.Start(server.Url("/missing"), home.Path("m.pdf"), {}, {}, false));
    WaitFinished(missing);
    EXPECT_FALSE(missing.Succeeded());
    EXPECT_EQ(missing.FailureReason(), "HTTP 404");
    EXPECT_FALSE(home.Exists("m.pdf"));
    EXPECT_FALSE(home.Exists("m.pdf.download.temp"));

    FileDownload locked;
    ASSERT_TRUE(locked.Start(server.Url("/locked"), home.Path("l.pdf"), {}, {}, false));
    WaitFinished(locked);
    EXPECT_FALSE(locked.Succeeded());
    EXPECT_EQ(locked.FailureReason(), "HTTP 401: the server asks for a login");
    EXPECT_FALSE(home.Exists("l.pdf"));
    EXPECT_FALSE(home.Exists("l.pdf.download.temp"));  // a refusal leaves nothing behind

    FileDownload truncated;
    ASSERT_TRUE(truncated.Start(server.Url("/truncated"), home.Path("t.pdf"), {}, {}, false));
    WaitFinished(truncated);
    EXPECT_FALSE(truncated.Succeeded());
    EXPECT_FALSE(truncated.FailureReason().isEmpty());
    EXPECT_FALSE(home.Exists("t.pdf"));  // a file under its final name is always complete
    EXPECT_FALSE(home.Exists("t.pdf.download.temp"));

    FileDownload loop;
    ASSERT_TRUE(loop.Start(server.Url("/loop"), home.Path("r.pdf"), {}, {}, false));
    WaitFinished(loop);
    EXPECT_EQ(loop.FailureReason(),
              "too many redirects (20): the server redirects in a loop, last to " + server.Url("/loop"));
    EXPECT_FALSE(home.Exists("r.pdf.download.temp"));

    FileDownload nowhere;
    ASSERT_TRUE(nowhere.Start("http://127.0.0.1:1/x", home.Path("n.pdf"), {}, {}, false));
    WaitFinished(nowhere);
    EXPECT_FALSE(nowhere.Succeeded());
    EXPECT_TRUE(nowhere.FailureReason().contains("127.0.0.1")) << nowhere.FailureReason().toStdString();
    EXPECT_FALSE(home.Exists("n.pdf.download.temp"));

    // Each refusal to start says which cause it is.
    FileDownload unparsable;
    EXPECT_FALSE(unparsable.Start("http://", home.Path("u.pdf"), {}, {}, false));
    EXPECT_EQ(unparsable.LastStartFailure(), FileDownload::StartFailure::BadAddress);
    FileDownload noFolder;
    EXPECT_FALSE(noFolder.Start(server.Url("/file"), home.Path("no/such/dir/f.pdf"), {}, {}, false));
    EXPECT_EQ(noFolder.LastStartFailure(), FileDownload::StartFailure::TempNotCreated);
    EXPECT_EQ(noFolder.StartFailureText(), "the folder " + home.Path("no/such/dir") + " does not exist");
    home.Write("e.pdf", "x");
    FileDownload exists;
    EXPECT_FALSE(exists.Start(server.Url("/file"), home.Path("e.pdf"), {}, {}, false));
    EXPECT_EQ(exists.LastStartFailure(), FileDownload::StartFailure::TargetExists);
}

TEST_F(TransferTest, SizeRule) {
    EXPECT_TRUE(FileDownload::SizeAllowed(1, 0, 5));
    EXPECT_FALSE(FileDownload::SizeAllowed(0, 0, 5));
    EXPECT_TRUE(FileDownload::SizeAllowed(99999, 10240, 5120));
    EXPECT_FALSE(FileDownload::SizeAllowed(0, 10240, 5120));
    EXPECT_TRUE(FileDownload::SizeAllowed(10240, 10240, 20480));
    EXPECT_TRUE(FileDownload::SizeAllowed(20480, 10240, 20480));
    EXPECT_FALSE(FileDownload::SizeAllowed(10239, 10240, 20480));
    EXPECT_FALSE(FileDownload::SizeAllowed(20481, 10240, 20480));
    EXPECT_TRUE(FileDownload::SizeAllowed(qint64(5) << 30, 1, qint64(6) << 30));  // beyond 4 GiB

    FileDownload small;
    small.SetSizeLimit(true, 10240, 20480);
    ASSERT_TRUE(small.Start(server.Url("/sized/10239"), home.Path("s.pdf"), {}, {}, false));
    WaitFinished(small);
    EXPECT_FALSE(small.Succeeded());
    EXPECT_EQ(small.FailureReason(), "10239 bytes: outside the size limit");
    EXPECT_FALSE(home.Exists("s.pdf.download.temp"));
    EXPECT_FALSE(home.Exists("s.pdf"));

    FileDownload fits;
    fits.SetSizeLimit(true, 10240, 20480);
    ASSERT_TRUE(fits.Start(server.Url("/sized/20480"), home.Path("f.pdf"), {}, {}, false));
    WaitFinished(fits);
    EXPECT_TRUE(fits.Succeeded());
    EXPECT_EQ(fits.FailureReason(), QString());

    // Without a length the rule cannot apply, and progress stays 0.
    FileDownload unsized;
    unsized.SetSizeLimit(true, 1000000, 2000000);
    ASSERT_TRUE(unsized.Start(server.Url("/unsized"), home.Path("u.pdf"), {}, {}, false));
    WaitFinished(unsized);
    EXPECT_TRUE(unsized.Succeeded());
    EXPECT_EQ(unsized.ContentLength(), 0);
    EXPECT_EQ(unsized.Progress(), 0);
    EXPECT_EQ(home.Read("u.pdf").size(), 5000);
}

TEST_F(TransferTest, KillAbandonsAStalledTransferAndLeaksNothing) {
    const qsizetype before = OpenDescriptors().size();
    {
        FileDownload transfer;
        ASSERT_TRUE(transfer.Start(server.Url("/stall"), home.Path("k.pdf"), {}, {}, false));
        while (transfer.Received() == 0) QThread::msleep(5);
        transfer.Kill();
        EXPECT_FALSE(OpenDescriptors().join(' ').contains("k.pdf")) << "the temporary file is still open";
        EXPECT_TRUE(transfer.Finished());
        EXPECT_FALSE(transfer.Succeeded());
        EXPECT_FALSE(home.Exists("k.pdf"));
        EXPECT_TRUE(home.Exists("k.pdf.download.temp"));  // the one who killed it decides
        transfer.RemoveTemp();
        EXPECT_FALSE(home.Exists("k.pdf.download.temp"));
    }
    // The server side of the connection lives in this process too; give it a moment to close.
    releaseStall.store(true);
    for (int i = 0; i < 300 && OpenDescriptors().size() != before; ++i) QThread::msleep(10);
    EXPECT_EQ(OpenDescriptors().size(), before);
}

TEST_F(TransferTest, TheTemporaryNameIsUsedOnlyForOurOwnFile) {
    MemoryLedger ledger;
    const QString link = server.Url("/file");
    const QString temp = home.Path("x.pdf.download.temp");
    auto start = [&](FileDownload& transfer) {
        transfer.SetLedger(&ledger);
        return transfer.Start(link, home.Path("x.pdf"), {}, {}, false);
    };
    auto refused = [&](const char* what) {
        FileDownload transfer;
        EXPECT_FALSE(start(transfer)) << what;
        EXPECT_EQ(transfer.LastStartFailure(), FileDownload::StartFailure::TempTaken) << what;
        EXPECT_FALSE(home.Exists("x.pdf")) << what;
    };
    home.Write("victim.txt", "precious");

    // A planted link, even one the ledger names, is never followed.
    ASSERT_EQ(::symlink(home.Path("victim.txt").toUtf8().constData(), temp.toUtf8().constData()), 0);
    refused("link");
    ledger.RecordTempFile(link, temp);
    refused("recorded link");
    EXPECT_TRUE(QFileInfo(temp).isSymLink());
    ::unlink(temp.toUtf8().constData());

    // A second name of another file, a FIFO, a folder: left alone, and nothing hangs on the FIFO.
    ASSERT_EQ(::link(home.Path("victim.txt").toUtf8().constData(), temp.toUtf8().constData()), 0);
    refused("hard link");
    ::unlink(temp.toUtf8().constData());
    ASSERT_EQ(::mkfifo(temp.toUtf8().constData(), 0600), 0);
    refused("fifo");
    ::unlink(temp.toUtf8().constData());
    QDir().mkpath(temp);
    refused("folder");
    QDir().rmdir(temp);
    EXPECT_EQ(home.Read("victim.txt"), QByteArray("precious"));

    // A plain file is reused only when it was recorded for this very link.
    ledger.records.clear();
    home.Write("x.pdf.download.temp", "someone else's");
    refused("unrecorded");
    ledger.RecordTempFile(server.Url("/other"), temp);
    refused("another link's");
    EXPECT_EQ(home.Read("x.pdf.download.temp"), QByteArray("someone else's"));

    ledger.RecordTempFile(link, temp);
    {
        // Another run on the same home is still writing it.
        const int writer = ::open(temp.toUtf8().constData(), O_WRONLY);
        ASSERT_EQ(::flock(writer, LOCK_EX), 0);
        refused("being written");
        ::close(writer);
    }
    FileDownload resumed;
    ASSERT_TRUE(start(resumed));
    WaitFinished(resumed);
    EXPECT_TRUE(resumed.Succeeded());
    EXPECT_EQ(home.Read("x.pdf").size(), 300000);
}

TEST_F(TransferTest, EveryTemporaryFileMadeIsRecordedUntilItIsGone) {
    MemoryLedger ledger;
    {
        FileDownload transfer;
        transfer.SetLedger(&ledger);
        ASSERT_TRUE(transfer.Start(server.Url("/stall"), home.Path("k.pdf"), {}, {}, false));
        while (transfer.Received() == 0) QThread::msleep(5);
        EXPECT_TRUE(ledger.IsTempFileRecorded(server.Url("/stall"), home.Path("k.pdf.download.temp")));
        transfer.Kill();
    }
    // Abandoned and not removed: still ours, so a later run may take it up.
    EXPECT_EQ(ledger.Size(), 1u);
    EXPECT_FALSE(ledger.fileBeforeRecord);
    for (const char* path : {"/file", "/missing"}) {
        FileDownload transfer;
        transfer.SetLedger(&ledger);
        ASSERT_TRUE(transfer.Start(server.Url(path), home.Path("d.pdf"), {}, {}, true));
        WaitFinished(transfer);
    }
    EXPECT_EQ(ledger.Size(), 1u);
}

TEST_F(TransferTest, AddressWithoutScheme) {
    FileDownload transfer;
    const QString schemeless = server.Url("/file").mid(int(qstrlen("http://")));
    ASSERT_TRUE(transfer.Start(schemeless, home.Path("w.pdf"), {}, {}, false));
    WaitFinished(transfer);
    EXPECT_TRUE(transfer.Succeeded());
}

TEST_F(TransferTest, ACutTransferResumesWhereItStoppedAndTheFileIsIdentical) {
    MemoryLedger ledger;
    const QString link = server.Url("/resumable");
    const QString temp = home.Path("r.pdf.download.temp");
    cutNext.store(true);
    {
        FileDownload cut;
        cut.SetLedger(&ledger);
        ASSERT_TRUE(cut.Start(link, home.Path("r.pdf"), {}, {}, false));
        WaitFinished(cut);
        EXPECT_FALSE(cut.Succeeded());
    }
    EXPECT_FALSE(home.Exists("r.pdf"));
    EXPECT_EQ(home.Read("r.pdf.download.temp").size(), 60000);
    EXPECT_EQ(ledger.TempFileValidator(temp), "\"v1\"");
    EXPECT_EQ(ledger.TempFileTotal(temp), 100000);  // the size its Content-Length announced

    {
        ClaimRecorder documents;
        FileDownload rest;
        rest.SetLedger(&ledger);
        rest.SetDocumentLedger(&documents);
        ASSERT_TRUE(rest.Start(link, home.Path("r.pdf"), {}, {}, false));
        WaitFinished(rest);
        EXPECT_TRUE(rest.Succeeded());
        // The kept 60% were hashed before the rest was appended.
        EXPECT_EQ(rest.Sha256(), Sha256(Body("\"v1\"")));
        ASSERT_EQ(documents.claims.size(), 1);
        EXPECT_EQ(documents.claims[0], QStringList({link, Sha256(Body("\"v1\"")), "100000",
                                                    QFileInfo(home.Path("r.pdf")).absoluteFilePath()}));
        EXPECT_EQ(Seen(), std::make_pair(std::string("bytes=60000-"), std::string("\"v1\"")));
        EXPECT_EQ(rest.ContentLength(), 100000);
        EXPECT_EQ(rest.Progress(), 100);
    }
    EXPECT_EQ(home.Read("r.pdf"), QByteArray::fromStdString(Body("\"v1\"")));
    EXPECT_FALSE(home.Exists("r.pdf.download.temp"));
    EXPECT_EQ(ledger.Size(), 0u);

    // Without a ledger nothing could find the partial file again, so a cut leaves nothing.
    cutNext.store(true);
    FileDownload unrecorded;
    ASSERT_TRUE(unrecorded.Start(link, home.Path("u.pdf"), {}, {}, false));
    WaitFinished(unrecorded);
    EXPECT_FALSE(home.Exists("u.pdf.download.temp"));
}

TEST_F(TransferTest, AChangedFileStartsOverAndAFullFileCompletes) {
    MemoryLedger ledger;
    const QString link = server.Url("/resumable");
    ClaimRecorder documents;
    QString digest;
    QString sameAs;
    auto run = [&](const char* name) {
        FileDownload transfer;
        transfer.SetLedger(&ledger);
        transfer.SetDocumentLedger(&documents);
        EXPECT_TRUE(transfer.Start(link, home.Path(name), {}, {}, false));
        WaitFinished(transfer);
        digest = transfer.Sha256();
        sameAs = transfer.SameAs();
        return transfer.Succeeded();
    };
    cutNext.store(true);
    EXPECT_FALSE(run("c.pdf"));
    {
        std::lock_guard lock(seenMutex);
        etag = "\"v2\"";
    }
    EXPECT_TRUE(run("c.pdf"));
    EXPECT_EQ(Seen().second, "\"v1\"");  // asked for the rest of the old version, got the new one whole
    EXPECT_EQ(home.Read("c.pdf"), QByteArray::fromStdString(Body("\"v2\"")));
    EXPECT_EQ(digest, Sha256(Body("\"v2\"")));  // the old version's bytes do not count

    // Every byte arrived before the break: the server has nothing left and says so with a 416.
    const QString temp = home.Path("f.pdf.download.temp");
    home.Write("f.pdf.download.temp", QByteArray::fromStdString(Body("\"v2\"")));
    ledger.RecordTempFile(link, temp);
    ledger.SetTempFileValidator(temp, "\"v2\"");
    EXPECT_TRUE(run("f.pdf"));
    EXPECT_EQ(Seen().first, "bytes=100000-");
    EXPECT_EQ(home.Read("f.pdf"), QByteArray::fromStdString(Body("\"v2\"")));
    EXPECT_EQ(digest, Sha256(Body("\"v2\"")));

    // Bytes the ledger knows under another file: no second copy, and the transfer still succeeds.
    documents.same = home.Path("c.pdf");
    EXPECT_TRUE(run("d.pdf"));
    EXPECT_FALSE(home.Exists("d.pdf"));
    EXPECT_FALSE(home.Exists("d.pdf.download.temp"));
    EXPECT_EQ(sameAs, home.Path("c.pdf"));
    documents.same.clear();

    // A claim whose file cannot take its name (a folder is in the way) is taken back.
    home.Write("e.pdf/inside", "x");
    FileDownload blocked;
    blocked.SetLedger(&ledger);
    blocked.SetDocumentLedger(&documents);
    ASSERT_TRUE(blocked.Start(link, home.Path("e.pdf"), {}, {}, true));
    WaitFinished(blocked);
    EXPECT_FALSE(blocked.Succeeded());
    EXPECT_TRUE(blocked.FailureReason().startsWith("cannot rename the file to"))
        << blocked.FailureReason().toStdString();
    EXPECT_EQ(documents.drops,
              QList<QStringList>({{link, QFileInfo(home.Path("e.pdf")).absoluteFilePath()}}));
    EXPECT_EQ(home.Read("e.pdf/inside"), QByteArray("x"));

    // A 416 for a size other than ours: the partial file is not this document and is fetched anew.
    home.Write("g.pdf.download.temp", QByteArray(100001, 'g'));
    ledger.RecordTempFile(link, home.Path("g.pdf.download.temp"));
    ledger.SetTempFileValidator(home.Path("g.pdf.download.temp"), "\"v2\"");
    EXPECT_TRUE(run("g.pdf"));
    EXPECT_EQ(home.Read("g.pdf"), QByteArray::fromStdString(Body("\"v2\"")));
    EXPECT_FALSE(home.Exists("g.pdf.download.temp"));

    // A validator that would smuggle a header is not sent: the file starts over.
    home.Write("h.pdf.download.temp", "partial");
    ledger.RecordTempFile(link, home.Path("h.pdf.download.temp"));
    ledger.SetTempFileValidator(home.Path("h.pdf.download.temp"), "\"v2\"\r\nX-Evil: 1");
    EXPECT_TRUE(run("h.pdf"));
    EXPECT_EQ(Seen().first, "");
    EXPECT_EQ(home.Read("h.pdf"), QByteArray::fromStdString(Body("\"v2\"")));
}

TEST(ContentCheck, KnownTypesMustLookTheirPartAndOddInputIsNeverRefusedBlindly) {
    const QByteArray html = "<!DOCTYPE html><html><head><title>Sign in</title></head><body>x</body></html>";
    const QByteArray pdf = "%PDF-1.7\n%\xe2\xe3\xcf\xd3\n1 0 obj\n";
    const QByteArray ole = QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(504, '\0');
    const QByteArray rtf = "{\\rtf1\\ansi hello}";
    const QByteArray zip = QByteArray("PK\x03\x04\x14\x00\x00\x00\x08\x00", 10) + QByteArray(40, '\0');
    if (ContentCheck::MediaType(pdf).isEmpty()) GTEST_SKIP() << "libmagic has no database here";

    EXPECT_EQ(ContentCheck::Mismatch(pdf, "pdf", true), "");
    EXPECT_EQ(ContentCheck::Mismatch(pdf, "PDF", true), "");
    EXPECT_EQ(ContentCheck::Mismatch(html, "pdf", true), "the file is text/html, not a pdf file");
    EXPECT_NE(ContentCheck::Mismatch(html, "doc", true), "");
    EXPECT_NE(ContentCheck::Mismatch(html, "txt", true), "");  // a page is not a text document
    EXPECT_NE(ContentCheck::Mismatch(html, "docx", true), "");
    EXPECT_EQ(ContentCheck::Mismatch(ole, "doc", true), "");
    EXPECT_EQ(ContentCheck::Mismatch(rtf, "rtf", true), "");
    EXPECT_EQ(ContentCheck::Mismatch("plain words\n", "txt", true), "");
    EXPECT_EQ(ContentCheck::Mismatch(zip, "zip", true), "");
    EXPECT_EQ(ContentCheck::Mismatch(zip, "docx", true), "");
    EXPECT_NE(ContentCheck::Mismatch(pdf, "zip", true), "");
    // Unknown types: only a page is refused, and only while the check is on for them.
    EXPECT_NE(ContentCheck::Mismatch(html, "xyz", true), "");
    EXPECT_EQ(ContentCheck::Mismatch(html, "xyz", false), "");
    EXPECT_EQ(ContentCheck::Mismatch(pdf, "xyz", true), "");
    // Empty, truncated, binary noise and huge input: an answer, never a crash.
    EXPECT_EQ(ContentCheck::Mismatch({}, "pdf", true), "");
    EXPECT_NE(ContentCheck::Mismatch("%PD", "pdf", true), "");
    QByteArray noise(int(ContentCheck::kHeadBytes), '\0');
    for (int i = 0; i < noise.size(); ++i) noise[i] = char((i * 131 + 7) % 256);
    EXPECT_NE(ContentCheck::Mismatch(noise, "pdf", true), "");
    EXPECT_EQ(ContentCheck::Mismatch(noise, "xyz", true), "");
    EXPECT_EQ(ContentCheck::Mismatch(pdf + QByteArray(8 << 20, ' '), "pdf", true), "");
}

TEST(ContentCheck, AnUnknownTypeIsRefusedExactlyWhenLibmagicSeesAPage) {
    // Binary heads of unknown types skip libmagic: the answer must be the one libmagic would give.
    const QString page = "<!DOCTYPE html>\n<html><head><title>Sign in</title></head><body>x</body></html>\n";
    const QByteArray utf8 = page.repeated(40).toUtf8();
    if (ContentCheck::MediaType(utf8).isEmpty()) GTEST_SKIP() << "libmagic has no database here";
    auto utf16 = [&](bool big) {
        QByteArray bytes = big ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
        for (const QChar c : page.repeated(40)) {
            const char high = char(c.unicode() >> 8), low = char(c.unicode() & 0xFF);
            bytes.append(big ? high : low).append(big ? low : high);
        }
        return bytes;
    };
    auto utf32be = [&] {
        QByteArray bytes("\0\0\xFE\xFF", 4);
        for (const QChar c : page.repeated(40)) bytes += QByteArray("\0\0\0", 3) + char(c.unicode());
        return bytes;
    };
    ASSERT_TRUE(utf16(false).startsWith(QByteArray("\xFF\xFE<\0!\0D\0", 8)));
    ASSERT_TRUE(utf16(true).startsWith(QByteArray("\xFE\xFF\0<\0!\0D", 8)));
    QByteArray noise(int(ContentCheck::kHeadBytes), '\0');
    for (int i = 0; i < noise.size(); ++i) noise[i] = char((i * 131 + 7) % 256);
    auto withNul = [&](qsizetype at) { return QByteArray(utf8).replace(at, 1, QByteArray(1, '\0')); };
    const QList<QByteArray> heads = {utf8,
                                     withNul(0),
                                     withNul(10),
                                     withNul(1023),
                                     withNul(1024),
                                     withNul(3000),
                                     utf16(false),
                                     utf16(true),
                                     utf32be(),
                                     QByteArray(utf16(false)).mid(2),
                                     noise,
                                     "<html><body>" + noise,
                                     QByteArray(4096, '\0'),
                                     "<?xml version=\"1.0\"?><html xmlns=\"http://www.w3.org/1999/xhtml\"/>"};
    for (qsizetype i = 0; i < heads.size(); ++i) {
        const QString media = ContentCheck::MediaType(heads[i]);
        const bool page = media == "text/html" || media == "application/xhtml+xml";
        EXPECT_EQ(!ContentCheck::Mismatch(heads[i], "xyz", true).isEmpty(), page)
            << "head " << i << ": " << media.toStdString();
    }
}

TEST_F(TransferTest, AFinishedFileThatIsNotItsTypeIsRemoved) {
    MemoryLedger ledger;
    {
        FileDownload transfer;
        transfer.SetLedger(&ledger);
        transfer.SetContentCheck("pdf", true);
        ASSERT_TRUE(transfer.Start(server.Url("/page.pdf"), home.Path("p.pdf"), {}, {}, false));
        WaitFinished(transfer);
        EXPECT_FALSE(transfer.Succeeded());
        EXPECT_EQ(transfer.ContentRefusal(), "the file is text/html, not a pdf file");
    }
    EXPECT_FALSE(home.Exists("p.pdf"));
    EXPECT_FALSE(home.Exists("p.pdf.download.temp"));
    EXPECT_EQ(ledger.Size(), 0u);
}

}  // namespace

// A kept first part is continued from a server that answers in its own way: whatever it does, the file
// that comes out is one whole version, never the old first part with a new rest.
TEST_F(TransferTest, ARangeAnswerOfAnotherVersionOrPlaceIsNeverSplicedOn) {
    const std::string v2 = Body("\"v2\"");
    const std::vector<std::string> startOver = {"bytes=60000-", ""};
    // The first two kept "v1": the server changed the file but ignores If-Range, or says it shrank to our
    // size. The others kept "v2" and get it from another offset, in short parts, or under the old tag.
    for (const auto& [how, ranges] : std::vector<std::pair<Liar, std::vector<std::string>>>{
             {Liar::IgnoresIfRange, startOver},
             {Liar::Shrunk, startOver},
             {Liar::OtherOffset, startOver},
             {Liar::ShortParts, {"bytes=60000-", "bytes=70000-", "bytes=80000-", "bytes=90000-"}},
             {Liar::OldValidator, startOver},
             // Same tag, but the size the first answer gave (recorded with it) is not the size now.
             {Liar::ShrunkSameTag, startOver},
             {Liar::Grown, startOver}}) {
        SCOPED_TRACE(int(how));
        const std::string tag = how == Liar::IgnoresIfRange || how == Liar::Shrunk ? "\"v1\"" : "\"v2\"";
        MemoryLedger ledger;
        const QString temp = home.Path("l.pdf.download.temp");
        home.Write("l.pdf.download.temp", QByteArray::fromStdString(Body(tag).substr(0, 60000)));
        ledger.RecordTempFile(server.Url("/liar"), temp);
        ledger.SetTempFileValidator(temp, QString::fromStdString(tag), 100000);
        liar = how;
        ClaimRecorder documents;
        FileDownload transfer;
        transfer.SetLedger(&ledger);
        transfer.SetDocumentLedger(&documents);
        ASSERT_TRUE(transfer.Start(server.Url("/liar"), home.Path("l.pdf"), {}, {}, true));
        WaitFinished(transfer);
        EXPECT_TRUE(transfer.Succeeded()) << transfer.FailureReason().toStdString();
        EXPECT_EQ(home.Read("l.pdf"), QByteArray::fromStdString(v2));
        EXPECT_EQ(transfer.Sha256(), Sha256(v2));
        std::lock_guard lock(seenMutex);
        EXPECT_EQ(liarRanges, ranges);
        liarRanges.clear();
    }
}
