#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <atomic>
#include <map>
#include <mutex>

#include "Aria2Daemon.h"
#include "LocalServer.h"
#include "TempHome.h"
#include "WaitFor.h"
#include "download/DocRegistry.h"
#include "download/Handoff.h"
#include "download/HostSpread.h"
#include "lists/IniFile.h"
#include "lists/MessageSink.h"
#include "lists/Options.h"
#include "lists/ResultList.h"
#include "lists/RunLog.h"
#include "lists/StatusLine.h"

namespace {

using K = SettingKey;

struct Answers : MessageSink {
    void ShowMessageBox(const QString& text) override { boxes.append(text); }
    bool AskYesNo(const QString&, const QString&) override { return true; }
    QStringList boxes;
};

// The bytes of a served file: different for every name, the same on every request.
std::string Body(const std::string& name) {
    std::string body(256 * 1024, '\0');
    quint32 state = quint32(qHash(QByteArray::fromStdString(name))) | 1;
    for (char& c : body) {
        state = state * 1664525u + 1013904223u;
        c = char(state >> 24);
    }
    return body;
}

class HandoffTest : public ::testing::Test {
  protected:
    void SetUp() override {
        options.Load(IniFile());
        options.SetCommittedText(K::SaveFolder, home.Path("save"));
        registry.OpenDocDatabase(home.Path("docdata.db"));
    }
    RowId Add(const QString& title, const QString& link) {
        results.AddEntry(title, "pdf", EntrySize::Unknown, link, RowStatus::Waiting);
        return *results.IdAt(results.Size() - 1);
    }
    RowStatus Status(RowId id) { return results.Entry(id)->status; }
    bool Run(Handoff& handoff) {
        bool ended = false;
        QObject::connect(&handoff, &Handoff::finished, [&] { ended = true; });
        return handoff.Start() && WaitFor([&] { return ended; });
    }

