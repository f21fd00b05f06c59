#include <gtest/gtest.h>

#include <unistd.h>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <stdexcept>

#include "ChineseTranslation.h"
#include "LocalServer.h"
#include "TempHome.h"
#include "WaitFor.h"
#include "download/DocRegistry.h"
#include "download/DownloadPool.h"
#include "download/Handoff.h"
#include "lists/IniFile.h"
#include "lists/MessageSink.h"
#include "lists/Options.h"
#include "lists/ResultList.h"
#include "lists/RunLog.h"
#include "lists/StatusLine.h"
#include "net/CurlSetup.h"

namespace {

using K = SettingKey;

struct Answers : MessageSink {
    void ShowMessageBox(const QString& text) override { boxes.append(text); }
    bool AskYesNo(const QString&, const QString&) override { return yes; }
    QStringList boxes;
    bool yes = true;
};

class DownloadPoolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto& http = server.Http();
        http.Get("/files/(.*)", [this](const httplib::Request& req, httplib::Response& res) {
            Hit(req.matches[1]);
            // Each file its own bytes: the same bytes under two links are one document.
            std::string body = "%PDF-1.4\n" + std::string(req.matches[1]) + '\n';
            res.set_content(body + std::string(20000 - body.size(), 'f'), "application/pdf");
        });
        http.Get("/missing", [this](const httplib::Request&, httplib::Response& res) {
            Hit("missing");
            res.status = 404;
        });
        http.Get("/link", [this](const httplib::Request&, httplib::Response& res) {
            res.set_redirect(server.Url("/files/real.pdf").toStdString(), 302);
        });
        http.Get("/slow", [this](const httplib::Request&, httplib::Response& res) {
            Hit("slow");
            res.set_content_provider(
                10000000, "application/pdf", [this](size_t offset, size_t, httplib::DataSink& sink) {
                    if (offset < 1000)
                        return sink.write(("%PDF-1.4\n" + std::string(1000 - 9, 's')).data(), 1000);
                    while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
                    return false;
                });
        });
        http.Get("/login", [this](const httplib::Request&, httplib::Response& res) {
            Hit("login");
            res.set_content(
                "<!DOCTYPE html><html><head><title>Sign in</title></head><body>captcha</body></html>",
                "application/pdf");
        });
        // Documents by content: /same/* all serve one body, /other the same size with other bytes.
        http.Get("/same/(.*)", [this](const httplib::Request& req, httplib::Response& res) {
            Hit("same/" + std::string(req.matches[1]));
            res.set_content(SameBody(), "application/pdf");
        });
        http.Get("/other", [](const httplib::Request&, httplib::Response& res) {
            std::string body = SameBody();
            body[body.size() - 1] ^= 1;
            res.set_content(body, "application/pdf");
        });
        // Cut at 60% on the first request; later ones get the range they ask for.
        http.Get("/cut", [this](const httplib::Request& req, httplib::Response& res) {
            Hit("cut");
            res.set_header("ETag", "\"cut-1\"");
            {
                std::lock_guard lock(hitsMutex);
                ranges.push_back(req.get_header_value("Range"));
            }
            if (Hits("cut") == 1) {
                res.set_content_provider(20000, "application/pdf",
                                         [](size_t offset, size_t, httplib::DataSink& sink) {
                                             if (offset == 0) return sink.write(CutBody().data(), 12000);
                                             return false;
                                         });
                return;
            }
            res.set_content(CutBody(), "application/pdf");
        });
        // Stalls after 12,000 bytes on the first request until the test ends; later ones get the range
        // they ask for.
        http.Get("/stall", [this](const httplib::Request& req, httplib::Response& res) {
            Hit("stall");
            res.set_header("ETag", "\"stall-1\"");
            {
                std::lock_guard lock(hitsMutex);
                ranges.push_back(req.get_header_value("Range"));
            }
            if (Hits("stall") == 1) {
                res.set_content_provider(20000, "application/pdf",
                                         [this](size_t offset, size_t, httplib::DataSink& sink) {
                                             if (offset == 0) return sink.write(CutBody().data(), 12000);
                                             while (!release.load())
                                                 std::this_thread::sleep_for(std::chrono::milliseconds(5));
                                             return false;
                                         });
                return;
            }
            res.set_content(CutBody(), "application/pdf");
        });
        // Politeness: per host (the Host header), the requests answered at once and the most ever.
        http.Get("/paced/(.*)", [this](const httplib::Request& req, httplib::Response& res) {
            const std::string host = req.get_header_value("Host");
            Enter(host);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            Leave(host);
            Note(host + "/" + std::string(req.matches[1]));
            res.set_content("%PDF-1.4\n" + std::string(991, 'p'), "application/pdf");
        });
        http.Get("/held/(.*)", [this](const httplib::Request& req, httplib::Response& res) {
            const std::string host = req.get_header_value("Host");
            Hit("held/" + std::string(req.matches[1]));
            Enter(host);
            // Left before the last bytes go out: once the client has them it may start its next transfer
            // while this thread has yet to return, which is no second transfer at once.
            auto left = std::make_shared<std::atomic<bool>>(false);
            const auto leave = [this, host, left] {
                if (!left->exchange(true)) Leave(host);
            };
            res.set_content_provider(
                2000, "application/pdf",
                [this, leave](size_t offset, size_t, httplib::DataSink& sink) {
                    if (offset == 0) return sink.write(("%PDF-1.4\n" + std::string(991, 'h')).data(), 1000);
                    while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    leave();
                    return sink.write(std::string(1000, 'h').data(), 1000);
                },
                [leave](bool) { leave(); });
        });
        // Asks for a pause the first time each file is asked for.
        http.Get("/busy/(.*)", [this](const httplib::Request& req, httplib::Response& res) {
            const std::string name = req.matches[1];
            Hit("busy/" + name);
            if (Hits("busy/" + name) == 1) {
                Note("busy 429");
                res.status = 429;
                res.set_header("Retry-After", "2");
                res.set_content("slow down", "text/plain");
                return;
            }
            Note("busy again");
            res.set_content("%PDF-1.4\n" + std::string(991, 'b'), "application/pdf");
        });
        // Asks for a pause every time, as long as `restAfter` says.
        http.Get("/rest/(.*)", [this](const httplib::Request&, httplib::Response& res) {
            res.status = 503;
            res.set_header("Retry-After", restAfter);
        });
        // The first request for /resume/stall stops after 6,000 bytes until released; every other
        // request gets the whole body or the range it asks for.
        http.Get("/resume/(.*)", [this](const httplib::Request& req, httplib::Response& res) {
            const std::string name = req.matches[1];
            Hit("resume/" + name);
            Note(name);
            res.set_header("ETag", "\"resume-1\"");
            {
                std::lock_guard lock(hitsMutex);
                ranges.push_back(req.get_header_value("Range"));
            }
            if (name == "stall" && Hits("resume/stall") == 1) {
                res.set_content_provider(20000, "application/pdf",
                                         [this](size_t offset, size_t, httplib::DataSink& sink) {
                                             if (offset == 0) return sink.write(CutBody().data(), 6000);
                                             while (!release.load())
                                                 std::this_thread::sleep_for(std::chrono::milliseconds(5));
                                             return false;
                                         });
                return;
            }
            res.set_content(CutBody(), "application/pdf");
        });
        server.Start();
        QStringList mapping;
        for (const char* host :
             {"www.baidu.com", "a.test", "b.test", "busy.test", "calm.test", "rest0.test", "rest1.test", "mixed.test"})
            mapping << QStringLiteral("%1:80:127.0.0.1:%2").arg(host).arg(server.Port());
        CurlSetup::SetConnectTo(mapping);
        options.Load(IniFile());
        options.SetCommittedText(K::SaveFolder, home.Path("save"));
        options.SetLiveInt(K::SuffixSameTitles, 0);
        registry.OpenDocDatabase(home.Path("docdata.db"));
    }
    void TearDown() override {
        release.store(true);
        pool.Shutdown();
        CurlSetup::SetConnectTo({});
    }
    RowId Add(const QString& title, const QString& link, const QString& type = "pdf") {
        results.AddEntry(title, type, EntrySize::Unknown, link, RowStatus::Waiting);
        return *results.IdAt(results.Size() - 1);
    }
    RowStatus Status(RowId id) { return results.Entry(id)->status; }

    LocalServer server;
    // Requests per file, counted by the server's threads.
    void Hit(const std::string& name) {
        std::lock_guard lock(hitsMutex);
        ++hits[name];
    }
    int Hits(const std::string& name) {
        std::lock_guard lock(hitsMutex);
        return hits[name];
    }
    static std::string CutBody() {
        std::string body(20000, '\0');
        for (size_t i = 0; i < body.size(); ++i) body[i] = char(i % 253);
        return body.replace(0, 9, "%PDF-1.4\n");
    }
    static std::string Lower(std::string host) {
        for (char& c : host) c = char(std::tolower(static_cast<unsigned char>(c)));
        return host;
    }
    void Enter(const std::string& host) {
        std::lock_guard lock(hitsMutex);
        peak[Lower(host)] = std::max(peak[Lower(host)], ++open[Lower(host)]);
    }
    void Leave(const std::string& host) {
        std::lock_guard lock(hitsMutex);
        --open[Lower(host)];
    }
    int Peak(const std::string& host) {
        std::lock_guard lock(hitsMutex);
        return peak[host];
    }
    // What the server did, in order, with the time on its clock.
    void Note(const std::string& what) {
        std::lock_guard lock(hitsMutex);
        events.emplace_back(what, std::chrono::steady_clock::now());
    }
    static std::string SameBody() { return "%PDF-1.4\n" + std::string(30000, 's'); }
    QString ShowSave(const QString& name) { return QFileInfo(home.Path("save/" + name)).absoluteFilePath(); }
    static QString Sha256(const std::string& bytes) {
        return QString::fromLatin1(
            QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha256).toHex());
    }
    std::mutex hitsMutex;
    std::map<std::string, int> hits;
    std::map<std::string, int> open;
    std::map<std::string, int> peak;
    std::vector<std::pair<std::string, std::chrono::steady_clock::time_point>> events;
    std::vector<std::string> ranges;  // the Range header of each request for /cut
    std::atomic<bool> release{false};
    std::string restAfter;  // set before the downloads start
    TempHome home;
    RunLog log{home.Path("run.log")};
    StatusLine status{&log};
    Answers answers;
    Options options;
    ResultList results{options, &status};
    DocRegistry registry{&status};
    std::atomic<qint64> tick{1000};
    DownloadPool pool{{options, results, registry, status, log, answers, tick, nullptr}};
};

