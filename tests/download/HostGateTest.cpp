#include <gtest/gtest.h>

#include <thread>

#include "download/HostGate.h"

TEST(HostGate, HostOfAnAddress) {
    EXPECT_EQ(HostGate::HostOf("http://Example.COM/a.pdf"), "example.com");
    EXPECT_EQ(HostGate::HostOf("https://user:pw@files.example.com:8443/x?y=1#z"), "files.example.com");
    EXPECT_EQ(HostGate::HostOf("http://a.example?x=http://b.example/"), "a.example");
    EXPECT_EQ(HostGate::HostOf("http://[2001:DB8::1]:8080/a"), "2001:db8::1");
    EXPECT_EQ(HostGate::HostOf("www.example.com/doc.pdf"), "www.example.com");
    // A path's "@" is not a user part.
    EXPECT_EQ(HostGate::HostOf("http://a.example/@b.example"), "a.example");
    EXPECT_EQ(HostGate::HostOf(""), "");
    EXPECT_EQ(HostGate::HostOf("http://"), "");
    EXPECT_EQ(HostGate::HostOf("http://[::1"), "");
    EXPECT_EQ(HostGate::HostOf(QString(100000, u'a')), QString(100000, u'a'));
}

TEST(HostGate, CapPerHostAndRests) {
    HostGate gate;
    gate.SetCap(2);
    HostGate::Ticket a1 = gate.TryEnter("a");
    HostGate::Ticket a2 = gate.TryEnter("a");
    EXPECT_TRUE(a1.Holds() && a2.Holds());
    EXPECT_FALSE(gate.TryEnter("a").Holds());
    EXPECT_TRUE(gate.TryEnter("b").Holds());  // other hosts are not held back
    EXPECT_TRUE(gate.TryEnter("").Holds());   // nor addresses without a host
    a1.Release();
    EXPECT_EQ(gate.Open("a"), 1);
    EXPECT_TRUE(gate.TryEnter("a").Holds());

    gate.SetCap(0);
    std::vector<HostGate::Ticket> many;
    for (int i = 0; i < 50; ++i) many.push_back(gate.TryEnter("a"));
    EXPECT_TRUE(many.back().Holds());
    many.clear();
    EXPECT_EQ(gate.Open("a"), 1);  // a2

    // A rest holds a host back even without a cap, and ends by itself.
    gate.Rest("c", HostGate::Clock::now() + std::chrono::milliseconds(300));
    EXPECT_TRUE(gate.Refuses("c"));
    EXPECT_FALSE(gate.TryEnter("c").Holds());
    HostGate::Ticket c = gate.WaitForRoom({"c"}, 30000);
    EXPECT_TRUE(c.Holds());
    EXPECT_EQ(c.Host(), "c");
    EXPECT_FALSE(gate.Refuses("c"));
}

TEST(HostGate, AWaiterGetsThePlaceAnotherGivesBack) {
    HostGate gate;
    gate.SetCap(1);
    HostGate::Ticket held = gate.TryEnter("a");
    gate.Rest("b", HostGate::Clock::now() + std::chrono::hours(1));
    EXPECT_FALSE(gate.WaitForRoom({"a"}, 50).Holds());
    std::thread giver([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        held.Release();
    });
    HostGate::Ticket got = gate.WaitForRoom({"a", "b"}, 30000);
    giver.join();
    EXPECT_EQ(got.Host(), "a");
    EXPECT_EQ(gate.Open("a"), 1);  // the place passed over, never shared
    HostGate::Ticket moved = std::move(got);
    EXPECT_EQ(gate.Open("a"), 1);
    moved = HostGate::Ticket();
    EXPECT_EQ(gate.Open("a"), 0);
}
