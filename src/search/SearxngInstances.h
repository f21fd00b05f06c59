#pragma once
// The SearXNG instances a search spreads its requests over, round-robin. An instance that failed or asked
// for a pause (HTTP 429) rests for a while and is passed over until then. Every call may come from any
// search thread; one lock guards the list.

#include <QMutex>
#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>
#include <vector>

class SearxngInstances {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds kDefaultRest{120};

    // A new list of instances; rests of the old one are forgotten.
    void Reset(const QStringList& instances);
    void SetRest(std::chrono::milliseconds rest);

    // The next instance that is not resting; nothing when every one rests (or there is none).
    std::optional<QString> Next();
    void Rest(const QString& instance);
    int Count() const;

  private:
    struct Instance {
        QString address;
        Clock::time_point restUntil;
    };
    mutable QMutex lock_;
    std::vector<Instance> instances_;
    size_t next_ = 0;
    std::chrono::milliseconds rest_ = kDefaultRest;
};