TEST_F(DownloadPoolTest, StartChecks) {
    const ChineseTranslation chinese;
    ASSERT_TRUE(chinese.Loaded());
    EXPECT_FALSE(pool.StartDownload());
    Add("a", server.Url("/files/a.pdf"));
    options.SetCommittedText(K::SaveFolder, "");
    EXPECT_FALSE(pool.StartDownload());
    EXPECT_EQ(answers.boxes, QStringList({"下载列表为空", "请选择文件保存位置"}));
    EXPECT_EQ(pool.BusySlots(), 0);
}

TEST_F(DownloadPoolTest, OutcomesOfOneSlot) {
    const ChineseTranslation chinese;
    ASSERT_TRUE(chinese.Loaded());
    options.SetCommittedInt(K::DownloadThreads, 1);
    options.SetCommittedInt(K::SkipDownloaded, 1);
    const RowId ok = Add("ok", server.Url("/files/ok.pdf"));
    const RowId missing = Add("missing", server.Url("/missing"));
    const RowId known = Add("known", server.Url("/files/known.pdf"));
    const RowId present = Add("present", server.Url("/files/present.pdf"));
    const RowId click = Add("clicked", "http://www.baidu.com/link?url=abc", "html");
    registry.InsertDocLink(server.Url("/files/known.pdf"));
    home.Write("save/present.pdf", "mine");
    ASSERT_TRUE(pool.StartDownload());
    ASSERT_TRUE(WaitFor([&] { return pool.BusySlots() == 0; }));

    EXPECT_EQ(Status(ok), RowStatus::Downloaded);
    EXPECT_EQ(home.Read("save/ok.pdf").size(), 20000);
    EXPECT_EQ(results.Entry(ok)->size, "19.53");
    EXPECT_EQ(Status(missing), RowStatus::Failed);
    EXPECT_EQ(Hits("missing"), 5);  // one walk and four retries, then the slot rests
    EXPECT_EQ(results.Reason(missing), "HTTP 404");
    EXPECT_EQ(results.Reason(ok), QString());
    EXPECT_EQ(Status(known), RowStatus::Downloaded);
    EXPECT_EQ(Hits("known.pdf"), 0);  // no network for a registry hit
    EXPECT_EQ(Status(present), RowStatus::Downloaded);
    EXPECT_EQ(home.Read("save/present.pdf"), QByteArray("mine"));
    EXPECT_EQ(Status(click), RowStatus::Downloaded);
    EXPECT_EQ(results.Entry(click)->link, server.Url("/files/real.pdf"));
    EXPECT_TRUE(home.Exists("save/clicked.pdf"));  // the resolved type names the file
    EXPECT_EQ(registry.CheckDocLink(server.Url("/files/ok.pdf")), DocRegistry::LinkCheck::Present);
    EXPECT_EQ(registry.CheckDocLink(server.Url("/files/present.pdf")), DocRegistry::LinkCheck::Present);
    EXPECT_TRUE(QDir(home.Path("save")).entryList({"*.download.temp"}).isEmpty());
    EXPECT_TRUE(home.Read("run.log").contains(QString::fromUtf8("下载线程0本次下载已完成!").toUtf8()));
}

