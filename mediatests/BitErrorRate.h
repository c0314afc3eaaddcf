#pragma once

#include "mediatests/ByteErrorTest.h"
#include "mediatests/MediaTestLaunch.h"

#include <functional>
#include <string>
#include <vector>

namespace quillon::mediatests {

// The bit error rate test in long-write mode. Over a range of blocks it
// writes a fixed pattern over whole sectors, check bytes included, with
// WRITE LONG, reads each back raw with READ LONG and compares byte for byte:
// every erroneous byte is marked on the disc map at its track and sector,
// runs longer than the burst threshold are marked as burst errors and logged,
// and the raw byte error rate is shown as the test proceeds. The tested
// blocks' contents are lost. It owns the medium geometry, which the
// read-mode test shares.
class BitErrorRateTest : public ByteErrorTest {
public:
    BitErrorRateTest(console::DriveConsole& drive, TestView& view)
        : ByteErrorTest(drive, view, geometry_) {}

    // Returns whether the window is to close (the medium could not be
    // written, or the user chose Abort at the end).
    bool Run(std::int32_t Start, std::int32_t End, std::int32_t Skip) override;
    // Marks, counts and logs the erroneous bytes of one read-back block.
    void AnalyseLongBlock(std::int32_t LBA);

private:
    void writePass(std::int64_t first, std::int32_t count);
    // Reads the pass back and compares it, but for the blocks whose write
    // failed.
    void readPass(std::int64_t first, std::int32_t count);

    // Whether each block of the pass failed to be written.
    std::vector<bool> writeFailed_;

    MediumGeometry geometry_;
};

// The launch of either bit error rate test under its title.
bool LaunchBitErrorRateTest(console::DriveConsole& drive, console::DeviceAddress at,
                            const std::function<void()>& runTest,
                            const std::string& title = "Bit Error Rate Test");

} // namespace quillon::mediatests
