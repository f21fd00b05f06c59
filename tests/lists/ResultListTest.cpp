#include <gtest/gtest.h>

#include <QRegularExpression>
#include <thread>
#include <vector>

#include "ChineseTranslation.h"
#include "TempHome.h"
#include "lists/IniFile.h"
#include "lists/Options.h"
#include "lists/ResultList.h"
#include "lists/RunLog.h"
#include "lists/StatusLine.h"

namespace {

class ResultListTest : public ::testing::Test {
  protected:
    void SetUp() override { options.Load(IniFile()); }

    ResultList::AddResult Add(const QString& title, const QString& link,
                              const RowStatus& status = RowStatus::Waiting) {
        return list.AddEntry(title, "pdf", EntrySize::Unknown, link, status);
    }
    QString TitleAt(qsizetype position) { return list.Entry(*list.IdAt(position))->title; }

    TempHome home;
    RunLog log{home.Path("run.log")};
    StatusLine status{&log};
    Options options;
    ResultList list{options, &status};
};

TEST_F(ResultListTest, RefusesEmptyFieldsAndTrimsTitles) {
    EXPECT_EQ(Add("   ", "http://a/1.pdf"), ResultList::AddResult::EmptyField);
    EXPECT_EQ(list.AddEntry("t", "pdf", "", "http://a/1.pdf", RowStatus::Waiting),
              ResultList::AddResult::EmptyField);
    EXPECT_EQ(Add("  Annual report \t", "http://a/1.pdf"), ResultList::AddResult::Added);
    EXPECT_EQ(TitleAt(0), QStringLiteral("Annual report"));
    EXPECT_EQ(list.Size(), 1);
}

TEST_F(ResultListTest, RowsSavedInFlightComeBackWaiting) {
    // A list written while files were being downloaded (a stop, a crash, an auto-save) holds progress
    // texts; nothing runs for those rows any more, so they must be claimable again.
    Add("a", "http://a/1.pdf", RowStatus::InProgress(35));
    Add("b", "http://a/2.pdf", RowStatus::Downloading);
    Add("c", "http://a/3.pdf", RowStatus::Failed);
    Add("d", "http://a/4.pdf", RowStatus::Duplicate);
    Add("e", "http://a/5.pdf", RowStatus::Downloaded);
    QList<RowStatus> statuses;
    for (const ResultEntry& entry : list.Snapshot()) statuses.append(entry.status);
    EXPECT_EQ(statuses, QList<RowStatus>({RowStatus::Waiting, RowStatus::Waiting, RowStatus::Failed,
                                          RowStatus::Duplicate, RowStatus::Downloaded}));
    EXPECT_EQ(list.ClaimNextWaiting(0, list.Size())->entry.title, "a");
    EXPECT_EQ(list.ClaimNextWaiting(1, list.Size())->entry.title, "b");
}

TEST_F(ResultListTest, AReasonLastsUntilTheRowIsTakenAgainAndIsNeverSaved) {
    Add("a", "http://a/1.pdf");
    Add("b", "http://a/2.pdf");
    const RowId a = *list.IdAt(0);
    const RowId b = *list.IdAt(1);
    ASSERT_TRUE(list.ClaimNextWaiting(0, list.Size()));
    ASSERT_TRUE(list.SetStatus(a, RowStatus::Failed, "HTTP 404"));
    ASSERT_TRUE(list.SetStatus(b, RowStatus::Downloaded, "same as /s/x.pdf"));
    EXPECT_EQ(list.Entry(a)->status, RowStatus::Failed);  // the stored text is the status alone
    EXPECT_EQ(list.Reason(a), "HTTP 404");
    // Waiting for its retry it still says why it failed; taken again, it starts afresh.
    list.ResetFailedToWaiting();
    EXPECT_EQ(list.Reason(a), "HTTP 404");
    ASSERT_EQ(list.ClaimNextWaiting(0, list.Size())->id, a);
    EXPECT_EQ(list.Reason(a), QString());
    // Any other status change drops it too, and a deleted row takes its reason along.
    list.SetStatus(b, RowStatus::Waiting);
    EXPECT_EQ(list.Reason(b), QString());
    list.SetStatus(b, RowStatus::Failed, "timed out");
    list.SetChecked(b, true);
    list.DeleteChecked();
    EXPECT_EQ(list.Reason(b), QString());
    EXPECT_FALSE(list.SetStatus(b, RowStatus::Failed, "gone"));
    EXPECT_EQ(list.Reason(b), QString());
}

TEST_F(ResultListTest, TitleCleanUp) {
    Add("Report.com annual", "http://x.org/files/report2015.pdf");
    Add("see example.cn", "no-slash-here.pdf");
    Add("Long title...", "http://a/2.pdf");
    Add("%E4%B8%AD%E6%96%87", "http://a/3.pdf");
    Add("100% sure", "http://a/4.pdf");
    Add("%ZZ%41", "http://a/5.pdf");  // malformed escape: left alone
    EXPECT_EQ(TitleAt(0), QStringLiteral("report2015"));
    // A clean-up that would leave nothing keeps the title as it came: a row without one can never be saved.
    EXPECT_EQ(TitleAt(1), QStringLiteral("see example.cn"));
    EXPECT_EQ(TitleAt(2), QStringLiteral("Long title"));
    EXPECT_EQ(TitleAt(3), QString::fromUtf8("中文"));
    EXPECT_EQ(TitleAt(4), QStringLiteral("100% sure"));
    EXPECT_EQ(TitleAt(5), QStringLiteral("%ZZ%41"));
    Add("...", "http://a/6.pdf");
    Add("www.site.com", "http://site.com/docs/");
    EXPECT_EQ(TitleAt(6), QStringLiteral("..."));
    EXPECT_EQ(TitleAt(7), QStringLiteral("www.site.com"));
}

TEST_F(ResultListTest, RandomSuffixMatchesTheFirstRowWithThatTitle) {
    Add("paper", "http://a/1.pdf");
    Add("paper", "http://a/2.pdf");
    Add("paper", "http://a/3.pdf");
    static const QRegularExpression suffixed("^paper_\\d+$");
    EXPECT_EQ(TitleAt(0), QStringLiteral("paper"));
    EXPECT_TRUE(suffixed.match(TitleAt(1)).hasMatch()) << TitleAt(1).toStdString();
    EXPECT_TRUE(suffixed.match(TitleAt(2)).hasMatch()) << TitleAt(2).toStdString();

    options.SetLiveInt(SettingKey::SuffixSameTitles, 0);
    Add("paper", "http://a/4.pdf");
    EXPECT_EQ(TitleAt(3), QStringLiteral("paper"));
}

TEST_F(ResultListTest, RegistryHitsAreRefusedWhenAskedTo) {
    const ChineseTranslation chinese;
    ASSERT_TRUE(chinese.Loaded());
    list.SetRegistry([](const QString& link) { return link.endsWith(u"old.pdf"); }, nullptr);
    EXPECT_EQ(Add("old", "http://a/old.pdf"), ResultList::AddResult::Added);  // SkipDownloaded is off
    options.SetCommittedInt(SettingKey::SkipDownloaded, 1);
    EXPECT_EQ(Add("again", "http://b/old.pdf"), ResultList::AddResult::AlreadyDownloaded);
    EXPECT_EQ(list.Size(), 1);
    EXPECT_EQ(status.Current(), QString::fromUtf8("again http://b/old.pdf 已经存在"));
    EXPECT_TRUE(
        home.Read("run.log").contains("again http://b/old.pdf " + QString::fromUtf8("已经存在").toUtf8()));
}

TEST_F(ResultListTest, SelectionChecksAndStatusActions) {
    QStringList forgotten;
    list.SetRegistry(nullptr, [&forgotten](const QString& link) { forgotten.append(link); });
    const RowStatus statuses[] = {RowStatus::Waiting, RowStatus::Downloading, RowStatus::Downloaded,
                                  RowStatus::Failed,  RowStatus::Duplicate,   RowStatus::InProgress(40)};
    for (int i = 0; i < 6; ++i) Add(QString::number(i), QStringLiteral("http://a/%1").arg(i), statuses[i]);
    auto id = [this](int position) { return *list.IdAt(position); };

    list.SetSelected(id(1), true);
    list.SetCheckOnSelectionOrAll(true);  // one highlighted row: all rows
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(list.IsChecked(id(i)));
    list.SetSelected(id(2), true);
    list.SetSelected(id(3), true);
    list.SetCheckOnSelectionOrAll(false);  // three highlighted: only those
    EXPECT_TRUE(list.IsChecked(id(0)));
    EXPECT_FALSE(list.IsChecked(id(1)));
    EXPECT_FALSE(list.IsChecked(id(3)));

    list.ApplyStatusAction(ResultList::StatusAction::AllToWaiting);
    EXPECT_EQ(list.Entry(id(1))->status, RowStatus::Waiting);
    EXPECT_EQ(list.Entry(id(2))->status, RowStatus::Downloaded);
    EXPECT_EQ(list.Entry(id(4))->status, RowStatus::Duplicate);
    EXPECT_EQ(list.Entry(id(5))->status, RowStatus::Waiting);
    EXPECT_EQ(forgotten, QStringList({"http://a/0", "http://a/1", "http://a/3", "http://a/5"}));

    list.ApplyStatusAction(ResultList::StatusAction::CheckedToDuplicate);  // checked rows: 0, 4, 5
    EXPECT_EQ(list.Entry(id(0))->status, RowStatus::Duplicate);
    EXPECT_EQ(list.Entry(id(1))->status, RowStatus::Waiting);
    EXPECT_EQ(list.CountDownloaded(), 1);

    StatusFilter onlyWaiting{false, false, true, false};
    EXPECT_TRUE(list.CheckByStatus(onlyWaiting));
    EXPECT_TRUE(list.IsChecked(id(1)));
    EXPECT_FALSE(list.IsChecked(id(2)));
}

TEST_F(ResultListTest, DeletingKeepsWorkersOnTheirOwnRows) {
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(list.AddLinkIfNew(QStringLiteral("http://a/%1").arg(i)), 1);
        Add(QString::number(i), QStringLiteral("http://a/%1").arg(i));
    }
    const RowId held = *list.IdAt(3);
    ASSERT_TRUE(list.ClaimIfWaiting(held));
    EXPECT_FALSE(list.ClaimIfWaiting(held));  // claimed once only