TEST_F(DownloadPoolTest, StopGivesRowsBackAndKeepsTheirPartialFilesOnly) {
    const RowId slow = Add("slow", server.Url("/slow"));
    ASSERT_TRUE(pool.StartDownload());
    // In progress shows before the first bytes arrive; on a busy machine the stop could come first.
    ASSERT_TRUE(WaitFor([&] { return home.Read("save/slow.pdf.download.temp").size() == 1000; }));
    // A user's file and another process's file that merely carry the suffix.
    home.Write("save/mine.download.temp", "x");
    home.Write("save/report.pdf.download.temp", "another process");
    pool.StopDownload();
    ASSERT_TRUE(pool.WaitWalksEnded(10000));
    EXPECT_EQ(Status(slow), RowStatus::Waiting);  // a later start takes it again
    EXPECT_FALSE(home.Exists("save/slow.pdf"));
    // What arrived stays, recorded, for the next start to continue.
    EXPECT_EQ(home.Read("save/slow.pdf.download.temp").size(), 1000);
    EXPECT_TRUE(registry.IsTempFileRecorded(server.Url("/slow"), home.Path("save/slow.pdf.download.temp")));
    EXPECT_EQ(home.Read("save/mine.download.temp"), QByteArray("x"));
    EXPECT_EQ(home.Read("save/report.pdf.download.temp"), QByteArray("another process"));
}

TEST_F(DownloadPoolTest, ARowStoppedInFlightIsContinuedFirstAtTheNextStart) {
    options.SetCommittedInt(K::DownloadThreads, 1);
    const RowId early = Add("early", server.Url("/resume/early"));
    results.SetStatus(early, RowStatus::Duplicate);  // not waiting while the first start runs
    const RowId stall = Add("stall", server.Url("/resume/stall"));
    ASSERT_TRUE(pool.StartDownload());
    ASSERT_TRUE(WaitFor([&] { return pool.BytesInFlight() == 6000; }));
    EXPECT_EQ(Status(stall).kind(), RowStatus::Kind::InProgress);
    pool.StopDownload();
    ASSERT_TRUE(pool.WaitWalksEnded(10000));
    EXPECT_EQ(Status(stall), RowStatus::Waiting);
    EXPECT_EQ(pool.BytesInFlight(), 0);
    EXPECT_EQ(results.SpeedOfId(stall), 0);
    EXPECT_EQ(home.Read("save/stall.pdf.download.temp").size(), 6000);

    // Now a row ahead of it waits too; the stopped one still goes first and continues its bytes.
    results.SetStatus(early, RowStatus::Waiting);
    ASSERT_TRUE(pool.StartDownload());
    ASSERT_TRUE(WaitFor([&] { return pool.BusySlots() == 0 && pool.WalkingSlots() == 0; }));
    EXPECT_EQ(Status(stall), RowStatus::Downloaded);
    EXPECT_EQ(Status(early), RowStatus::Downloaded);
    EXPECT_EQ(home.Read("save/stall.pdf"), QByteArray::fromStdString(CutBody()));
    EXPECT_EQ(pool.FilesDone(), 2);
    std::lock_guard lock(hitsMutex);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1].first, "stall");
    EXPECT_EQ(events[2].first, "early");
    EXPECT_EQ(ranges[1], "bytes=6000-");
}

