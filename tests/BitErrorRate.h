#pragma once

#include "console/DriveConsole.h"
#include "tests/MediumGeometry.h"
#include "tests/TestView.h"

#include <QRgb>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quillon::tests {

// The bit error rate test in long-write mode. Over a range of blocks it
// writes a fixed pattern over whole sectors, check bytes included, with
// WRITE LONG, reads each back raw with READ LONG and compares byte for byte:
// every erroneous byte is marked on the disc map at its track and sector,
// runs longer than the burst threshold are marked as burst errors and logged,
// and the raw byte error rate is shown as the test proceeds. The tested
// blocks' contents are lost.
class BitErrorRateTest {
public:
    BitErrorRateTest(console::DriveConsole& drive, TestView& view) : drive_(drive), view_(view) {}

    // The run started by START; returns whether the window is to close (the
    // medium could not be written, or the user chose Abort at the end).
    bool Run(std::int32_t Start, std::int32_t End, std::int32_t Skip);
    // The arc of one block on the map, for a block whose command failed.
    void PlotBlockArc(std::int32_t LBA, QRgb Color);
    // Marks, counts and logs the erroneous bytes of one read-back block.
    void AnalyseLongBlock(std::int32_t LBA);

    MediumGeometry Geometry;
    bool StopRequested = false;
    std::int32_t ErrorCount = 0;
    std::int32_t BlocksTested = 0;
    float ErrorRate = 0;
    // The burst lines logged by the last run, for reports.
    std::vector<std::string> BurstLines;

private:
    void writePass(std::int64_t first, std::int32_t count);
    void readPass(std::int64_t first, std::int32_t count);
    void logBurst(std::int32_t LBA, std::int32_t spt, std::int32_t track, std::int32_t sector,
                  std::int32_t blockErrors);
    bool askEnd();

    console::DriveConsole& drive_;
    TestView& view_;
};

// The raw byte error rate: erroneous bytes per byte compared. The number of
// bytes is counted in 64 bits: long runs on 2048-byte media pass 2^31.
float ByteErrorRate(std::int32_t errors, std::int32_t longBlockSize, std::int32_t blocksTested);

// The launch from the main window (or the terminal): the device in the list
// becomes the current one, the log gets the test's header, and when the
// medium is ready the test is shown (runTest) and its completion logged.
// Returns whether the test was shown.
bool LaunchBitErrorRateTest(console::DriveConsole& drive, console::DeviceAddress at,
                            const std::function<void()>& runTest);

} // namespace quillon::tests
