#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <atomic>
#include <functional>

#include "LocalServer.h"
#include "TempHome.h"
#include "WaitFor.h"
#include "download/DocRegistry.h"
#include "download/Handoff.h"
#include "lists/IniFile.h"
#include "lists/MessageSink.h"
#include "lists/Options.h"
#include "lists/ResultList.h"
#include "lists/RunLog.h"
#include "lists/StatusLine.h"

namespace {

struct Yes : MessageSink {
    void ShowMessageBox(const QString& text) override { boxes.append(text); }
    bool AskYesNo(const QString&, const QString&) override { return true; }
    QStringList boxes;
};

// An RPC stand-in: takes every task (its gid is "g" and the link's last segment) and answers
// system.multicall with what the test gives for each gid and round.
class StandIn {
  public:
    // The raw text of one multicall entry, or of the whole answer when `whole` gives one.
    std::function<std::string(const QString& gid, int round)> entry = [](const QString& gid, int) {
        return "[{\"gid\":\"" + gid.toStdString() +
               "\",\"status\":\"complete\",\"totalLength\":\"1024\",\"completedLength\":\"1024\"}]";
    };
    std::function<std::string(int round)> whole = [](int) { return std::string(); };

    StandIn() {
        server_.Http().Post("/jsonrpc", [this](const httplib::Request& req, httplib::Response& res) {
            const QJsonObject call = QJsonDocument::fromJson(QByteArray::fromStdString(req.body)).object();
            const QString method = call.value("method").toString();
            const QJsonArray params = call.value("params").toArray();
            std::string result = "\"ok\"";
            if (method == "aria2.getVersion") {
                result = "{\"version\":\"1.36.0\"}";
            } else if (method == "aria2.addUri") {
                result =
                    "\"g" + params.at(0).toArray().at(0).toString().section('/', -1).toStdString() + "\"";
            } else if (method == "system.multicall") {
                const int round = rounds_.fetch_add(1) + 1;
                if (const std::string body = whole(round); !body.empty()) {
                    res.set_content(body, "application/json");
                    return;
                }
                result = "[";
                for (const QJsonValue& inner : params.at(0).toArray()) {
                    if (result.size() > 1) result += ",";
                    result += entry(inner.toObject().value("params").toArray().at(0).toString(), round);
                }
                result += "]";
            }
            res.set_content("{\"jsonrpc\":\"2.0\",\"id\":\"1\",\"result\":" + result + "}",
                            "application/json");
        });
        server_.Start();
    }
    QString Url() const { return server_.Url("/jsonrpc"); }