TEST_F(DownloadPoolTest, ATemporaryNameThatIsNotOursFailsTheRowAndStays) {
    options.SetCommittedInt(K::DownloadThreads, 1);
    QDir().mkpath(home.Path("save"));
    home.Write("victim.txt", "precious");
    ASSERT_EQ(::symlink(home.Path("victim.txt").toUtf8().constData(),
                        home.Path("save/planted.pdf.download.temp").toUtf8().constData()),
              0);
    home.Write("save/foreign.pdf.download.temp", "not ours");
    // Left by an earlier run that was killed: recorded for its link, so it is taken up again.
    home.Write("save/earlier.pdf.download.temp", "partial");
    registry.RecordTempFile(server.Url("/files/earlier.pdf"), home.Path("save/earlier.pdf.download.temp"));
    // Killed between writing down the name and making the file: an empty file is ours, one with bytes
    // came from someone else in that moment.
    home.Write("save/made.pdf.download.temp", "");
    registry.ReserveTempFile(server.Url("/files/made.pdf"), home.Path("save/made.pdf.download.temp"));
    home.Write("save/stranger.pdf.download.temp", "not ours either");
    registry.ReserveTempFile(server.Url("/files/stranger.pdf"), home.Path("save/stranger.pdf.download.temp"));
    const RowId made = Add("made", server.Url("/files/made.pdf"));
    const RowId stranger = Add("stranger", server.Url("/files/stranger.pdf"));
    const RowId planted = Add("planted", server.Url("/files/planted.pdf"));
    const RowId foreign = Add("foreign", server.Url("/files/foreign.pdf"));
    const RowId earlier = Add("earlier", server.Url("/files/earlier.pdf"));
    ASSERT_TRUE(pool.StartDownload());
    ASSERT_TRUE(WaitFor([&] { return pool.BusySlots() == 0 && pool.WalkingSlots() == 0; }));

    EXPECT_EQ(Status(planted), RowStatus::Failed);
    EXPECT_EQ(Status(foreign), RowStatus::Failed);
    EXPECT_EQ(Hits("planted.pdf") + Hits("foreign.pdf"), 0);
    EXPECT_EQ(home.Read("victim.txt"), QByteArray("precious"));
    EXPECT_TRUE(QFileInfo(home.Path("save/planted.pdf.download.temp")).isSymLink());
    EXPECT_EQ(home.Read("save/foreign.pdf.download.temp"), QByteArray("not ours"));
    EXPECT_EQ(Status(stranger), RowStatus::Failed);
    EXPECT_EQ(home.Read("save/stranger.pdf.download.temp"), QByteArray("not ours either"));
    EXPECT_EQ(Status(made), RowStatus::Downloaded);
    EXPECT_TRUE(
        home.Read("run.log").contains("planted.pdf.download.temp exists and is not a temporary file"));
    EXPECT_EQ(Status(earlier), RowStatus::Downloaded);
    EXPECT_EQ(home.Read("save/earlier.pdf").size(), 20000);
    EXPECT_FALSE(home.Exists("save/earlier.pdf.download.temp"));
}

TEST_F(DownloadPoolTest, AFailedTryIsContinuedByTheNext) {
    options.SetCommittedInt(K::DownloadThreads, 1);
    const RowId cut = Add("cut", server.Url("/cut"));
    ASSERT_TRUE(pool.StartDownload());
    ASSERT_TRUE(WaitFor([&] { return pool.BusySlots() == 0 && pool.WalkingSlots() == 0; }));
    EXPECT_EQ(Status(cut), RowStatus::Downloaded);
    EXPECT_EQ(home.Read("save/cut.pdf"), QByteArray::fromStdString(CutBody()));
    EXPECT_FALSE(home.Exists("save/cut.pdf.download.temp"));
    EXPECT_FALSE(registry.IsTempFileRecorded(server.Url("/cut"), home.Path("save/cut.pdf.download.temp")));
    EXPECT_EQ(registry.CheckDocLink(server.Url("/cut")), DocRegistry::LinkCheck::Present);
    // The digest covers the kept bytes of the first try and the rest of the second.
    EXPECT_EQ(registry.DocumentOf(server.Url("/cut")).sha256, Sha256(CutBody()));
    EXPECT_EQ(registry.DocumentOf(server.Url("/cut")).file, ShowSave("cut.pdf"));
    std::lock_guard lock(hitsMutex);
    EXPECT_EQ(ranges, std::vector<std::string>({"", "bytes=12000-"}));
}

