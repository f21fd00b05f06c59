#pragma once
// The short wait of a worker between two looks at its stop flag or its slots.

#include <chrono>
#include <thread>

inline void PauseMs(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
