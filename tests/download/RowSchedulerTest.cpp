#include <gtest/gtest.h>

#include <QString>
#include <array>
#include <atomic>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "download/RowScheduler.h"

namespace {

using namespace std::chrono_literals;

TEST(RowScheduler, NeverGivesARowOfAFullOrRestingHostAndHostsTakeTurns) {
    RowScheduler scheduler;
    scheduler.SetCap(2);
    for (RowScheduler::RowId row = 1; row <= 5; ++row) scheduler.Add(row, "a");
    scheduler.Add(11, "b");
    scheduler.Add(12, "b");
    scheduler.Add(21, "c");
    scheduler.Rest("c", RowScheduler::Clock::now() + 1h);
    std::vector<std::pair<RowScheduler::RowId, QString>> taken;
    while (const auto next = scheduler.Take()) taken.emplace_back(next->row, next->host);
    // Two of a, two of b, none of c, the hosts in turn.
    const std::vector<std::pair<RowScheduler::RowId, QString>> expected{{1, "a"}, {11, "b"}, {2, "a"}, {12, "b"}};
    EXPECT_EQ(taken, expected);
    EXPECT_EQ(scheduler.Open("a"), 2);
    EXPECT_EQ(scheduler.Queued(), 4u);  // a3..a5 and c1
    // A transfer of a ends: exactly one more row of a.
    scheduler.Done("a");
    ASSERT_EQ(scheduler.Take()->row, 3u);
    EXPECT_FALSE(scheduler.Take());
    // A rest that runs out, or is lifted, lets the host's rows go.
    scheduler.Rest("b", RowScheduler::Clock::now() + 30ms);
    scheduler.Done("b");
    scheduler.Add(13, "b");
    EXPECT_FALSE(scheduler.Take());
    const auto afterRest = scheduler.WaitTake(5000);
    ASSERT_TRUE(afterRest);
    EXPECT_EQ(afterRest->row, 13u);
    scheduler.Lift("c");
    ASSERT_EQ(scheduler.Take()->row, 21u);
}

TEST(RowScheduler, ARowGivenBackIsTakenFirstAndOnlyOnce) {
    RowScheduler scheduler;
    scheduler.SetCap(1);
    for (RowScheduler::RowId row = 1; row <= 3; ++row) scheduler.Add(row, "a");
    ASSERT_EQ(scheduler.Take()->row, 1u);
    scheduler.Take();  // the host is full
    // Stopped in flight: back to the front; the list's feed may bring it again, which changes nothing.
    scheduler.AddFirst(1, "a");
    scheduler.Add(1, "a");
    scheduler.Done("a");
    std::vector<RowScheduler::RowId> order;
    while (const auto next = scheduler.Take()) {
        order.push_back(next->row);
        scheduler.Done(next->host);
    }
    EXPECT_EQ(order, (std::vector<RowScheduler::RowId>{1, 2, 3}));
    // Cleared queues forget rows but not transfers under way.
    scheduler.Add(4, "a");
    ASSERT_TRUE(scheduler.Take());
    scheduler.Add(5, "a");
    scheduler.ClearQueues();
    scheduler.Add(5, "a");
    EXPECT_FALSE(scheduler.Take());
    scheduler.Done("a");
    EXPECT_EQ(scheduler.Take()->row, 5u);
}

// Many takers at once (ThreadSanitizer runs this too): every row is taken once, and no host ever has more
// transfers than its cap.
TEST(RowScheduler, ConcurrentTakersKeepTheCapAndTakeEveryRowOnce) {
    constexpr int kHosts = 4, kRowsPerHost = 500, kCap = 3, kTakers = 8;
    RowScheduler scheduler;
    scheduler.SetCap(kCap);
    std::array<std::atomic<int>, kHosts> open{};
    std::atomic<int> overCap{0};
    std::mutex takenMutex;
    std::set<RowScheduler::RowId> taken;
    std::thread feeder([&] {
        for (int i = 0; i < kRowsPerHost * kHosts; ++i)
            scheduler.Add(RowScheduler::RowId(i), QString("h%1").arg(i % kHosts));
    });
    std::vector<std::thread> takers;
    for (int t = 0; t < kTakers; ++t) {
        takers.emplace_back([&] {
            for (int idle = 0; idle < 3;) {
                const auto next = scheduler.WaitTake(50);
                if (!next) {
                    ++idle;
                    continue;
                }
                idle = 0;
                const int host = next->host.mid(1).toInt();
                if (open[size_t(host)].fetch_add(1) + 1 > kCap) overCap.fetch_add(1);
                {
                    std::lock_guard lock(takenMutex);
                    EXPECT_TRUE(taken.insert(next->row).second) << next->row;
                }
                std::this_thread::yield();
                open[size_t(host)].fetch_sub(1);
                scheduler.Done(next->host);
            }
        });
    }
    feeder.join();
    for (std::thread& taker : takers) taker.join();
    EXPECT_EQ(overCap.load(), 0);
    EXPECT_EQ(taken.size(), size_t(kHosts * kRowsPerHost));
    EXPECT_EQ(scheduler.Queued(), 0u);
}

}  // namespace