TEST_F(DownloadPoolTest, AnExceptionInsideATryFailsTheRowAndKeepsWhatArrived) {
    options.SetCommittedInt(K::DownloadThreads, 1);
    const RowId boom = Add("boom", server.Url("/files/boom.pdf"));
    const RowId stall = Add("stall", server.Url("/stall"));
    std::atomic<bool> failStall{false};
    pool.SetTransferWatch([&](const QString& link) {
        if (link.endsWith("/files/boom.pdf")) throw std::runtime_error("planted fault");
        if (link.endsWith("/stall") && failStall.exchange(false)) throw std::length_error("stalled");
    });
    ASSERT_TRUE(pool.StartDownload());
    ASSERT_TRUE(WaitFor([&] { return home.Read("save/stall.pdf.download.temp").size() == 12000; }));
    failStall.store(true);
    ASSERT_TRUE(WaitFor([&] { return pool.BusySlots() == 0 && pool.WalkingSlots() == 0; }));

    // Every try of boom threw before its transfer began: failed, with the reason, and no file.
    EXPECT_EQ(Status(boom), RowStatus::Failed);
    EXPECT_EQ(results.Reason(boom), "internal error: planted fault");
    EXPECT_EQ(Hits("boom.pdf"), 0);
    EXPECT_FALSE(home.Exists("save/boom.pdf"));
    EXPECT_FALSE(home.Exists("save/boom.pdf.download.temp"));
    // stall threw in flight: failed, not left downloading, so the next walk took it again and continued
    // the part that had arrived.
    EXPECT_EQ(Status(stall), RowStatus::Downloaded);
    EXPECT_EQ(home.Read("save/stall.pdf"), QByteArray::fromStdString(CutBody()));
    EXPECT_FALSE(home.Exists("save/stall.pdf.download.temp"));
    EXPECT_TRUE(home.Read("run.log").contains("stall internal error: stalled"));
    std::lock_guard lock(hitsMutex);
    EXPECT_EQ(ranges, std::vector<std::string>({"", "bytes=12000-"}));
}

TEST_F(DownloadPoolTest, APageInsteadOfTheDocumentFailsAndIsNotRecorded) {
    options.SetCommittedInt(K::DownloadThreads, 1);
    const RowId fake = Add("fake", server.Url("/login"));
    const RowId other = Add("other", server.Url("/login"), "xyz");
    ASSERT_TRUE(pool.StartDownload());
    ASSERT_TRUE(WaitFor([&] { return pool.BusySlots() == 0 && pool.WalkingSlots() == 0; }));
    EXPECT_EQ(Status(fake), RowStatus::Failed);
    EXPECT_EQ(Status(other), RowStatus::Failed);  // an HTML page under an unknown type too
    EXPECT_FALSE(home.Exists("save/fake.pdf"));
    EXPECT_FALSE(home.Exists("save/fake.pdf.download.temp"));
    EXPECT_FALSE(home.Exists("save/other.xyz"));
    EXPECT_EQ(registry.CheckDocLink(server.Url("/login")), DocRegistry::LinkCheck::Absent);
    EXPECT_TRUE(home.Read("run.log").contains("the file is text/html, not a pdf file"));
    EXPECT_TRUE(results.Reason(fake).contains("the file is text/html, not a pdf file"));

    // With the check off for other types, the unknown type is kept as it came; a pdf is still checked.
    options.SetCommittedInt(K::CheckUnknownTypeContent, 0);
    results.SetStatus(fake, RowStatus::Waiting);
    results.SetStatus(other, RowStatus::Waiting);
    ASSERT_TRUE(pool.StartDownload());
    ASSERT_TRUE(WaitFor([&] { return pool.BusySlots() == 0 && pool.WalkingSlots() == 0; }));
    EXPECT_EQ(Status(fake), RowStatus::Failed);
    EXPECT_EQ(Status(other), RowStatus::Downloaded);
    EXPECT_TRUE(home.Read("save/other.xyz").startsWith("<!DOCTYPE html>"));
}

TEST_F(DownloadPoolTest, TheTimeLimitCoversAllTriesOfARowTogether) {
    options.SetCommittedInt(K::DownloadTimeoutMinutes, 1);
    options.SetCommittedInt(K::DownloadThreads, 1);
    const RowId slow = Add("slow", server.Url("/slow"));
    ASSERT_TRUE(pool.StartDownload());
    ASSERT_TRUE(WaitFor([&] { return Status(slow).kind() == RowStatus::Kind::InProgress; }));
    EXPECT_EQ(pool.Tries().trying, 1);
    tick.fetch_add(61);
    // The minute is used up: the retries of the later walks fail at once, without asking again.
    ASSERT_TRUE(WaitFor([&] { return pool.BusySlots() == 0 && pool.WalkingSlots() == 0; }));
    EXPECT_EQ(Status(slow), RowStatus::Failed);
    EXPECT_EQ(results.Reason(slow), "the time limit of 1 minutes per file ran out");
    EXPECT_EQ(Hits("slow"), 1);
    EXPECT_EQ(pool.Tries().failed, 1);
    EXPECT_EQ(pool.Tries().retrying, 0);
    EXPECT_FALSE(home.Exists("save/slow.pdf"));
    EXPECT_EQ(home.Read("save/slow.pdf.download.temp").size(), 1000);  // kept for a later run
}

