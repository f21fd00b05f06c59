#include "cli/CtrlC.h"

#include <unistd.h>

#include <atomic>
#include <csignal>

namespace {

std::atomic<bool> pressed{false};
std::atomic<int> presses{0};
std::atomic<bool> secondExits{false};

extern "C" void OnCtrlC(int) {
    // The user has asked twice: whatever still runs (a transfer that will not end) is not waited for.
    if (presses.fetch_add(1) >= 1 && secondExits.load()) _exit(130);
    pressed.store(true);
}

}  // namespace

CtrlC::CtrlC(SecondPress second) {
    pressed.store(false);
    presses.store(0);
    secondExits.store(second == SecondPress::Exits);
    previous_ = std::signal(SIGINT, OnCtrlC);
}

CtrlC::~CtrlC() {
    std::signal(SIGINT, previous_);
    secondExits.store(false);
}

bool CtrlC::Take() {
    return pressed.exchange(false);
}
