#pragma once

#include "console/FormatOperations.h"

#include <QDeadlineTimer>
#include <QThread>
#include <chrono>
#include <memory>
#include <utility>

namespace quillon::console {

// The worker of a format: a thread that sends the one FORMAT UNIT of its job
// and ends. It shares the job with the user interface, so the job lives as
// long as either of them needs it.
class TMyThread : public QThread {
public:
    explicit TMyThread(std::shared_ptr<FormatJob> job) : job_(std::move(job)) {}

protected:
    void run() override { job_->Execute(); }

private:
    std::shared_ptr<FormatJob> job_;
};

// The worker as a front end without an event loop (the terminal) keeps it:
// started, waited for a while at a time, and waited for to its end before it
// is let go.
class FormatWorker {
public:
    FormatWorker() = default;
    FormatWorker(const FormatWorker&) = delete;
    FormatWorker& operator=(const FormatWorker&) = delete;
    ~FormatWorker() { Finish(); }

    void Start(std::shared_ptr<FormatJob> job) {
        Finish();
        thread_ = std::make_unique<TMyThread>(std::move(job));
        thread_->start();
    }
    // Returns when the worker has ended, or after timeout at the latest.
    void WaitFor(std::chrono::milliseconds timeout) {
        if (thread_) {
            thread_->wait(QDeadlineTimer(timeout));
        }
    }
    // Waits for the worker's end, if one runs.
    void Finish() {
        if (thread_) {
            thread_->wait();
            thread_.reset();
        }
    }

private:
    std::unique_ptr<TMyThread> thread_;
};

} // namespace quillon::console
