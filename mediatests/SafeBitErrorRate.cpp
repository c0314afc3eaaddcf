#include "SafeBitErrorRate.h"

#include "TerminationGuard.h"
#include "widgets/Colors.h"

#include <algorithm>
#include <cstring>

namespace quillon::mediatests {

namespace {

using drive::TMODrive;
using namespace widgets::colors;

static_assert(SafeBitErrorRateTest::TrackBufferSize <=
              std::tuple_size_v<decltype(console::DriveConsole::DataBuffer)>);

constexpr std::uint8_t DCR = 0x01; // disable correction, page byte 2
constexpr std::size_t ModeDataCopied = 128;
constexpr const char* NonErc = "Mode Select(Non ERC)";
constexpr const char* SetErc = "Mode Select (Set ERC)";
constexpr const char* CorrectionMayBeOff =
    "Error correction may still be off: Mode Select (Set ERC) failed twice";

std::size_t blockBytes() {
    return static_cast<std::size_t>(TMODrive::BlockSize);
}

// The blocks of a track reading: the track's, or as many as the buffers
// hold when the blocks are larger than any MO medium's.
std::int32_t blocksInBuffer(std::int32_t spt) {
    if (TMODrive::BlockSize <= 0) {
        return 0;
    }
    const auto fitting =
        static_cast<std::int32_t>(SafeBitErrorRateTest::TrackBufferSize / blockBytes());
    return std::min(spt, fitting);
}

} // namespace

bool SafeBitErrorRateTest::Run(std::int32_t Start, std::int32_t End, std::int32_t Skip) {
    if (!prepareModePages()) {
        return true;
    }
    Geometry.ComputeGeometry();
    beginRun();
    {
        const TerminationGuard guard;
        try {
            runPasses(Start, End, Skip, guard);
        } catch (...) {
            switchCorrectionOn();
            throw;
        }
        CorrectionRestored = switchCorrectionOn();
    }
    return endRun();
}

// ModeCurrent gets the page with DCR set, ModeData the page as it was, both
// ready for MODE SELECT (what the drive does not let change as it was read).
bool SafeBitErrorRateTest::prepareModePages() {
    console::DriveConsole& d = drive_;
    const bool sensed = d.MODrive1.ModeSense6(d.CurrentHA, d.CurrentTarget, d.CurrentLUN, 1, 127,
                                              d.ModeChangeable.data()) == 0 &&
                        d.MODrive1.ModeSense6(d.CurrentHA, d.CurrentTarget, d.CurrentLUN, 0, 127,
                                              d.ModeCurrent.data()) == 0;
    if (!sensed) {
        std::string statusText;
        d.ShowScsiStatus(true, "Mode Sense", statusText);
        d.Output().AddLog("Mode Sense Erroe (Change Data)");
        return false;
    }
    console::ModePage current(d.ModeCurrent);
    current.ClearForSelect();
    std::copy_n(d.ModeCurrent.begin(), ModeDataCopied, d.ModeData.begin());
    current.SetByte(2, current.Byte(2) | DCR);
    ParamLength = current.ParameterListLength();
    current.MaskWith(d.ModeChangeable, d.ModeData);
    return true;
}

// One pass per track, strictly below End; a pass that would start inside a
// track starts at the next track's first block, with the sectors per track
// of the track it was in.
void SafeBitErrorRateTest::runPasses(std::int32_t Start, std::int32_t End, std::int32_t Skip,
                                     const TerminationGuard& guard) {
    std::int64_t cur = Start;
    while (cur < End) {
        std::int32_t trackCount = 0, track = 0, sector = 0, spt = 0;
        Geometry.LbaToTrackSector(static_cast<std::int32_t>(cur), trackCount, track, sector, spt);
        if (track >= trackCount) {
            return; // the known layout ends before End
        }
        if (sector != 0) {
            cur += spt - sector;
            if (cur > End) {
                break;
            }
        }
        const std::int32_t failedBefore = FailedBlocks;
        testTrack(cur, spt);
        cur += spt;
        if (Skip > 0) {
            cur += std::int64_t{Skip} * spt;
        }
        if (StopRequested || guard.Received() != 0 || !stillReady(failedBefore)) {
            return;
        }
        drive_.Output().ShowProgress(cur - Start, std::int64_t{End} - Start);
        view_.ProcessEvents();
    }
    RangeCovered = true;
}

void SafeBitErrorRateTest::testTrack(std::int64_t first, std::int32_t spt) {
    blocksRead_ = blocksInBuffer(spt);
    // Without correction off the first reading tests nothing.
    blockFailed_.assign(static_cast<std::size_t>(blocksRead_),
                        !modeSelect(drive_.ModeCurrent, NonErc));
    readTrack(first, CompareBuffer.data(), clAqua);
    modeSelect(drive_.ModeData, SetErc);
    readTrack(first, drive_.DataBuffer.data(), clLime);
    FailedBlocks +=
        static_cast<std::int32_t>(std::count(blockFailed_.begin(), blockFailed_.end(), true));
    if (std::memcmp(CompareBuffer.data(), drive_.DataBuffer.data(),
                    static_cast<std::size_t>(blocksRead_) * blockBytes()) != 0) {
        AnalyseTrack(static_cast<std::int32_t>(first));
    }
    endPass(first, spt);
}

// The whole track at once; when that fails, block by block, and the blocks
// that still fail are drawn as arcs and left out of the comparison.
void SafeBitErrorRateTest::readTrack(std::int64_t first, std::uint8_t* buffer, QRgb failedColor) {
    console::DriveConsole& d = drive_;
    if (d.MODrive1.Read10(d.CurrentHA, d.CurrentTarget, d.CurrentLUN,
                          static_cast<std::int32_t>(first), blocksRead_, buffer) == 0) {
        return;
    }
    for (std::int32_t b = 0; b < blocksRead_; ++b) {
        view_.ProcessEvents();
        const auto lba = static_cast<std::int32_t>(first + b);
        if (d.MODrive1.Read10(d.CurrentHA, d.CurrentTarget, d.CurrentLUN, lba, 1,
                              buffer + static_cast<std::size_t>(b) * blockBytes()) != 0) {
            blockFailed_[static_cast<std::size_t>(b)] = true;
            PlotBlockArc(lba, failedColor);
        }
    }
}

void SafeBitErrorRateTest::AnalyseTrack(std::int32_t LBA) {
    const BlockPlace track = placeOf(LBA);
    // A track past a zone border may have more sectors than the pass read.
    const std::int32_t blocks = std::min(track.SectorsPerTrack, blocksRead_);
    for (std::int32_t b = 0; b < blocks; ++b) {
        if (static_cast<std::size_t>(b) < blockFailed_.size() &&
            blockFailed_[static_cast<std::size_t>(b)]) {
            continue;
        }
        const std::size_t offset = static_cast<std::size_t>(b) * blockBytes();
        markErrors(std::span(CompareBuffer).subspan(offset, blockBytes()),
                   std::span(drive_.DataBuffer).subspan(offset, blockBytes()),
                   {LBA, track.SectorsPerTrack, track.Track, b});
    }
}

bool SafeBitErrorRateTest::modeSelect(console::ModeBuffer& data, const char* name) {
    console::DriveConsole& d = drive_;
    if (d.MODrive1.ModeSelect6(d.CurrentHA, d.CurrentTarget, d.CurrentLUN, false, ParamLength,
                               data.data()) == 0) {
        return true;
    }
    std::string statusText;
    d.ShowScsiStatus(true, name, statusText);
    return false;
}

// The drive must not be left reading without correction: the select is
// tried once more before the user is told plainly.
bool SafeBitErrorRateTest::switchCorrectionOn() {
    if (modeSelect(drive_.ModeData, SetErc) || modeSelect(drive_.ModeData, SetErc)) {
        return true;
    }
    drive_.Output().AddLog(CorrectionMayBeOff);
    drive_.Output().MessageBox(console::Console::BoxKind::Error, CorrectionMayBeOff);
    return false;
}

std::vector<std::string> SafeBitErrorRateTest::Shortcomings() const {
    auto reasons = ByteErrorTest::Shortcomings();
    if (!CorrectionRestored) {
        reasons.emplace_back("error correction may still be off");
    }
    return reasons;
}

} // namespace quillon::mediatests
