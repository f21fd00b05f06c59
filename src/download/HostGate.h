#pragma once
// Shares the download workers among the hosts they fetch from: at most `cap` transfers to one host at a
// time (0: no cap), and none at all to a host that asked us to slow down (429/503) until its rest is over.
// A worker that finds a host full or resting takes another row instead; one with nothing else to take
// waits here for room at one of the hosts it passed over. Any thread.

#include <QSet>
#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <unordered_map>

#include "lists/TextHash.h"

class HostGate {
  public:
    using Clock = std::chrono::steady_clock;

    // A place at one host, given back when the ticket is destroyed. An empty ticket holds nothing.
    class Ticket {
      public:
        Ticket() = default;
        Ticket(Ticket&& other) noexcept : gate_(other.gate_), host_(std::move(other.host_)) {
            other.gate_ = nullptr;
        }
        Ticket& operator=(Ticket&& other) noexcept;
        Ticket(const Ticket&) = delete;
        Ticket& operator=(const Ticket&) = delete;
        ~Ticket() { Release(); }

        bool Holds() const { return gate_ != nullptr; }
        const QString& Host() const { return host_; }
        void Release();

      private:
        friend class HostGate;
        Ticket(HostGate* gate, QString host) : gate_(gate), host_(std::move(host)) {}
        HostGate* gate_ = nullptr;
        QString host_;
    };

    // The lower-cased host name of an http(s) address, without user, port or brackets; empty when the
    // address has none.
    static QString HostOf(const QString& address);

    // Transfers per host; 0 lifts the cap. Takes effect for the next ticket.
    void SetCap(int cap) { cap_.store(cap < 0 ? 0 : cap); }
    int Cap() const { return cap_.load(); }

    // A place at host now, or an empty ticket when it is full or resting. An empty host (an address the
    // transfer will refuse anyway) is never held back: its ticket counts against no host.
    Ticket TryEnter(const QString& host);
    // Whether TryEnter would refuse host right now.
    bool Refuses(const QString& host);
    // Waits up to `milliseconds` for one of the hosts to have room and takes a place there; an empty
    // ticket when none had room in that time.
    Ticket WaitForRoom(const QSet<QString>& hosts, int milliseconds);
    // No new transfer to host before `until` (a later rest already set stays).
    void Rest(const QString& host, Clock::time_point until);
    // Transfers to host under way right now.
    int Open(const QString& host);

  private:
    struct Lane {
        int open = 0;
        Clock::time_point restUntil{};
    };
    bool HasRoomLocked(const QString& host, Clock::time_point now) const;
    void Leave(const QString& host);

    std::atomic<int> cap_{0};
    std::mutex lock_;
    std::condition_variable changed_;
    std::unordered_map<QString, Lane, TextHash> lanes_;
};