    list.SetChecked(*list.IdAt(0), true);
    list.SetChecked(*list.IdAt(1), true);
    const RowId doomed = *list.IdAt(4);
    list.SetChecked(doomed, true);
    EXPECT_TRUE(list.DeleteChecked());
    EXPECT_EQ(list.Size(), 2);
    EXPECT_TRUE(list.SetStatus(held, RowStatus::Downloaded));
    EXPECT_EQ(*list.PositionOf(held), 1);
    EXPECT_EQ(list.Entry(*list.IdAt(0))->status, RowStatus::Waiting);  // row "2" untouched
    EXPECT_FALSE(list.SetStatus(doomed, RowStatus::Failed));           // gone: nothing written anywhere
    EXPECT_EQ(list.AddLinkIfNew("http://a/0"), 1);                     // deleted links can come back
    EXPECT_EQ(list.AddLinkIfNew("http://a/2"), 0);

    options.SetCommittedText(SettingKey::ListFile, "/tmp/x.list");
    EXPECT_TRUE(list.ClearList());
    EXPECT_FALSE(list.ClearList());
    EXPECT_FALSE(list.DeleteChecked());
    EXPECT_EQ(options.Text(SettingKey::ListFile), QString());
    EXPECT_FALSE(list.SetStatus(held, RowStatus::Failed));
}

