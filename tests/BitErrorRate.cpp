#include "BitErrorRate.h"

#include "RateFormat.h"
#include "console/FormatText.h"
#include "plots/ArcGraph.h"
#include "widgets/Colors.h"

#include <algorithm>
#include <cstring>

namespace quillon::tests {

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

float ByteErrorRate(std::int32_t errors, std::int32_t longBlockSize, std::int32_t blocksTested) {
    const std::int64_t bytes = std::int64_t{longBlockSize} * blocksTested;
    return static_cast<float>(errors) / static_cast<float>(bytes);
}

bool LaunchBitErrorRateTest(console::DriveConsole& drive, console::DeviceAddress at,
                            const std::function<void()>& runTest) {
    if (!drive.BeginWithReadyMedium(at, "Bit Error Rate Test", "Bit Error Rate test")) {
        return false;
    }
    runTest();
    drive.Output().AddLog("Bit Error Rate Test Complete");
    return true;
}

bool BitErrorRateTest::Run(std::int32_t Start, std::int32_t End, std::int32_t Skip) {
    if (!drive_.CheckWriteEnable(drive_.CurrentHA, drive_.CurrentTarget, drive_.CurrentLUN, true)) {
        return true;
    }
    Geometry.ComputeGeometry();
    view_.SetRunning(true);
    view_.ShowRate(FormatRate(0.0));
    std::fill_n(drive_.PatternBuffer.begin(), PatternLength, Pattern);
    ErrorCount = 0;
    BlocksTested = 0;
    ErrorRate = 0;
    BurstLines.clear();
    // 64 bits, so that a large skip cannot wrap the address round to the start.
    for (std::int64_t cur = Start; cur <= End;) {
        std::int32_t trackCount = 0, track = 0, sector = 0, spt = 0;
        Geometry.LbaToTrackSector(static_cast<std::int32_t>(cur), trackCount, track, sector, spt);
        writePass(cur, spt + 1);
        readPass(cur, spt + 1);
        BlocksTested += spt;
        ErrorRate = ByteErrorRate(ErrorCount, TMODrive::LongBlockSize, BlocksTested);
        view_.ShowLba(console::formatText("%10X", static_cast<std::uint32_t>(cur)));
        view_.ShowRate(FormatRate(ErrorRate));
        cur += spt + 1;
        if (Skip > 0) {
            cur += std::int64_t{Skip} * spt;
        }
        if (StopRequested) {
            break;
        }
        view_.ProcessEvents();
    }
    view_.SetRunning(false);
    return askEnd();
}

void BitErrorRateTest::writePass(std::int64_t first, std::int32_t count) {
    for (std::int64_t lba = first; lba < first + count; ++lba) {
        view_.ProcessEvents();
        const auto block = static_cast<std::int32_t>(lba);
        if (drive_.MODrive1.LongWrite(drive_.CurrentHA, drive_.CurrentTarget, drive_.CurrentLUN,
                                      block, TMODrive::LongBlockSize,
                                      drive_.PatternBuffer.data()) != 0) {
            PlotBlockArc(block, clAqua);
        }
    }
}

void BitErrorRateTest::readPass(std::int64_t first, std::int32_t count) {
    for (std::int64_t lba = first; lba < first + count; ++lba) {
        view_.ProcessEvents();
        const auto block = static_cast<std::int32_t>(lba);
        if (drive_.MODrive1.LongRead(drive_.CurrentHA, drive_.CurrentTarget, drive_.CurrentLUN,
                                     block, TMODrive::LongBlockSize,
                                     drive_.DataBuffer.data()) != 0) {
            PlotBlockArc(block, clLime);
        } else if (std::memcmp(drive_.DataBuffer.data(), drive_.PatternBuffer.data(),
                               longBlockBytes()) != 0) {
            AnalyseLongBlock(block);
        }
    }
}

bool BitErrorRateTest::askEnd() {
    console::Console& output = drive_.Output();
    if (output.AskOkAbort("BER Test end") == console::Console::Answer::Ok) {
        StopRequested = false;
        return false;
    }
    output.AddLog("BER = " + FormatRate(ErrorRate));
    output.AddLog("BER Test end");
    view_.ShowLba("LBA");
    view_.ShowRate("Error Rate");
    return true;
}

void BitErrorRateTest::PlotBlockArc(std::int32_t LBA, QRgb Color) {
    std::int32_t trackCount = 0, track = 0, sector = 0, spt = 0;
    Geometry.LbaToTrackSector(LBA, trackCount, track, sector, spt);
    const float step = 360.0f / static_cast<float>(spt);
    const auto first = static_cast<float>(sector);
    view_.Map().DrawArc(Color, Qt::NoBrush, 0, 0, Geometry.TrackRadius(track), first * step,
                        (first + 0.9f) * step);
}

void BitErrorRateTest::AnalyseLongBlock(std::int32_t LBA) {
    std::int32_t trackCount = 0, track = 0, sector = 0, spt = 0;
    Geometry.LbaToTrackSector(LBA, trackCount, track, sector, spt);
    const float step = 360.0f / static_cast<float>(spt);
    const float radius = Geometry.TrackRadius(track);
    const auto length = static_cast<float>(TMODrive::LongBlockSize);
    std::int32_t run = 0;
    std::int32_t blockErrors = 0;
    for (std::size_t i = 0; i < longBlockBytes(); ++i) {
        if (drive_.PatternBuffer[i] != drive_.DataBuffer[i]) {
            ++blockErrors;
            ++run;
            const float angle =
                (static_cast<float>(i) * 0.9f / length + static_cast<float>(sector)) * step;
            if (run > Geometry.BurstThreshold) {
                view_.Map().PlotPolar(clRed, angle, radius);
                logBurst(LBA, spt, track, sector, blockErrors);
            } else {
                view_.Map().PlotPolar(clBlue, angle, radius);
            }
        } else {
            run = 0;
        }
        if (StopRequested) {
            break;
        }
    }
    ErrorCount += blockErrors;
    if (blockErrors > BlockLineThreshold) {
        logBurst(LBA, spt, track, sector, blockErrors);
    }
}

void BitErrorRateTest::logBurst(std::int32_t LBA, std::int32_t spt, std::int32_t track,
                                std::int32_t sector, std::int32_t blockErrors) {
    const std::string line =
        console::formatText("LBA %8X[%2d] %4d %2d :%4d", static_cast<std::uint32_t>(LBA), spt,
                            track, sector, blockErrors);
    BurstLines.push_back(line);
    drive_.Output().AddLog(line);
}

} // namespace quillon::tests
