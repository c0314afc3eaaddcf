#include "CopyOperations.h"

#include "DiskCopy.h"
#include "FormatText.h"

#include <algorithm>

namespace quillon::console {

using drive::TMODrive;

namespace {

// VERIFY(10) takes at most 255 blocks a command here: a chunk of the pass
// is that, or what remains below it.
constexpr std::int32_t VerifyChunkLimit = 256;

unsigned hex(std::int32_t value) {
    return static_cast<unsigned>(value);
}

// Where the copy of block S goes: as far above Dest as S is above Start. The
// range check keeps that below the last block.
std::int32_t shifted(std::int32_t Dest, std::int32_t S, std::int32_t Start) {
    return static_cast<std::int32_t>(Dest + (std::int64_t{S} - Start));
}

} // namespace

std::optional<BlockRange> CopyOperations::askRange(bool withDestination, const char* cancelLine) {
    auto range = dialog_.AskRange(withDestination);
    if (!range) {
        log(cancelLine);
        run_.Fail("no range was given: the range dialog was cancelled");
    }
    return range;
}

bool CopyOperations::Verify(DeviceAddress at) {
    if (!run_.Start(at, "Verify Block(126Block)", "Verify")) {
        return false;
    }
    const auto range = askRange(false, "Cancel Copy block");
    if (!range) {
        return false;
    }
    const std::int32_t Start = range->Start;
    const std::int32_t End = std::min<std::int32_t>(range->End, TMODrive::LastBlockLBA);
    if (End <= Start || Start >= TMODrive::LastBlockLBA) {
        log("???? Start LBA >= End LBA or Start > Max Track");
        log("End Verify");
        return run_.Fail("the range holds no block of the medium");
    }
    std::int32_t Errors = 0;
    {
        const GaugeShown gauge(run_.Progress(),
                               formatText("Verify Data  [%8X] - [%8X] ", hex(Start), hex(End)));
        DriveConsole& d = run_.Drive();
        run_.Chunks(Start, End, VerifyChunkLimit, [&](std::int32_t Cur, std::int32_t n) {
            if (d.MODrive1.Verify(d.CurrentHA, d.CurrentTarget, d.CurrentLUN, Cur, n) != 0) {
                ++Errors;
                log(formatText("Error: %d %X - %X ", Errors, hex(Cur), hex(Cur + n)));
            }
            return true;
        });
    }
    log("End Verify");
    return Errors == 0 || run_.Fail(formatText("%d chunks failed to verify", Errors));
}

// What the two copies on one drive say and check at their start.
struct CopyOperations::CopyKind {
    const char* title;
    const char* failureName;
    bool writesMediumRead; // the medium read must be writable
    bool withDestination;
    const char* cancelLine;
};

namespace {

constexpr CopyOperations::CopyKind BlockCopy{"Copy Block", "Copy Block", true, true,
                                             "Cancel Copy block"};
constexpr CopyOperations::CopyKind OneDriveCopy{"Copy Disk (1 Drive)", "Copy Disk", false, false,
                                                "Cancel Copy Disk"};

} // namespace

std::optional<CopyOperations::CopyStart> CopyOperations::beginCopy(DeviceAddress at,
                                                                   const CopyKind& kind) {
    if (!run_.Start(at, kind.title, kind.failureName) ||
        (kind.writesMediumRead && !run_.CheckWriteEnable())) {
        return std::nullopt;
    }
    const auto chunkBlocks = run_.BufferChunk();
    if (!chunkBlocks) {
        return std::nullopt;
    }
    const auto range = askRange(kind.withDestination, kind.cancelLine);
    if (!range) {
        return std::nullopt;
    }
    return CopyStart{*chunkBlocks, *range};
}

bool CopyOperations::CopyBlock(DeviceAddress at) {
    const auto start = beginCopy(at, BlockCopy);
    if (!start) {
        return false;
    }
    const std::int32_t LastBlockLBA = TMODrive::LastBlockLBA;
    const std::int32_t Start = start->range.Start;
    const std::int32_t End = std::min(start->range.End, LastBlockLBA);
    const std::int32_t Dest = start->range.Dest;
    const std::int64_t Count = std::int64_t{End} - Start;
    if (Count <= 0 || Start > LastBlockLBA || Dest + Count >= LastBlockLBA) {
        log("???? Start > Max Track or Copy Max > Max Track");
        log("End Copy");
        return run_.Fail("the range, or its copy, lies beyond the medium's last block");
    }
    {
        const GaugeShown gauge(run_.Progress(), formatText("Copy Block [%8X]-[%8X]->[%8X] ",
                                                           hex(Start), hex(End), hex(Dest)));
        if (Start <= Dest && Dest <= End) {
            backwardCopy(Start, End, Dest);
        } else {
            forwardCopy(Start, End, Dest, start->chunkBlocks);
        }
    }
    log("End Copy");
    return run_.Shortcomings().empty();
}

void CopyOperations::forwardCopy(std::int32_t Start, std::int32_t End, std::int32_t Dest,
                                 std::int32_t chunkBlocks) {
    run_.Chunks(Start, End, chunkBlocks, [&](std::int32_t Cur, std::int32_t n) {
        return run_.Read(Cur, n, "Copy Block Read 1") &&
               run_.Write(shifted(Dest, Cur, Start), n, "Copy Block Write 1");
    });
}

void CopyOperations::backwardCopy(std::int32_t Start, std::int32_t End, std::int32_t Dest) {
    log("!!! Slow (1 Block copy)");
    const std::int64_t Total = std::int64_t{End} - Start;
    for (std::int32_t S = End - 1; S >= Start; --S) {
        const std::int32_t D = shifted(Dest, S, Start);
        if (!run_.Read(S, 1, "Copy Block Read 2") || !run_.Write(D, 1, "Copy Block Write 2")) {
            return;
        }
        run_.SetProgress(Total - (std::int64_t{S} - Start), Total);
        run_.Progress().ProcessMessages();
    }
}

bool CopyOperations::CopyDisk(DeviceAddress at, const std::filesystem::path& image) {
    // The medium read is only read: it may be write-protected.
    const auto start = beginCopy(at, OneDriveCopy);
    if (!start) {
        return false;
    }
    DiskCopy copy(run_, changer_, at, start->chunkBlocks, image);
    return copy.Run(start->range);
}

} // namespace quillon::console