// The operations on a set of rows (a view's highlight) while a worker takes rows: the counts stay true
// and a row in flight that is deleted is simply gone for its worker.
TEST_F(ResultListTest, RowSetOperationsBesideAWorker) {
    constexpr int kRows = 2000;
    for (int i = 0; i < kRows; ++i) {
        const QString link = QStringLiteral("http://a/%1").arg(i);
        list.AddLinkIfNew(link);
        Add(QString::number(i), link);
    }
    QSet<RowId> odd, even;
    for (int i = 0; i < kRows; ++i) (i % 2 ? odd : even).insert(*list.IdAt(i));
    std::thread worker([&] {
        while (const auto claim = list.ClaimNextWaiting(0, list.Size()))
            list.SetStatus(claim->id, RowStatus::Failed, QStringLiteral("HTTP 404"));
    });
    list.SetCheckedRows(odd, true);
    list.InvertChecks();
    const qsizetype removed = list.DeleteRows(even);
    worker.join();
    list.ApplyStatusActionToRows(ResultList::StatusAction::CheckedToDuplicate, odd);
    EXPECT_EQ(removed, kRows / 2);
    EXPECT_EQ(list.Size(), kRows / 2);
    for (qsizetype position = 0; position < list.Size(); ++position) {
        const RowId id = *list.IdAt(position);
        EXPECT_TRUE(odd.contains(id));
        EXPECT_FALSE(list.IsChecked(id));  // ticked, then inverted
        EXPECT_EQ(list.Entry(id)->status, RowStatus::Duplicate);
    }
    const ResultList::StatusCounts counts = list.Counts();
    EXPECT_EQ(counts.waiting + counts.failed + counts.downloaded, 0);
    EXPECT_EQ(list.DeleteRows(even), 0);  // gone already
    EXPECT_EQ(list.AddLinkIfNew("http://a/0"), 1);
    EXPECT_EQ(list.AddLinkIfNew("http://a/1"), 0);
}

