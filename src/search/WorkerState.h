#pragma once
// The state word of a background thread slot (search control thread, search threads, hand-off thread)
// and its cancellation point. Bits: 1 running, 4 cancel requested, 8 stop requested; reaping clears the
// three low bits. Written by one thread and polled by another, so it is an atomic.

#include <atomic>

namespace WorkerBits {
constexpr int kRunning = 1;
constexpr int kCancel = 4;
constexpr int kStop = 8;
constexpr int kLowBits = 7;
}  // namespace WorkerBits

// Thrown by CheckCancel and caught at the thread's outermost level; nothing else crosses operations.
struct WorkerCancelled {
    int state;
};

inline void CheckCancel(const std::atomic<int>& state) {
    const int value = state.load();
    if (value & (WorkerBits::kCancel | WorkerBits::kStop)) throw WorkerCancelled{value};
}
