#include <gtest/gtest.h>

#include <QString>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "search/EngineGate.h"
#include "search/EngineLedger.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Visit {
    Clock::time_point in, out;
};

TEST(EngineGate, OneRequestAtATimeEachTheDelayAfterThePrevious) {
    EngineGate gate;
    constexpr int kDelayMs = 30;
    std::mutex lock;
    std::vector<Visit> visits;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 3; ++i) {
                EngineGate::Turn turn = gate.Enter(QStringLiteral("slow"), kDelayMs, nullptr);
                Visit visit{Clock::now(), {}};
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                visit.out = Clock::now();
                std::lock_guard<std::mutex> hold(lock);
                visits.push_back(visit);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    ASSERT_EQ(visits.size(), 12u);
    std::sort(visits.begin(), visits.end(), [](const Visit& a, const Visit& b) { return a.in < b.in; });
    for (size_t i = 1; i < visits.size(); ++i) {
        // A lower bound on the gap, never an upper one.
        EXPECT_GE(visits[i].in - visits[i - 1].out, std::chrono::milliseconds(kDelayMs)) << i;
    }
}

TEST(EngineGate, EnginesWithoutDelayPassAndAGivenUpWaitPassesTheTurnOn) {
    EngineGate gate;
    {
        // No delay: nothing is held, so a second turn of the same engine is at once available.
        EngineGate::Turn a = gate.Enter(QStringLiteral("free"), 0, nullptr);
        EngineGate::Turn b = gate.Enter(QStringLiteral("free"), 0, nullptr);
    }
    std::atomic<bool> cancel{false};
    std::atomic<bool> gaveUp{false};
    std::optional<EngineGate::Turn> held;
    held.emplace(gate.Enter(QStringLiteral("e"), 10, nullptr));
    std::thread waiter([&] {
        try {
            EngineGate::Turn turn = gate.Enter(QStringLiteral("e"), 10, [&] {
                if (cancel.load()) throw 1;
            });
        } catch (int) {
            gaveUp.store(true);
        }
    });
    cancel.store(true);
    waiter.join();
    EXPECT_TRUE(gaveUp.load());
    held.reset();
    // The lane is free again for the next thread after the delay.
    EngineGate::Turn next = gate.Enter(QStringLiteral("e"), 10, nullptr);
}

TEST(EngineLedger, CountsPerEngineAndSuspendsOnce) {
    EngineLedger ledger;
    EXPECT_FALSE(ledger.AllBlocked());  // nothing asked
    ledger.Queued("google");
    ledger.Queued("bing");
    ledger.Fetched("google", 10, 3);
    ledger.Fetched("google", 8, 0);
    EXPECT_TRUE(ledger.Suspend("bing", "CAPTCHA"));
    EXPECT_FALSE(ledger.Suspend("bing", "HTTP 429"));  // the first reason stands
    ledger.Skipped("bing", 4);
    EXPECT_TRUE(ledger.IsSuspended("bing"));
    EXPECT_FALSE(ledger.IsSuspended("google"));
    EXPECT_FALSE(ledger.AllBlocked());
    const QList<EngineTally> tallies = ledger.Snapshot();
    ASSERT_EQ(tallies.size(), 2);
    EXPECT_EQ(tallies[0].engine, "google");
    EXPECT_EQ(tallies[0].pagesFetched, 2);
    EXPECT_EQ(tallies[0].hits, 18);
    EXPECT_EQ(tallies[0].rowsAdded, 3);
    EXPECT_EQ(tallies[1].reason, "CAPTCHA");
    EXPECT_EQ(tallies[1].pagesSkipped, 4);
    ledger.Suspend("google", "HTTP 503");
    EXPECT_TRUE(ledger.AllBlocked());
    ledger.Clear();
    EXPECT_FALSE(ledger.IsSuspended("google"));

    // The first three fetches all failing at the network level stop an engine, once; an engine that
    // answered before, or failed otherwise in between, was reachable and goes on.
    for (const char* engine : {"baidu", "bing", "yahoo"}) ledger.Queued(engine);
    EXPECT_FALSE(ledger.Failed("baidu", FetchFailure::Network, "no network: a"));
    EXPECT_FALSE(ledger.Failed("baidu", FetchFailure::Network, "no network: b"));
    EXPECT_TRUE(ledger.Failed("baidu", FetchFailure::Network, "no network: c"));
    EXPECT_FALSE(ledger.Failed("baidu", FetchFailure::Network, "no network: d"));
    ledger.Answered("bing");
    ledger.Failed("yahoo", FetchFailure::NoAnswer, {});
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(ledger.Failed("bing", FetchFailure::Network, "x"));
        EXPECT_FALSE(ledger.Failed("yahoo", FetchFailure::Network, "x"));
    }
    EXPECT_TRUE(ledger.IsSuspended("baidu"));
    EXPECT_EQ(ledger.Snapshot()[0].reason, "no network: c");
    EXPECT_FALSE(ledger.NoneAnswered());  // bing answered
    EXPECT_FALSE(ledger.AllBlocked());
    EXPECT_EQ(ledger.FailureCounts()[size_t(FetchFailure::Network)], 10);
}

}  // namespace
