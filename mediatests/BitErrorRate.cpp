#include "BitErrorRate.h"

#include "widgets/Colors.h"

#include <algorithm>
#include <cstring>

namespace quillon::mediatests {

namespace {

using drive::TMODrive;
using namespace widgets::colors;

constexpr std::uint8_t Pattern = 0xA5;
constexpr std::size_t PatternLength = 3003;
// A block with more erroneous bytes than this gets a final line in the log.
constexpr std::int32_t BlockLineThreshold = 15;

std::size_t longBlockBytes() {
    return static_cast<std::size_t>(TMODrive::LongBlockSize);
}

} // namespace

bool LaunchBitErrorRateTest(console::DriveConsole& drive, console::DeviceAddress at,
                            const std::function<void()>& runTest, const std::string& title) {
    return LaunchMediaTest(drive, at,
                           {title, "Bit Error Rate test", "Bit Error Rate Test Complete"}, runTest);
}

bool BitErrorRateTest::Run(std::int32_t Start, std::int32_t End, std::int32_t Skip) {
    if (!drive_.CheckWriteEnable(drive_.CurrentHA, drive_.CurrentTarget, drive_.CurrentLUN, true)) {
        return true;
    }
    Geometry.ComputeGeometry();
    beginRun();
    std::fill_n(drive_.PatternBuffer.begin(), PatternLength, Pattern);
    // 64 bits, so that a large skip cannot wrap the address round to the start.
    std::int64_t cur = Start;
    while (cur <= End) {
        const std::int32_t spt = placeOf(static_cast<std::int32_t>(cur)).SectorsPerTrack;
        const std::int32_t failedBefore = FailedBlocks;
        writePass(cur, spt + 1);
        readPass(cur, spt + 1);
        endPass(cur, spt);
        cur += spt + 1;
        if (Skip > 0) {
            cur += std::int64_t{Skip} * spt;
        }
        if (StopRequested || !stillReady(failedBefore)) {
            break;
        }
        drive_.Output().ShowProgress(cur - Start, std::int64_t{End} - Start + 1);
        view_.ProcessEvents();
    }
    RangeCovered = cur > End;
    return endRun();
}

void BitErrorRateTest::writePass(std::int64_t first, std::int32_t count) {
    writeFailed_.assign(static_cast<std::size_t>(count), false);
    for (std::int32_t i = 0; i < count; ++i) {
        view_.ProcessEvents();
        const auto block = static_cast<std::int32_t>(first + i);
        if (drive_.MODrive1.LongWrite(drive_.CurrentHA, drive_.CurrentTarget, drive_.CurrentLUN,
                                      block, TMODrive::LongBlockSize,
                                      drive_.PatternBuffer.data()) != 0) {
            writeFailed_[static_cast<std::size_t>(i)] = true;
            blockFailed(block, clAqua);
        }
    }
}

void BitErrorRateTest::readPass(std::int64_t first, std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) {
        view_.ProcessEvents();
        const auto block = static_cast<std::int32_t>(first + i);
        const bool readFailed =
            drive_.MODrive1.LongRead(drive_.CurrentHA, drive_.CurrentTarget, drive_.CurrentLUN,
                                     block, TMODrive::LongBlockSize, drive_.DataBuffer.data()) != 0;
        const bool written = !writeFailed_[static_cast<std::size_t>(i)];
        if (readFailed && written) {
            blockFailed(block, clLime);
        } else if (readFailed) {
            PlotBlockArc(block, clLime); // counted once, when its write failed
        } else if (written && std::memcmp(drive_.DataBuffer.data(), drive_.PatternBuffer.data(),
                                          longBlockBytes()) != 0) {
            AnalyseLongBlock(block);
        }
    }
}

void BitErrorRateTest::AnalyseLongBlock(std::int32_t LBA) {
    const BlockPlace place = placeOf(LBA);
    const std::int32_t blockErrors =
        markErrors(std::span(drive_.PatternBuffer).first(longBlockBytes()),
                   std::span(drive_.DataBuffer).first(longBlockBytes()), place);
    if (blockErrors > BlockLineThreshold) {
        logBurst(place, blockErrors);
    }
}

} // namespace quillon::mediatests
