#include "ByteErrorTest.h"

#include "RateFormat.h"
#include "console/FormatText.h"
#include "plots/ArcGraphImage.h"
#include "widgets/Colors.h"

namespace quillon::mediatests {

using drive::TMODrive;
using namespace widgets::colors;

float ByteErrorRate(std::int32_t errors, std::int32_t longBlockSize, std::int32_t blocksTested) {
    const std::int64_t bytes = std::int64_t{longBlockSize} * blocksTested;
    return static_cast<float>(errors) / static_cast<float>(bytes);
}

ByteErrorTest::BlockPlace ByteErrorTest::placeOf(std::int32_t LBA) const {
    std::int32_t trackCount = 0, track = 0, sector = 0, spt = 0;
    Geometry.LbaToTrackSector(LBA, trackCount, track, sector, spt);
    return {LBA, spt, track, sector};
}

void ByteErrorTest::PlotBlockArc(std::int32_t LBA, QRgb Color) {
    const BlockPlace place = placeOf(LBA);
    const float step = 360.0f / static_cast<float>(place.SectorsPerTrack);
    const auto first = static_cast<float>(place.Sector);
    view_.Map().DrawArc(Color, Qt::NoBrush, 0, 0, Geometry.TrackRadius(place.Track), first * step,
                        (first + 0.9f) * step);
}

void ByteErrorTest::beginRun() {
    view_.SetRunning(true);
    view_.ShowRate(FormatRate(0.0));
    ErrorCount = 0;
    BlocksTested = 0;
    ErrorRate = 0;
    BurstLineCount = 0;
    FailedBlocks = 0;
    ErrorsOffDisc = 0;
    LastBlockTested = -1;
    RangeCovered = false;
    MediumLost = false;
}

void ByteErrorTest::blockFailed(std::int32_t LBA, QRgb Color) {
    ++FailedBlocks;
    PlotBlockArc(LBA, Color);
}

bool ByteErrorTest::stillReady(std::int32_t failedBefore) {
    if (FailedBlocks == failedBefore ||
        drive_.MODrive1.TestUnitReady(drive_.CurrentHA, drive_.CurrentTarget, drive_.CurrentLUN) ==
            0) {
        return true;
    }
    MediumLost = true;
    std::string statusText;
    drive_.ShowScsiStatus(true, "Test Unit Ready", statusText);
    return false;
}

std::vector<std::string> ByteErrorTest::Shortcomings() const {
    std::vector<std::string> reasons;
    if (RangeCovered && BlocksTested == 0 && FailedBlocks == 0) {
        reasons.emplace_back("no block was tested: the range holds none");
    }
    if (FailedBlocks > 0) {
        reasons.push_back(console::formatText("%d blocks failed", FailedBlocks));
    }
    if (MediumLost) {
        reasons.emplace_back("the drive stopped answering or its medium went away");
    }
    if (!RangeCovered) {
        reasons.push_back(
            LastBlockTested >= 0
                ? console::formatText("the run ended at LBA %llX, before the end",
                                      static_cast<unsigned long long>(LastBlockTested))
                : std::string("the run ended before it tested a block"));
    }
    if (ErrorsOffDisc > 0) {
        reasons.push_back(
            console::formatText("%d erroneous bytes lie outside the disc map", ErrorsOffDisc));
    }
    return reasons;
}

void ByteErrorTest::endPass(std::int64_t first, std::int32_t SectorsPerTrack) {
    BlocksTested += SectorsPerTrack;
    LastBlockTested = first + SectorsPerTrack - 1;
    ErrorRate = ByteErrorRate(ErrorCount, TMODrive::LongBlockSize, BlocksTested);
    view_.ShowLba(console::formatText("%10X", static_cast<std::uint32_t>(first)));
    view_.ShowRate(FormatRate(ErrorRate));
}

std::int32_t ByteErrorTest::markErrors(std::span<const std::uint8_t> expected,
                                       std::span<const std::uint8_t> actual,
                                       const BlockPlace& place) {
    const float step = 360.0f / static_cast<float>(place.SectorsPerTrack);
    const float radius = Geometry.TrackRadius(place.Track);
    const auto length = static_cast<float>(expected.size());
    std::int32_t run = 0;
    std::int32_t blockErrors = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (expected[i] != actual[i]) {
            ++blockErrors;
            ++run;
            const float angle =
                (static_cast<float>(i) * 0.9f / length + static_cast<float>(place.Sector)) * step;
            if (run > Geometry.BurstThreshold) {
                view_.Map().PlotPolar(clRed, angle, radius);
                logBurst(place, blockErrors);
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
    if (place.Track < 0 || place.Track >= Geometry.TrackCount) {
        ErrorsOffDisc += blockErrors;
    }
    return blockErrors;
}

void ByteErrorTest::logBurst(const BlockPlace& place, std::int32_t blockErrors) {
    const std::string line =
        console::formatText("LBA %8X[%2d] %4d %2d :%4d", static_cast<std::uint32_t>(place.LBA),
                            place.SectorsPerTrack, place.Track, place.Sector, blockErrors);
    ++BurstLineCount;
    if (OnBurstLine) {
        OnBurstLine(line);
    }
    drive_.Output().AddLog(line);
}

void ByteErrorTest::logRunFigures() {
    console::Console& output = drive_.Output();
    if (FailedBlocks > 0) {
        output.AddLog(console::formatText("Failed Blocks = %d", FailedBlocks));
    }
    if (ErrorsOffDisc > 0) {
        output.AddLog(console::formatText("Errors off the map = %d", ErrorsOffDisc));
    }
    if (!RangeCovered) {
        output.AddLog(LastBlockTested >= 0
                          ? console::formatText("Last LBA tested = %8llX",
                                                static_cast<unsigned long long>(LastBlockTested))
                          : std::string("No LBA tested"));
    }
}

bool ByteErrorTest::endRun() {
    view_.SetRunning(false);
    console::Console& output = drive_.Output();
    if (output.AskOkAbort("BER Test end") == console::Console::Answer::Ok) {
        StopRequested = false;
        return false;
    }
    output.AddLog("BER = " + FormatRate(ErrorRate));
    logRunFigures();
    output.AddLog("BER Test end");
    view_.ShowLba("LBA");
    view_.ShowRate("Error Rate");
    return true;
}

} // namespace quillon::mediatests
