#include <gtest/gtest.h>

#include <QStringList>
#include <atomic>
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

}  // namespace
