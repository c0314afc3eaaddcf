#include "TerminationGuard.h"

#include <cstdio>

namespace quillon::mediatests {

namespace {

constexpr std::array<int, 3> HeldSignals{SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t noted = 0;

void note(int signal) {
    noted = signal;
}

} // namespace

TerminationGuard::TerminationGuard() {
    noted = 0;
    struct sigaction action {};
    action.sa_handler = note;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < HeldSignals.size(); ++i) {
        sigaction(HeldSignals[i], &action, &previous_[i]);
    }
}

TerminationGuard::~TerminationGuard() {
    for (std::size_t i = 0; i < HeldSignals.size(); ++i) {
        sigaction(HeldSignals[i], &previous_[i], nullptr);
    }
    if (noted != 0) {
        // What was written must not die in a buffer with the program.
        std::fflush(nullptr);
        std::raise(noted);
    }
}

int TerminationGuard::Received() const {
    return noted;
}

} // namespace quillon::mediatests
