#pragma once

#include "console/CopyWindows.h"
#include "console/DriveConsole.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillon::console {

// One run of a copy or of verify on the current device: the checks every
// copy starts with, the pass over a block range in chunks with the progress
// window kept up to date, the block transfers through the data buffer with
// their failures reported, and the reasons the run did not do all it was
// asked (quillon-cli's exit status and its lines on standard error).
class CopyRun {
public:
    // One chunk of a pass: its first block and its length; false stops the
    // pass.
    using ChunkStep = std::function<bool(std::int32_t Cur, std::int32_t n)>;

    CopyRun(DriveConsole& drive, ProgressWindow& progress) : drive_(drive), progress_(progress) {}

    DriveConsole& Drive() { return drive_; }
    ProgressWindow& Progress() { return progress_; }

    // The device at becomes the current one and the log gets the header;
    // the medium must be ready (else the failure is reported under
    // failureName). Forgets the reasons of the run before.
    bool Start(DeviceAddress at, const std::string& title, const std::string& failureName);
    // Whether the current medium may be written; a protected one is ejected.
    bool CheckWriteEnable();
    // ChunkBlocks for the medium's block size, or nothing (with the reason
    // logged) when no chunk of its blocks fits the data buffer.
    std::optional<std::int32_t> BufferChunk();

    // Passes over Start … End − 1 in chunks (NextChunk of chunkBlocks),
    // setting the gauge and letting the front end process pending input
    // after each; returns whether every step went on.
    bool Chunks(std::int32_t Start, std::int32_t End, std::int32_t chunkBlocks,
                const ChunkStep& step);
    // The gauge for done of total blocks.
    void SetProgress(std::int64_t done, std::int64_t total);

    // READ(10) or WRITE(10) of n blocks at lba through the data buffer; a
    // failure is reported under label and noted.
    bool Read(std::int32_t lba, std::int32_t n, const std::string& label);
    bool Write(std::int32_t lba, std::int32_t n, const std::string& label);

    // Notes why the run falls short and returns false.
    bool Fail(std::string reason);
    const std::vector<std::string>& Shortcomings() const { return shortcomings_; }

private:
    bool transfer(bool write, std::int32_t lba, std::int32_t n, const std::string& label);

    DriveConsole& drive_;
    ProgressWindow& progress_;
    std::vector<std::string> shortcomings_;
};

// Shows the progress window with its text for as long as it lives.
class GaugeShown {
public:
    GaugeShown(ProgressWindow& window, const std::string& text) : window_(window) {
        window_.ShowGauge(text);
    }
    ~GaugeShown() { window_.HideGauge(); }
    GaugeShown(const GaugeShown&) = delete;
    GaugeShown& operator=(const GaugeShown&) = delete;

private:
    ProgressWindow& window_;
};

} // namespace quillon::console
