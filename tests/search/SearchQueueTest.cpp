#include <gtest/gtest.h>

#include <QStringList>
#include <atomic>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "search/SearchQueue.h"

namespace {

QStringList Drain(SearchQueue& queue) {
    QStringList urls;
    while (const auto item = queue.PopUrl()) urls.append(item->url);
    return urls;
}

TEST(SearchQueue, AnAddressIsQueuedOnceWhicheverEndItGoesTo) {
    SearchQueue queue;
    EXPECT_TRUE(queue.QueueUrl("http://a/1", 0));
    EXPECT_FALSE(queue.QueueUrl("http://a/1", 2));
    EXPECT_FALSE(queue.QueueUrlFront("http://a/1"));
    EXPECT_EQ(queue.Waiting(), 1);

    EXPECT_TRUE(queue.QueueUrlFront("http://a/front"));
    EXPECT_FALSE(queue.QueueUrlFront("http://a/front"));
    EXPECT_FALSE(queue.QueueUrl("http://a/front", 0));
    EXPECT_EQ(queue.Waiting(), 2);
    EXPECT_EQ(queue.SeenCount(), 2);

    // Taken addresses stay seen: a search never fetches a page twice.
    EXPECT_EQ(Drain(queue), QStringList({"http://a/front", "http://a/1"}));
    EXPECT_FALSE(queue.QueueUrl("http://a/1", 0));
    EXPECT_FALSE(queue.QueueUrlFront("http://a/front"));
    EXPECT_EQ(queue.Waiting(), 0);
}

TEST(SearchQueue, RequeueKeepsTriesAndClearingForgetsEverything) {
    SearchQueue queue;
    queue.QueueUrl("http://a/1", 0);
    queue.QueueUrl("http://a/2", 0);
    auto failed = queue.PopUrl();
    ASSERT_TRUE(failed);
    failed->tries = 1;
    queue.Requeue(*failed);  // a failed page goes to the back, although it was seen
    ASSERT_EQ(queue.PopUrl()->url, "http://a/2");
    const auto again = queue.PopUrl();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->url, "http://a/1");
    EXPECT_EQ(again->tries, 1);
    EXPECT_FALSE(queue.PopUrl());

    queue.QueueUrl("http://a/3", 0);
    queue.ClearSearchRecords();
    EXPECT_EQ(queue.Waiting(), 0);
    EXPECT_EQ(queue.SeenCount(), 0);
    EXPECT_TRUE(queue.QueueUrl("http://a/1", 0));
    EXPECT_TRUE(queue.QueueUrlFront("http://a/3"));
}

TEST(SearchQueue, ThreadsQueuingTheSameAddressesQueueEachOnce) {
    SearchQueue queue;
    std::atomic<int> accepted{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&queue, &accepted, t] {
            for (int i = 0; i < 1000; ++i) {
                const QString url = QStringLiteral("http://a/%1").arg(i);
                if (t % 2 ? queue.QueueUrlFront(url) : queue.QueueUrl(url, 0)) ++accepted;
                if (i % 7 == 0) queue.PopUrl();
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(accepted.load(), 1000);
    EXPECT_EQ(queue.SeenCount(), 1000);
    EXPECT_LE(queue.Waiting(), 1000);
    const QStringList rest = Drain(queue);
    EXPECT_EQ(QStringList(rest).removeDuplicates(), 0);
}

// Takers that find the queue empty wait for what a busy taker may still queue; the work is done only
// when every taker waits on the empty queue with no build under way.
TEST(SearchQueue, TakersWaitForBusyOnesAndAllEndWhenTheQueueRunsDry) {
    SearchQueue queue;
    constexpr int kTakers = 4;
    for (int i = 0; i < kTakers; ++i) queue.AddTaker();
    queue.QueueUrl("http://a/0", 0);
    const std::atomic<bool> stop{false};
    const auto stopRequested = [&stop] { return stop.load(); };
    std::atomic<int> served{0}, done{0};
    std::vector<std::thread> takers;
    for (int i = 0; i < kTakers; ++i) {
        takers.emplace_back([&] {
            for (;;) {
                bool finished = false;
                const auto item = queue.TakeOrWait(stopRequested, &finished);
                if (finished) break;
                if (!item) continue;
                served.fetch_add(1);
                // Each page of the first three levels links to three more: 40 in all.
                const int n = item->url.mid(9).toInt();
                if (n < 13) {
                    for (int k = 1; k <= 3; ++k)
                        queue.QueueUrl(QStringLiteral("http://a/%1").arg(n * 3 + k), 0);
                }
            }
            done.fetch_add(1);
            queue.RemoveTaker();
        });
    }
    for (std::thread& taker : takers) taker.join();
    EXPECT_EQ(served.load(), 40);
    EXPECT_EQ(done.load(), kTakers);
    EXPECT_EQ(queue.Waiting(), 0);
    EXPECT_EQ(queue.WaitingTakers(), 0);
}

TEST(SearchQueue, ABuildUnderWayOrABusyTakerKeepsTheOthersWaiting) {
    SearchQueue queue;
    const std::atomic<bool> stop{false};
    const auto stopRequested = [&stop] { return stop.load(); };
    queue.BeginBuild();
    queue.AddTaker();
    queue.AddTaker();
    std::atomic<int> ended{0};
    QStringList taken;
    std::mutex takenLock;
    const auto serve = [&] {
        for (;;) {
            bool finished = false;
            const auto item = queue.TakeOrWait(stopRequested, &finished);
            if (finished) break;
            if (item) {
                std::lock_guard hold(takenLock);
                taken.append(item->url);
            }
        }
        ended.fetch_add(1);
        queue.RemoveTaker();
    };
    std::thread first(serve), second(serve);
    while (queue.WaitingTakers() < 2) std::this_thread::yield();
    EXPECT_EQ(ended.load(), 0);  // both wait on the empty queue, but the build may still queue
    queue.QueueUrl("http://a/1", 0);
    queue.EndBuild();
    first.join();
    second.join();
    EXPECT_EQ(taken, QStringList{"http://a/1"});
    EXPECT_EQ(ended.load(), 2);
}

TEST(SearchQueue, AWakeUpLetsAStoppedTakerLeaveWithoutEndingTheWork) {
    SearchQueue queue;
    std::atomic<bool> stop{false};
    queue.AddTaker();
    queue.AddTaker();  // a second taker that is busy: the work is not done
    std::optional<QueueItem> result{QueueItem{}};
    bool finished = true;
    std::thread taker([&] { result = queue.TakeOrWait([&stop] { return stop.load(); }, &finished); });
    while (queue.WaitingTakers() < 1) std::this_thread::yield();
    stop.store(true);
    queue.WakeTakers();
    taker.join();
    EXPECT_FALSE(result);
    EXPECT_FALSE(finished);
    EXPECT_EQ(queue.WaitingTakers(), 0);
}

}  // namespace