TEST_F(DownloadPoolTest, TheSameDocumentUnderAnotherLinkIsSavedOnce) {
    options.SetCommittedInt(K::DownloadThreads, 1);
    const RowId first = Add("first", server.Url("/same/1"));
    const RowId second = Add("second", server.Url("/same/2?utm_source=x"));
    const RowId other = Add("other", server.Url("/other"));
    auto run = [&] {
        ASSERT_TRUE(pool.StartDownload());
        ASSERT_TRUE(WaitFor([&] { return pool.BusySlots() == 0 && pool.WalkingSlots() == 0; }));
    };
    run();
    EXPECT_EQ(Status(first), RowStatus::Downloaded);
    EXPECT_EQ(home.Read("save/first.pdf"), QByteArray::fromStdString(SameBody()));
    EXPECT_EQ(Status(second), RowStatus::Downloaded);
    EXPECT_FALSE(home.Exists("save/second.pdf"));
    EXPECT_EQ(results.Reason(second), "same as " + ShowSave("first.pdf"));
    EXPECT_TRUE(home.Read("run.log").contains(("same as " + ShowSave("first.pdf")).toUtf8()));
    // Other bytes of the same size are another document.
    EXPECT_EQ(Status(other), RowStatus::Downloaded);
    EXPECT_EQ(home.Read("save/other.pdf").size(), qsizetype(SameBody().size()));
    EXPECT_TRUE(QDir(home.Path("save")).entryList({"*.download.temp"}).isEmpty());
    // The second link is recorded against the first file.
    const DocRegistry::Document firstDoc = registry.DocumentOf(server.Url("/same/1"));
    const DocRegistry::Document secondDoc = registry.DocumentOf(server.Url("/same/2?utm_source=x"));
    EXPECT_EQ(firstDoc.sha256, Sha256(SameBody()));
    EXPECT_EQ(firstDoc.size, qint64(SameBody().size()));
    EXPECT_EQ(secondDoc.sha256, firstDoc.sha256);
    EXPECT_EQ(secondDoc.file, ShowSave("first.pdf"));
    EXPECT_EQ(registry.DocumentOf(server.Url("/other")).file, ShowSave("other.pdf"));

    // Once the user deletes (or cuts) the file, a copy is worth keeping again.
    ASSERT_TRUE(QFile::remove(home.Path("save/first.pdf")));
    const RowId third = Add("third", server.Url("/same/3"));
    home.Write("save/other.pdf", "edited");
    const RowId fourth = Add("fourth", server.Url("/other?again"));
    run();
    EXPECT_EQ(Status(third), RowStatus::Downloaded);
    EXPECT_EQ(results.Reason(third), QString());
    EXPECT_EQ(home.Read("save/third.pdf"), QByteArray::fromStdString(SameBody()));
    EXPECT_EQ(registry.DocumentOf(server.Url("/same/3")).file, ShowSave("third.pdf"));
    EXPECT_EQ(Status(fourth), RowStatus::Downloaded);
    EXPECT_EQ(home.Read("save/fourth.pdf").size(), qsizetype(SameBody().size()));
}

TEST(DownloadTargets, NeverLeaveTheSaveFolder) {
    TempHome home;
    const QString folder = home.Path("save");
    bool exists = true;
    for (const QString& title :
         {QString("../../etc/passwd"), QString(".."), QString("a\\b"), QString("x") + QChar(0) + "y",
          QString("tab\there"), QString(10000, QChar(0x4E2D))}) {
        const QString path = DownloadPool::BuildTargetPath(folder, title, "pdf", &exists);
        ASSERT_FALSE(path.isEmpty()) << title.left(20).toStdString();
        EXPECT_EQ(QFileInfo(path).absolutePath(), QDir(folder).absolutePath()) << path.toStdString();
        EXPECT_LE(QFileInfo(path).fileName().toUtf8().size() + 14, 255);
        EXPECT_TRUE(path.endsWith(".pdf"));
    }
    // A title of megabytes is cut in one go to the longest name that fits, never inside a character.
    for (const QString& head : {QString(), QString("a"), QString("ab"), QString("abc")}) {
        const QString title = head + QString::fromUtf8("\xF0\x9F\x93\x84\xE4\xB8\xAD").repeated(1000000);
        const QString name =
            QFileInfo(DownloadPool::BuildTargetPath(folder, title, "pdf", &exists)).fileName();
        const qsizetype bytes = name.toUtf8().size();  // full up to the last character that fits
        EXPECT_TRUE(bytes > 241 - 4 && bytes <= 241) << bytes;
        EXPECT_TRUE(title.startsWith(name.chopped(4)) && !name.chopped(4).back().isHighSurrogate());
    }
    EXPECT_EQ(DownloadPool::BuildTargetPath(folder, "", "pdf", &exists), QString());
    EXPECT_EQ(DownloadPool::BuildTargetPath(folder, "t", "", &exists), QString());
    EXPECT_EQ(DownloadPool::BuildTargetPath(folder, "t", "../x", &exists), folder + "/t..._x");
}

TEST_F(DownloadPoolTest, HandoffToARealAria2) {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const int port = probe.serverPort();
    probe.close();
    QProcess aria2;
    // aria2 works in a folder of its own, so a relative save folder would land elsewhere if sent as is.
    QDir().mkpath(home.Path("aria2-cwd"));
    aria2.setWorkingDirectory(home.Path("aria2-cwd"));
    aria2.start("aria2c",
                {"--enable-rpc", "--rpc-listen-all=false", QStringLiteral("--rpc-listen-port=%1").arg(port),
                 "--rpc-secret=s3cret", "--no-conf", "--quiet"});
    if (!aria2.waitForStarted(5000)) GTEST_SKIP() << "aria2c is not installed";
    home.Write(
        "Setting.ini",
        QStringLiteral("[Aria2]\nRpcUrl=http://127.0.0.1:%1/jsonrpc\nRpcSecret=s3cret\n").arg(port).toUtf8());
    Handoff handoff({options, results, registry, status, answers, Profile(home.Path("Setting.ini"))});
    bool ended = false;
    QObject::connect(&handoff, &Handoff::finished, [&] { ended = true; });
    Add(QString::fromUtf8("年报 \"quoted\""), server.Url("/files/h1.pdf"));
    Add("../escape", server.Url("/files/h2.pdf"));
    Add("refused", "mailto:x");  // aria2 answers "No URI to download."
    QDir().mkpath(home.Path("save"));
    options.SetCommittedText(K::SaveFolder, QDir::current().relativeFilePath(home.Path("save")));
    // aria2c needs a moment before its RPC port answers.
    ASSERT_TRUE(WaitFor(
        [&] {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, quint16(port));
            return socket.waitForConnected(100);
        },
        5000));
    ASSERT_TRUE(handoff.Start());
    EXPECT_FALSE(handoff.Start());  // one at a time
    EXPECT_EQ(answers.boxes.last(), QString("Sending to aria2, please wait!"));
    ASSERT_TRUE(WaitFor([&] { return ended; }));
    // The hand-off ends once aria2 has finished: what it completed is recorded, the refusal is reported.
    EXPECT_EQ(handoff.Accepted(), 2);
    EXPECT_EQ(handoff.Refused(), 1);
    EXPECT_EQ(status.Current(), QString("aria2 downloaded 2 links and failed 1; see run.log  "));
    EXPECT_TRUE(home.Read("run.log").contains("aria2 starts downloading right away"));
    EXPECT_TRUE(home.Read("run.log").contains("aria2 refused mailto:x"));
    EXPECT_EQ(registry.CheckDocLink(server.Url("/files/h1.pdf")), DocRegistry::LinkCheck::Present);
    EXPECT_EQ(registry.CheckDocLink(server.Url("/files/h2.pdf")), DocRegistry::LinkCheck::Present);
    EXPECT_EQ(registry.CheckDocLink("mailto:x"), DocRegistry::LinkCheck::Absent);
    EXPECT_TRUE(WaitFor(
        [&] {
            return home.Exists(QString::fromUtf8("save/年报 \"quoted\".pdf")) &&
                   home.Exists("save/.._escape.pdf");
        },
        10000));
    aria2.kill();
    aria2.waitForFinished(5000);

    // No manager at that address any more: creating the agent fails.
    ended = false;
    ASSERT_TRUE(handoff.Start());
    ASSERT_TRUE(WaitFor([&] { return ended; }));
    EXPECT_EQ(answers.boxes.last(), QString("Could not connect to aria2"));
}

}  // namespace

