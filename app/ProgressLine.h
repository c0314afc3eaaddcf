#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace quillon::app {

// The progress of a long command on a terminal: one line on standard error,
// redrawn in place at most ten times a second, with the share done, the time
// elapsed and the time left at the rate so far ("  42%  0:12 elapsed  0:17
// left"), or the elapsed time alone when the end is not known. Off when
// standard error is not a terminal, or when the user asked for quiet.
class ProgressLine {
public:
    using Clock = std::chrono::steady_clock;

    // Shows on stream when enabled.
    ProgressLine(std::FILE* stream, bool enabled) : stream_(stream), enabled_(enabled) {}
    ~ProgressLine() { Clear(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // On standard error when that is a terminal and quiet is not set.
    static bool WantedOnStandardError(bool quiet);

    void Show(std::int64_t done, std::int64_t total);
    // The elapsed time counts from now on: for a command whose long part
    // starts after a question.
    void Restart() { start_ = Clock::now(); }
    // Takes the line away, before other output and at the end.
    void Clear();

    // The line's text, without the carriage return.
    static std::string Text(std::int64_t done, std::int64_t total, Clock::duration elapsed);

private:
    std::FILE* stream_;
    bool enabled_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point start_ = Clock::now();
    std::chrono::steady_clock::time_point drawn_{};
};

} // namespace quillon::app
