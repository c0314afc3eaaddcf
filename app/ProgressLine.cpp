#include "ProgressLine.h"

#include "console/FormatText.h"

#include <algorithm>
#include <string>
#include <unistd.h>

namespace quillon::app {

namespace {

constexpr auto RedrawInterval = std::chrono::milliseconds(100);

std::string minutesAndSeconds(std::chrono::seconds time) {
    const auto seconds = static_cast<long long>(time.count());
    return console::formatText("%lld:%02lld", seconds / 60, seconds % 60);
}

} // namespace

bool ProgressLine::WantedOnStandardError(bool quiet) {
    return !quiet && isatty(STDERR_FILENO) == 1;
}

std::string ProgressLine::Text(std::int64_t done, std::int64_t total, Clock::duration elapsed) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(elapsed);
    if (total <= 0) {
        return "  " + minutesAndSeconds(seconds) + " elapsed";
    }
    done = std::clamp<std::int64_t>(done, 0, total);
    const auto percent = static_cast<int>(done * 100 / total);
    std::string text =
        console::formatText("%4d%%  ", percent) + minutesAndSeconds(seconds) + " elapsed";
    if (done > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::seconds>(
            elapsed * static_cast<double>(total - done) / static_cast<double>(done));
        text += "  " + minutesAndSeconds(left) + " left";
    }
    return text;
}

void ProgressLine::Show(std::int64_t done, std::int64_t total) {
    const auto now = Clock::now();
    if (!enabled_ || (shown_ && now - drawn_ < RedrawInterval)) {
        return;
    }
    drawn_ = now;
    shown_ = true;
    std::fprintf(stream_, "\r%s\033[K", Text(done, total, now - start_).c_str());
    std::fflush(stream_);
}

void ProgressLine::Clear() {
    if (shown_) {
        std::fputs("\r\033[K", stream_);
        std::fflush(stream_);
        shown_ = false;
    }
}

} // namespace quillon::app