TEST_F(DownloadPoolTest, AHostAtItsCapIsPassedOverNotWaitedFor) {
    options.SetCommittedInt(K::DownloadThreads, 4);
    options.SetLiveInt(K::PerHostConnections, 1);
    std::vector<RowId> held;
    std::vector<RowId> paced;
    for (int i = 0; i < 3; ++i)
        held.push_back(Add(QString("held%1").arg(i), QString("http://A.test/held/%1").arg(i)));
    for (int i = 0; i < 6; ++i)
        paced.push_back(Add(QString("paced%1").arg(i), QString("http://b.test/paced/%1").arg(i)));
    ASSERT_TRUE(pool.StartDownload());
    // The first row of a.test holds its one place; the other slots go on with b.test meanwhile.
    ASSERT_TRUE(WaitFor([&] {
        return std::all_of(paced.begin(), paced.end(),
                           [&](RowId row) { return Status(row) == RowStatus::Downloaded; });
    }));
    EXPECT_EQ(Peak("a.test"), 1);
    EXPECT_EQ(Peak("b.test"), 1);
    EXPECT_EQ(
        std::count_if(held.begin(), held.end(), [&](RowId row) { return Status(row) == RowStatus::Waiting; }),
        2);
    release.store(true);
    ASSERT_TRUE(WaitFor([&] { return pool.BusySlots() == 0 && pool.WalkingSlots() == 0; }));
    for (RowId row : held) EXPECT_EQ(Status(row), RowStatus::Downloaded);
    EXPECT_EQ(Peak("a.test"), 1);
    EXPECT_EQ(pool.Tries().failed, 0);
}

TEST_F(DownloadPoolTest, AHostThatAsksForAPauseRestsAloneAndIsAskedAgainAfterIt) {
    options.SetCommittedInt(K::DownloadThreads, 1);
    const RowId busy = Add("busy", "http://busy.test/busy/report.pdf");
    std::vector<RowId> calm;
    for (int i = 0; i < 6; ++i)
        calm.push_back(Add(QString("calm%1").arg(i), QString("http://calm.test/paced/%1").arg(i)));
    ASSERT_TRUE(pool.StartDownload());
    ASSERT_TRUE(WaitFor([&] { return pool.BusySlots() == 0 && pool.WalkingSlots() == 0; }));
    EXPECT_EQ(Status(busy), RowStatus::Downloaded);
    EXPECT_EQ(home.Read("save/busy.pdf").size(), 1000);
    EXPECT_EQ(Hits("busy/report.pdf"), 2);
    for (RowId row : calm) EXPECT_EQ(Status(row), RowStatus::Downloaded);
    EXPECT_TRUE(home.Read("run.log").contains("busy.test answered 429: no downloads from it until"));

    std::lock_guard lock(hitsMutex);
    ASSERT_EQ(events.size(), 8u);
    EXPECT_EQ(events.front().first, "busy 429");
    EXPECT_EQ(events.back().first, "busy again");
    // Not asked again before the two seconds it asked for; the other host was served in the meantime.
    EXPECT_GE(events.back().second - events.front().second, std::chrono::seconds(2));
    for (size_t i = 1; i + 1 < events.size(); ++i) EXPECT_EQ(events[i].first.rfind("calm.test/", 0), 0u);
}

