#pragma once

#include <array>
#include <csignal>

namespace quillon::mediatests {

// Holds back the signals that end the program (SIGINT, SIGTERM, SIGHUP)
// while something must be undone before it ends, such as the drive's error
// correction switched off: while the guard lives, such a signal is only
// noted. When it goes, the handlers in place before come back and a noted
// signal is raised again, after the output buffers are flushed, so the
// program then does what it would have done (ends, or stops a terminal
// command) without losing what it wrote.
class TerminationGuard {
public:
    TerminationGuard();
    ~TerminationGuard();
    TerminationGuard(const TerminationGuard&) = delete;
    TerminationGuard& operator=(const TerminationGuard&) = delete;

    // The signal noted since the guard was set up, or 0.
    int Received() const;

private:
    std::array<struct sigaction, 3> previous_{};
};

} // namespace quillon::mediatests