TEST_F(ResultListTest, ClaimNextWaitingTakesEachWaitingRowOnceAndFindsRowsThatWaitAgain) {
    const RowStatus statuses[] = {RowStatus::Waiting, RowStatus::Downloaded, RowStatus::Waiting,
                                  RowStatus::Failed, RowStatus::Waiting};
    for (int i = 0; i < 5; ++i) Add(QString::number(i), QStringLiteral("http://a/%1").arg(i), statuses[i]);
    const auto claimAt = [this](qsizetype from, qsizetype end) -> qsizetype {
        const auto claim = list.ClaimNextWaiting(from, end);
        if (!claim) return -1;
        EXPECT_EQ(claim->id, *list.IdAt(claim->position));
        EXPECT_EQ(claim->entry.title, QString::number(claim->position));
        EXPECT_EQ(list.Entry(claim->id)->status, RowStatus::Downloading);
        return claim->position;
    };
    EXPECT_EQ(claimAt(0, 5), 0);
    EXPECT_EQ(claimAt(0, 4), 2);
    EXPECT_EQ(claimAt(3, 4), -1);  // row 4 lies outside the walk
    EXPECT_EQ(claimAt(0, 100), 4);
    EXPECT_EQ(claimAt(0, 5), -1);

    // Rows behind the walk that wait again are found again.
    list.SetStatus(*list.IdAt(2), RowStatus::Waiting);
    list.ResetFailedToWaiting();
    EXPECT_EQ(claimAt(3, 5), 3);  // a walk that starts further on passes row 2 by
    EXPECT_EQ(claimAt(0, 5), 2);
    EXPECT_EQ(claimAt(0, 5), -1);
    Add("5", "http://a/5");
    Add("6", "http://a/6");
    EXPECT_EQ(claimAt(0, 7), 5);

    // Deleting rows ahead of the walk moves the waiting row 6 to position 5.
    list.SetChecked(*list.IdAt(0), true);
    ASSERT_TRUE(list.DeleteChecked());
    const auto moved = list.ClaimNextWaiting(0, list.Size());
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->entry.title, "6");
    EXPECT_FALSE(list.ClaimNextWaiting(0, list.Size()));
}