TEST_F(DownloadPoolTest, SlotsLeftWithOnlyAFullHostWaitWithoutWalkingTheList) {
    constexpr int kRows = 1500;
    constexpr int kSlots = 16;
    options.SetCommittedInt(K::DownloadThreads, kSlots);
    options.SetLiveInt(K::PerHostConnections, 1);
    std::vector<RowId> rows;
    for (int i = 0; i < kRows; ++i)
        rows.push_back(Add(QString("held%1").arg(i), QString("http://a.test/held/%1").arg(i)));
    ASSERT_TRUE(pool.StartDownload());
    // One slot holds the host's one place in a transfer the server keeps open. The other slots take
    // nothing from the host's queue and wait; none of them looks at a row of the list.
    ASSERT_TRUE(WaitFor([&] { return Peak("a.test") == 1 && pool.WalkingSlots() == 1; }));
    QThread::msleep(2500);
    EXPECT_EQ(pool.WalkingSlots(), 1);
    EXPECT_EQ(results.RowsExaminedByClaims(), 0u);
    EXPECT_EQ(
        std::count_if(rows.begin(), rows.end(), [&](RowId row) { return Status(row) != RowStatus::Waiting; }),
        1);

    release.store(true);
    ASSERT_TRUE(WaitFor(
        [&] {
            return results.Counts().downloaded == kRows && pool.BusySlots() == 0 && pool.WalkingSlots() == 0;
        },
        600000));
    EXPECT_EQ(Peak("a.test"), 1);
    for (int i = 0; i < kRows; ++i) EXPECT_EQ(Hits("held/" + std::to_string(i)), 1) << i;
    EXPECT_EQ(pool.Tries().failed, 0);
    // Each row is looked at by a few walks, not by every slot over and over.
    EXPECT_LE(results.RowsExaminedByClaims(), quint64(2 * kSlots) * kRows);
}

// aria2 writes its partial file under the final name with NAME.aria2 beside it: a hand-off cut short
// leaves a file that looks present, its link registered.
TEST_F(DownloadPoolTest, AFileAria2LeftUnfinishedIsFetchedAgainNotCounted) {
    options.SetCommittedInt(K::SkipDownloaded, 1);
    const RowId row = Add("part", server.Url("/files/part.pdf"));
    registry.InsertDocLink(server.Url("/files/part.pdf"));
    home.Write("save/part.pdf", QByteArray(9000, 'p'));
    home.Write("save/part.pdf.aria2", "aria2 control file");
    ASSERT_TRUE(pool.StartDownload());
    ASSERT_TRUE(WaitFor([&] { return pool.BusySlots() == 0 && pool.WalkingSlots() == 0; }));
    EXPECT_EQ(Status(row), RowStatus::Downloaded);
    EXPECT_EQ(Hits("part.pdf"), 1);
    EXPECT_TRUE(home.Read("save/part.pdf").startsWith("%PDF-1.4\npart.pdf\n"));
    EXPECT_FALSE(home.Exists("save/part.pdf.aria2"));
}

// HTTP/1.0 lets a body end where the connection closes; its size is what arrived.
TEST_F(DownloadPoolTest, ABodyWithoutALengthGetsTheSizeThatArrived) {
    LocalServer plain;
    plain.Http().set_keep_alive_max_count(1);
    plain.Http().Get("/unsized.pdf", [](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider("application/pdf", [](size_t offset, httplib::DataSink& sink) {
            return offset == 0 && sink.write(("%PDF-1.4\n" + std::string(5120 - 9, 'u')).data(), 5120);
        });
    });
    plain.Start();
    const RowId row = Add("unsized", plain.Url("/unsized.pdf"));
    ASSERT_TRUE(pool.StartDownload());
    ASSERT_TRUE(WaitFor([&] { return pool.BusySlots() == 0 && pool.WalkingSlots() == 0; }));
    EXPECT_EQ(Status(row), RowStatus::Downloaded);
    EXPECT_EQ(results.Entry(row)->size, "5.00");
}

// Rests count against the row's time: a host that asks for more rest than its rows have left, or (with no
// time limit) keeps asking, fails its rows instead of holding the download for hours.
TEST_F(DownloadPoolTest, AHostThatRestsPastTheTimeLimitFailsItsRows) {
    for (const auto& [minutes, retryAfter, reason] : std::vector<std::tuple<int, std::string, QString>>{
             {1, "99999",
              "HTTP 503: the server asked for a pause of 600 s, past the time limit of 1 minutes per file"},
             {0, "1", "HTTP 503: the server asked for a pause 3 times in a row"}}) {
        restAfter = retryAfter;
        options.SetCommittedInt(K::DownloadTimeoutMinutes, minutes);
        options.SetCommittedInt(K::DownloadThreads, 2);
        std::vector<RowId> rows;
        for (int i = 0; i < 3; ++i)
            rows.push_back(Add(QString("rest%1-%2").arg(minutes).arg(i),
                               QString("http://rest%1.test/rest/%2").arg(minutes).arg(i)));
        ASSERT_TRUE(pool.StartDownload());
        ASSERT_TRUE(WaitFor([&] { return pool.BusySlots() == 0 && pool.WalkingSlots() == 0; }));
        for (RowId row : rows) EXPECT_EQ(results.Reason(row).toStdString(), reason.toStdString());
    }
}

// A file of the same host that arrives after the host was given up must not take the give-up back
// while the host still rests: the failed row would then wait out the whole rest (the run never ended).
TEST_F(DownloadPoolTest, AGivenUpHostStaysGivenUpAfterAnotherOfItsFilesArrives) {
    restAfter = "99999";
    options.SetCommittedInt(K::DownloadTimeoutMinutes, 1);
    options.SetCommittedInt(K::DownloadThreads, 2);
    Add("good", "http://mixed.test/paced/good");  // still arriving when the other slot gives up
    const RowId rested = Add("rested", "http://mixed.test/rest/a");
    ASSERT_TRUE(pool.StartDownload());
    ASSERT_TRUE(WaitFor([&] { return pool.BusySlots() == 0 && pool.WalkingSlots() == 0; }));
    EXPECT_TRUE(results.Reason(rested).contains("past the time limit")) << results.Reason(rested).toStdString();
    EXPECT_EQ(results.Counts().downloaded, 1);
}
