#include "InterruptAsStop.h"

#include <csignal>

namespace quillon::app {

namespace {

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int) {
    interrupted = 1;
}

} // namespace

InterruptAsStop::InterruptAsStop() : previous_(std::signal(SIGINT, onInterrupt)) {}

InterruptAsStop::~InterruptAsStop() {
    std::signal(SIGINT, previous_);
}

bool InterruptAsStop::Requested() {
    return interrupted != 0;
}

} // namespace quillon::app
