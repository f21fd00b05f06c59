#include "search/EngineGate.h"

namespace {

constexpr auto kCheckpointEvery = std::chrono::milliseconds(100);

}  // namespace

EngineGate::Turn::~Turn() {
    if (gate_) gate_->Leave(engine_);
}

EngineGate::Turn EngineGate::Enter(const QString& engine, int delayMs,
                                   const std::function<void()>& checkpoint) {
    if (delayMs <= 0) return {};
    std::unique_lock<std::mutex> hold(lock_);
    Lane& lane = lanes_[engine];
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (!lane.busy && now >= lane.free) break;
        const Clock::time_point until =
            lane.busy ? now + kCheckpointEvery : std::min(lane.free, now + kCheckpointEvery);
        changed_.wait_until(hold, until);
        if (checkpoint) {
            // The checkpoint may throw: it must not do so while the lock is held.
            hold.unlock();
            checkpoint();
            hold.lock();
        }
    }
    lane.busy = true;
    lane.delayMs = delayMs;
    return Turn(this, engine);
}

void EngineGate::Leave(const QString& engine) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        Lane& lane = lanes_[engine];
        lane.busy = false;
        lane.free = Clock::now() + std::chrono::milliseconds(lane.delayMs);
    }
    changed_.notify_all();
}