    TempHome home;
    RunLog runLog{home.Path("run.log")};
    StatusLine status{&runLog};
    Options options;
    ResultList results{options, &status};
    DocRegistry registry{&status};
    Answers answers;
};

TEST(HostSpread, OneHostOneDaemonAndHostsBalancedByRows) {
    QList<qsizetype> loads{0, 0, -1};  // the third daemon takes nothing
    const QHash<QString, int> spread =
        HostSpread::Spread({{"a", 1}, {"b", 5}, {"c", 3}, {"d", 2}, {"e", 1}}, loads);
    EXPECT_EQ(spread.value("b"), 0);
    EXPECT_EQ(spread.value("c"), 1);
    EXPECT_EQ(spread.value("d"), 1);
    EXPECT_EQ(loads, (QList<qsizetype>{6, 6, -1}));
    // Rows a daemon already follows count: a new host goes to the lighter one.
    QList<qsizetype> busy{10, 2};
    EXPECT_EQ(HostSpread::Spread({{"x", 4}}, busy).value("x"), 1);
    QList<qsizetype> none{-1, -1};
    EXPECT_TRUE(HostSpread::Spread({{"x", 4}}, none).isEmpty());
    EXPECT_EQ(HostSpread::HostOf("HTTP://Example.COM:8080/a.pdf"), "example.com");
    EXPECT_EQ(HostSpread::HostOf("mailto:x"), "");
}

TEST(HandoffEndpoints, ListsAndSecretsInTheSameOrder) {
    using E = QList<Aria2Fleet::Endpoint>;
    auto pairs = [](const E& endpoints) {
        QStringList out;
        for (const auto& e : endpoints) out.append(e.url + "|" + e.secret);
        return out;
    };
    EXPECT_EQ(pairs(Handoff::Endpoints(IniFile())), QStringList{"http://127.0.0.1:6800/jsonrpc|"});
    const IniFile both = IniFile::FromBytes(
        "[Aria2]\nRpcUrl=http://a/jsonrpc\nRpcSecret=sa\nRpcUrls=http://b/jsonrpc, http://c/jsonrpc,,"
        "http://a/jsonrpc,http://d/jsonrpc\nRpcSecrets=sb,,x\n");
    EXPECT_EQ(pairs(Handoff::Endpoints(both)), (QStringList{"http://a/jsonrpc|sa", "http://b/jsonrpc|sb",
                                                            "http://c/jsonrpc|", "http://d/jsonrpc|"}));
    // RpcUrls alone: no daemon at the default address that nobody asked for.
    const IniFile listOnly =
        IniFile::FromBytes("[Aria2]\nRpcUrls=http://b/jsonrpc,http://c/jsonrpc\nRpcSecrets=sb\n");
    EXPECT_EQ(pairs(Handoff::Endpoints(listOnly)), (QStringList{"http://b/jsonrpc|sb", "http://c/jsonrpc|"}));
    // The command line's addresses replace the file's; its secrets alone replace the file's secrets.
    EXPECT_EQ(pairs(Handoff::Endpoints(both, {"http://x/jsonrpc", "http://y/jsonrpc"}, {"sx"})),
              (QStringList{"http://x/jsonrpc|sx", "http://y/jsonrpc|"}));
    EXPECT_EQ(pairs(Handoff::Endpoints(both, {}, {"new"})).first(), "http://a/jsonrpc|new");
}

// Two real daemons share a list by host; one is killed while its files are half received, and its rows
// are finished by the other.
TEST_F(HandoffTest, TwoRealDaemonsAndOneKilledMidway) {
    LocalServer files;
    std::atomic<bool> release{false};
    files.Http().Get("/f/(.*)", [&](const httplib::Request& req, httplib::Response& res) {
        const std::string body = Body(req.matches[1]);
        // The first half comes at once; the rest only once the test lets it.
        res.set_content_provider(body.size(), "application/pdf",
                                 [body, &release](size_t offset, size_t length, httplib::DataSink& sink) {
                                     const size_t half = body.size() / 2;
                                     if (offset >= half) {
                                         while (!release.load())
                                             std::this_thread::sleep_for(std::chrono::milliseconds(10));
                                     }
                                     const size_t end = offset < half
                                                            ? std::min(half, offset + length)
                                                            : offset + std::min<size_t>(length, 16384);
                                     return sink.write(body.data() + offset, end - offset);
                                 });
    });
    files.Http().Get("/missing", [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
    files.Start();
    struct Release {
        std::atomic<bool>& flag;
        ~Release() { flag.store(true); }
    } releaseAtEnd{release};

    Aria2Daemon first(home.Path("aria2-first"), "s3cret");
    if (!first.Started()) GTEST_SKIP() << "aria2c is not installed (or did not start)";
    Aria2Daemon second(home.Path("aria2-second"), "other");
    ASSERT_TRUE(second.Started());
    const QString nobody = QStringLiteral("http://127.0.0.1:%1/jsonrpc").arg(Aria2Daemon::FreePort());
    home.Write("Setting.ini",
               QStringLiteral("[Aria2]\nRpcUrl=%1\nRpcSecret=s3cret\nRpcUrls=%2,%3\nRpcSecrets=other\n")
                   .arg(first.Url(), second.Url(), nobody)
                   .toUtf8());

    // Four rows on one host, three on another: the bigger host goes to the first daemon.
    const QString local = QStringLiteral("http://127.0.0.1:%1").arg(files.Port());
    const QString named = QStringLiteral("http://localhost:%1").arg(files.Port());
    QList<std::pair<RowId, std::string>> good;
    for (const char* name : {"a1", "a2", "a3"}) good.append({Add(name, local + "/f/" + name), name});
    const RowId refused = Add("gone", local + "/missing");
    for (const char* name : {"b1", "b2", "b3"}) good.append({Add(name, named + "/f/" + name), name});

    Handoff handoff({options, results, registry, status, answers, Profile(home.Path("Setting.ini"))});
    bool ended = false;
    QObject::connect(&handoff, &Handoff::finished, [&] { ended = true; });
    ASSERT_TRUE(handoff.Start());
    // Every good row shows its progress while it waits at half way; the missing file has failed.
    ASSERT_TRUE(WaitFor([&] {
        for (const auto& [id, name] : good) {
            if (Status(id).kind() != RowStatus::Kind::InProgress || Status(id) == RowStatus::InProgress(0))
                return false;
        }
        return Status(refused) == RowStatus::Failed;
    })) << Status(good[0].first).Stored().toStdString();
    EXPECT_EQ(registry.CheckDocLink(local + "/f/a1"),
              DocRegistry::LinkCheck::Absent);  // handed over is not downloaded
    const QByteArray log = home.Read("run.log");
    EXPECT_TRUE(log.contains(
        QStringLiteral("aria2 at %1 does not answer; its share goes to the others:").arg(nobody).toUtf8()));
    EXPECT_TRUE(
        log.contains(QStringLiteral("aria2 at %1 takes 4 rows of 1 hosts").arg(first.Url()).toUtf8()));
    EXPECT_TRUE(
        log.contains(QStringLiteral("aria2 at %1 takes 3 rows of 1 hosts").arg(second.Url()).toUtf8()));

    first.Kill();
    release.store(true);
    ASSERT_TRUE(WaitFor([&] { return ended; }));
    EXPECT_TRUE(home.Read("run.log").contains(
        QStringLiteral("aria2 at %1 stopped answering; its 3 unfinished rows go to the others:")
            .arg(first.Url())
            .toUtf8()));
    for (const auto& [id, name] : good) {
        EXPECT_EQ(Status(id), RowStatus::Downloaded) << name;
        EXPECT_EQ(results.Entry(id)->size, "256.00") << name;
        EXPECT_EQ(home.Read(QString::fromStdString("save/" + name + ".pdf")).toStdString(), Body(name))
            << name;
        EXPECT_EQ(registry.CheckDocLink(results.Entry(id)->link), DocRegistry::LinkCheck::Present) << name;
    }
    EXPECT_EQ(Status(refused), RowStatus::Failed);
    EXPECT_EQ(registry.CheckDocLink(local + "/missing"), DocRegistry::LinkCheck::Absent);
    EXPECT_EQ(handoff.Accepted(), 6);
    EXPECT_EQ(handoff.Refused(), 1);
    EXPECT_EQ(status.Current(), QString("aria2 downloaded 6 links and failed 1; see run.log  "));
    // The moved rows resumed under their own names: no second copy, no control file left behind.
    EXPECT_EQ(QDir(home.Path("save")).entryList(QDir::Files, QDir::Name),
              (QStringList{"a1.pdf", "a2.pdf", "a3.pdf", "b1.pdf", "b2.pdf", "b3.pdf"}));
}

// Stop ends the following at once; the rows keep what they showed and nothing is recorded.
TEST_F(HandoffTest, StopEndsTheFollowing) {
    LocalServer files;
    std::atomic<bool> release{false};
    files.Http().Get("/stall", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(200000, "application/pdf",
                                 [&](size_t offset, size_t, httplib::DataSink& sink) {
                                     if (offset == 0)
                                         return sink.write(std::string(100000, 'x').data(), 100000);
                                     while (!release.load())
                                         std::this_thread::sleep_for(std::chrono::milliseconds(10));
                                     return false;
                                 });
    });
    files.Start();
    struct Release {
        std::atomic<bool>& flag;
        ~Release() { flag.store(true); }
    } releaseAtEnd{release};
    Aria2Daemon daemon(home.Path("aria2"), "");
    if (!daemon.Started()) GTEST_SKIP() << "aria2c is not installed (or did not start)";
    home.Write("Setting.ini", QStringLiteral("[Aria2]\nRpcUrl=%1\n").arg(daemon.Url()).toUtf8());
    const RowId row = Add("stall", files.Url("/stall"));
    Handoff handoff({options, results, registry, status, answers, Profile(home.Path("Setting.ini"))});
    bool ended = false;
    QObject::connect(&handoff, &Handoff::finished, [&] { ended = true; });
    ASSERT_TRUE(handoff.Start());
    // aria2 counts what it has written, a little short of what was sent.
    ASSERT_TRUE(WaitFor([&] {
        return Status(row) == RowStatus::InProgress(49) || Status(row) == RowStatus::InProgress(50);
    })) << Status(row).Stored().toStdString();
    const RowStatus shown = Status(row);
    handoff.Cancel();
    ASSERT_TRUE(WaitFor([&] { return ended; }));
    EXPECT_EQ(Status(row), shown);
    EXPECT_EQ(handoff.Unfinished(), 1);
    EXPECT_EQ(registry.CheckDocLink(files.Url("/stall")), DocRegistry::LinkCheck::Absent);
    EXPECT_TRUE(
        status.Current().startsWith("aria2 is no longer followed: 0 links downloaded, 0 failed, 1 still"));
}

}  // namespace
