#include "plots/HrpcTimer.h"

#include <chrono>

namespace quillon::plots {

namespace {

using Clock = std::chrono::steady_clock;

} // namespace

THrpcTimer::THrpcTimer(QObject* parent)
    : QObject(parent), frequency_(Clock::period::den / Clock::period::num),
      tick_(1000.0L / static_cast<long double>(frequency_)) {
    startCount_ = count();
    lapCount_ = startCount_;
}

std::int64_t THrpcTimer::count() {
    return Clock::now().time_since_epoch().count();
}

void THrpcTimer::Start() {
    startCount_ = count();
    lapCount_ = startCount_;
    running_ = true;
}

void THrpcTimer::Stop() {
    if (running_) {
        stopCount_ = count();
        elapsedMs_ = static_cast<long double>(stopCount_ - startCount_) * tick_;
        lapCount_ = stopCount_;
    }
    running_ = false;
}

long double THrpcTimer::Elapsed() {
    if (running_) {
        const std::int64_t previous = lapCount_;
        lapCount_ = count();
        elapsedMs_ = static_cast<long double>(lapCount_ - previous) * tick_;
    }
    return elapsedMs_;
}

} // namespace quillon::plots
