#pragma once
// Spaces the requests to one search engine across all search threads. While an engine's politeness
// delay is above 0, one request to it is under way at a time, and each starts at least the delay after
// the previous one ended, so the engine sees the gap whatever the network does. Engines without a delay
// pass freely. A thread waiting here is busy, not idle. Any thread.

#include <QString>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <unordered_map>

#include "lists/TextHash.h"

class EngineGate {
  public:
    // The engine's turn; it ends (and the delay starts) when the Turn is destroyed.
    class Turn {
      public:
        Turn() = default;
        Turn(Turn&& other) noexcept : gate_(other.gate_), engine_(std::move(other.engine_)) {
            other.gate_ = nullptr;
        }
        Turn& operator=(Turn&&) = delete;
        Turn(const Turn&) = delete;
        ~Turn();

      private:
        friend class EngineGate;
        Turn(EngineGate* gate, QString engine) : gate_(gate), engine_(std::move(engine)) {}
        EngineGate* gate_ = nullptr;
        QString engine_;
    };

    // Waits for the engine's turn. checkpoint runs at least every 100 ms while waiting and may throw
    // (a cancellation) to give the wait up; the turn then passes to the next thread.
    Turn Enter(const QString& engine, int delayMs, const std::function<void()>& checkpoint);

  private:
    using Clock = std::chrono::steady_clock;
    struct Lane {
        bool busy = false;
        Clock::time_point free{};  // the earliest start of the next request
        int delayMs = 0;
    };
    void Leave(const QString& engine);

    std::mutex lock_;
    std::condition_variable changed_;
    std::unordered_map<QString, Lane, TextHash> lanes_;
};