TEST_F(ResultListTest, RowsGivenBackInFlightAreClaimedFirstAndLoseTheirSpeed) {
    for (const char* name : {"a", "b", "c", "d"}) Add(name, QStringLiteral("http://h/%1.pdf").arg(name));
    const RowId c = *list.IdAt(2);
    const RowId d = *list.IdAt(3);
    ASSERT_EQ(list.ClaimWaitingAt(2)->first, c);
    ASSERT_EQ(list.ClaimWaitingAt(3)->first, d);
    list.SetStatus(c, RowStatus::InProgress(40));
    list.SetSpeed(c, 2048);
    list.SetSpeed(d, 1000);
    EXPECT_EQ(list.SpeedOf(2), 2048);
    EXPECT_EQ(list.TotalSpeed(), 3048);
    EXPECT_EQ(list.SpeedOf(-1) + list.SpeedOf(4) + list.SpeedOf(0), 0);

    // Given back in the order they stopped; the speed goes with the transfer.
    list.ReturnToWaiting(d);
    list.ReturnToWaiting(c);
    EXPECT_EQ(list.TotalSpeed(), 0);
    list.SetSpeed(c, 99);  // a late sample of a transfer that has ended
    EXPECT_EQ(list.SpeedOfId(c), 0);

    // A walk at its start takes the given-back rows first without losing its place; a given-back row
    // that the walk refuses (its host is full) waits for a later claim.
    auto first = list.ClaimNextWaiting(0, list.Size(), [&](const ResultEntry& e) { return e.title != "c"; });
    ASSERT_TRUE(first && first->returned);
    EXPECT_EQ(first->id, d);
    auto second = list.ClaimNextWaiting(0, list.Size());
    ASSERT_TRUE(second && second->returned);
    EXPECT_EQ(second->id, c);
    auto third = list.ClaimNextWaiting(0, list.Size());
    ASSERT_TRUE(third && !third->returned);
    EXPECT_EQ(third->position, 0);

    // A given-back row that is deleted or set to another status before it is claimed is forgotten.
    list.ReturnToWaiting(c);
    list.ReturnToWaiting(d);
    list.SetStatus(c, RowStatus::Downloaded);
    list.SetChecked(d, true);
    list.DeleteChecked();
    auto next = list.ClaimNextWaiting(0, list.Size());
    ASSERT_TRUE(next && !next->returned);
    EXPECT_EQ(next->position, 1);
}

TEST_F(ResultListTest, AWalkInBoundedStepsResumesWhereItStoppedAndTheGenerationTellsOfNewWaitingRows) {
    for (int i = 0; i < 10; ++i) Add(QString::number(i), QStringLiteral("http://a/%1").arg(i));
    const auto onlyNine = [](const ResultEntry& entry) { return entry.title == "9"; };
    // Three rows a step: the walk stops short of row 9 three times, each time telling where it goes on.
    qsizetype next = -1;
    std::vector<qsizetype> stops;
    std::optional<ResultList::Claim> claim;
    for (qsizetype from = 0; !claim;) {
        claim = list.ClaimNextWaiting(from, 10, onlyNine, 3, &next);
        if (!claim) stops.push_back(from = next);
    }
    EXPECT_EQ(stops, (std::vector<qsizetype>{3, 6, 9}));
    EXPECT_EQ(claim->position, 9);
    EXPECT_EQ(list.RowsExaminedByClaims(), 10u);
    // The rows passed over still wait, and a walk from the top finds them.
    ASSERT_TRUE(list.ClaimNextWaiting(0, 10, nullptr, 3, &next));
    EXPECT_EQ(list.ClaimNextWaiting(0, 10)->position, 1);
    // A walk that finds nothing says it is over; a budget below one still moves on.
    for (int i = 0; i < 7; ++i) ASSERT_TRUE(list.ClaimNextWaiting(0, 10, nullptr, 0, &next));
    EXPECT_FALSE(list.ClaimNextWaiting(0, 10, nullptr, 3, &next));
    EXPECT_EQ(next, 10);

    // Claims leave the generation alone; rows that come in waiting or go back to waiting move it.
    quint64 generation = list.WaitingGeneration();
    list.SetStatus(*list.IdAt(0), RowStatus::Downloaded);
    list.SetStatus(*list.IdAt(1), RowStatus::Failed);
    Add("done", "http://a/done", RowStatus::Downloaded);
    EXPECT_EQ(list.WaitingGeneration(), generation);
    list.ResetFailedToWaiting();
    EXPECT_NE(list.WaitingGeneration(), generation);
    generation = list.WaitingGeneration();
    Add("new", "http://a/new");
    EXPECT_NE(list.WaitingGeneration(), generation);
}