  private:
    std::atomic<int> rounds_{0};
    LocalServer server_;
};

// Every kind of answer aria2 would never give fails the row it is about, or the daemon it came from, with
// a reason; the rows of a daemon that only talks nonsense are finished by the other one.
TEST(HostileRpc, RowsAndDaemonsFailWithAReasonNeverACrash) {
    TempHome home;
    RunLog runLog(home.Path("run.log"));
    StatusLine status(&runLog);
    Options options;
    options.Load(IniFile());
    options.SetCommittedText(SettingKey::SaveFolder, home.Path("save"));
    ResultList results(options, &status);
    DocRegistry registry(&status);
    registry.OpenDocDatabase(home.Path("docdata.db"));
    Yes answers;

    StandIn good;
    good.entry = [](const QString& gid, int round) -> std::string {
        const std::map<QString, std::string> hostile{
            {"g1", R"({"code":1,"message":"GID g1 is not found"})"},
            {"g2", R"([{"gid":"g2","status":5,"totalLength":"1","completedLength":"0"}])"},
            {"g3",
             R"([{"gid":"g3","status":"active","totalLength":"99999999999999999999999","completedLength":"1"}])"},
            {"g4", R"([{"gid":"g4","status":"active"}])"},
            {"g5", R"([{"gid":"g9","status":"complete","totalLength":"1","completedLength":"1"}])"},
            {"g6", R"("hello")"},
            {"g8",
             R"([{"gid":"g8","status":"error","totalLength":"0","completedLength":"0","errorCode":"3","errorMessage":"Resource not found\nINJECTED"}])"},
            {"g9", R"([{"gid":"g9","status":"active","totalLength":"10","completedLength":"-5"}])"}};
        if (const auto it = hostile.find(gid); it != hostile.end()) return it->second;
        const bool done = gid != "g7" || round > 1;
        return "[{\"gid\":\"" + gid.toStdString() + "\",\"status\":\"" + (done ? "complete" : "active") +
               "\",\"totalLength\":\"2048\",\"completedLength\":\"" + (done ? "2048" : "1024") + "\"}]";
    };
    StandIn nonsense;
    nonsense.whole = [](int round) -> std::string {
        if (round == 1) return R"({"jsonrpc":"2.0","id":"1","result":[[{"gid":)";
        if (round == 2) return "{\"result\":\"" + std::string(2 * 1024 * 1024, 'x') + "\"}";
        return R"({"jsonrpc":"2.0","id":"1","result":{"not":"a list"}})";
    };
    home.Write("Setting.ini",
               QStringLiteral("[Aria2]\nRpcUrls=%1,%2\n").arg(good.Url(), nonsense.Url()).toUtf8());

    QList<RowId> rows;
    for (int i = 1; i <= 11; ++i) {
        const QString host = i <= 9 ? "good.test" : "bad.test";
        results.AddEntry(QStringLiteral("row %1").arg(i), "pdf", EntrySize::Unknown,
                         QStringLiteral("http://%1/%2").arg(host).arg(i), RowStatus::Waiting);
        rows.append(*results.IdAt(results.Size() - 1));
    }
    // A type no file name can carry: the row fails here, the daemon never chooses a name.
    results.AddEntry("row 12", QString(300, 'x'), EntrySize::Unknown, "http://good.test/12",
                     RowStatus::Waiting);
    rows.append(*results.IdAt(results.Size() - 1));
    Handoff handoff({options, results, registry, status, answers, Profile(home.Path("Setting.ini"))});
    bool ended = false;
    QObject::connect(&handoff, &Handoff::finished, [&] { ended = true; });
    ASSERT_TRUE(handoff.Start());
    EXPECT_TRUE(WaitFor([&] { return results.Entry(rows[6])->status == RowStatus::InProgress(50); }));
    ASSERT_TRUE(WaitFor([&] { return ended; }));

    const QString log = QString::fromUtf8(home.Read("run.log"));
    const QString prefix =
        QStringLiteral("aria2 at %1 gave no usable state of http://good.test/").arg(good.Url());
    for (const QString& reason :
         {prefix + "1: GID g1 is not found", prefix + "2: status 5 is none of aria2's",
          prefix + "3: totalLength \"99999999999999999999999\" is not a length",
          prefix + "4: totalLength nothing is not a length",
          prefix + "5: the status of another task (\"g9\")", prefix + "6: not a task status: \"hello\"",
          QString("aria2 could not download http://good.test/8: error 3 Resource not found INJECTED"),
          prefix + "9: completedLength \"-5\" is not a length",
          QString("no safe file name for http://good.test/12"),
          QStringLiteral("aria2 at %1 did not answer: %1: not a JSON-RPC answer (HTTP 200)")
              .arg(nonsense.Url()),
          QStringLiteral("aria2 at %1 did not answer: %1: an answer larger than 1048576 bytes")
              .arg(nonsense.Url()),
          QStringLiteral("aria2 at %1 stopped answering; its 2 unfinished rows go to the others: %1: "
                         "system.multicall answered {\"not\":\"a list\"} for 2 tasks")
              .arg(nonsense.Url())}) {
        EXPECT_TRUE(log.contains(reason)) << reason.toStdString();
    }
    EXPECT_FALSE(log.contains("\nINJECTED"));
    for (const int i : {0, 1, 2, 3, 4, 5, 7, 8, 11}) {
        EXPECT_EQ(results.Entry(rows[i])->status, RowStatus::Failed) << i + 1;
        EXPECT_EQ(registry.CheckDocLink(results.Entry(rows[i])->link), DocRegistry::LinkCheck::Absent)
            << i + 1;
    }
    for (const int i : {6, 9, 10}) {
        EXPECT_EQ(results.Entry(rows[i])->status, RowStatus::Downloaded) << i + 1;
        EXPECT_EQ(registry.CheckDocLink(results.Entry(rows[i])->link), DocRegistry::LinkCheck::Present)
            << i + 1;
    }
    EXPECT_EQ(results.Entry(rows[6])->size, "2.00");
    EXPECT_EQ(handoff.Accepted(), 3);
    EXPECT_EQ(handoff.Refused(), 9);
}

}  // namespace
