#include "cli/CtrlC.h"

#include <atomic>
#include <csignal>

namespace {

std::atomic<bool> pressed{false};

extern "C" void OnCtrlC(int) {
    pressed.store(true);
}

}  // namespace

CtrlC::CtrlC() {
    pressed.store(false);
    previous_ = std::signal(SIGINT, OnCtrlC);
}

CtrlC::~CtrlC() {
    std::signal(SIGINT, previous_);
}

bool CtrlC::Take() {
    return pressed.exchange(false);
}