TEST_F(ResultListTest, AStagedLoadReplacesTheRowsButKeepsWhatArrivedMeanwhile) {
    list.AddLinkIfNew("http://a/old");
    Add("old", "http://a/old");
    const RowId keepFrom = list.NextId();
    auto staging = list.MakeStaging();
    for (const char* link : {"http://a/1", "http://a/2"}) {
        staging->AddLinkIfNew(link);
        staging->AddEntry("loaded", "pdf", "1", link, RowStatus::Waiting);
    }
    list.AddLinkIfNew("http://a/found");
    Add("loaded", "http://a/found");  // a search hit that came in during the load
    list.AdoptRows(*staging, keepFrom);
    const QList<ResultEntry> rows = list.Snapshot();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].link, "http://a/found");
    EXPECT_EQ(rows[1].link, "http://a/1");
    EXPECT_EQ(list.AddLinkIfNew("http://a/old"), 1);  // the old rows and their links are gone
    EXPECT_EQ(list.AddLinkIfNew("http://a/2"), 0);
    EXPECT_EQ(list.AddLinkIfNew("http://a/found"), 0);
    for (qsizetype i = 0; i < 3; ++i) EXPECT_TRUE(list.ClaimIfWaiting(*list.IdAt(i)));  // ids stay in order
    Add("loaded", "http://a/3");
    EXPECT_TRUE(list.Snapshot().last().title.startsWith("loaded_"));  // the first "loaded" row is known
}

TEST_F(ResultListTest, ConcurrentProducersAndWorkers) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([this, t] {
            for (int i = 0; i < 500; ++i) {
                const QString link = QStringLiteral("http://a/%1/%2").arg(t).arg(i);
                if (list.AddLinkIfNew(link) == 1) Add("same title", link);
            }
        });
    }
    std::atomic<int> claimed{0};
    for (int w = 0; w < 4; ++w) {
        threads.emplace_back([this, &claimed, w] {
            for (int pass = 0; pass < 50; ++pass) {
                if (w % 2) {  // the download workers' walk
                    const qsizetype rows = list.Size();
                    for (auto claim = list.ClaimNextWaiting(0, rows); claim;
                         claim = list.ClaimNextWaiting(claim->position + 1, rows)) {
                        ++claimed;
                        list.SetStatus(claim->id, RowStatus::Downloaded);
                    }
                    continue;
                }
                for (qsizetype p = 0; p < list.Size(); ++p) {
                    if (const auto id = list.IdAt(p); id && list.ClaimIfWaiting(*id)) {
                        ++claimed;
                        list.SetStatus(*id, RowStatus::Downloaded);
                    }
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(list.Size(), 4000);
    for (qsizetype p = 0; p < list.Size(); ++p) {
        if (const auto id = list.IdAt(p); list.ClaimIfWaiting(*id)) ++claimed;
    }
    EXPECT_EQ(claimed.load(), 4000);  // every row claimed exactly once
    EXPECT_TRUE(list.TakeChanges().structural);
    EXPECT_FALSE(list.TakeChanges().structural);
}

}  // namespace
