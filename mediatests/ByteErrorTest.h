#pragma once

#include "console/DriveConsole.h"
#include "mediatests/MediumGeometry.h"
#include "mediatests/TestView.h"

#include <QRgb>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace quillon::mediatests {

// What the two bit error rate tests share: the disc geometry they place
// blocks with, the figures of a run, the marks and log lines of the bytes
// that came back wrong, the arcs of blocks whose command failed, and the
// question that ends a run. A run goes from beginRun through passes, each
// ended by endPass, to endRun.
class ByteErrorTest {
public:
    virtual ~ByteErrorTest() = default;

    // The run started by START; returns whether the window is to close (the
    // test could not start, or the user chose Abort at the end).
    virtual bool Run(std::int32_t Start, std::int32_t End, std::int32_t Skip) = 0;
    // The arc of one block on the map, for a block whose command failed.
    void PlotBlockArc(std::int32_t LBA, QRgb Color);

    // Where blocks lie on the disc; the read-mode test uses the long-write
    // test's, so both see the geometry the last of them computed.
    MediumGeometry& Geometry;
    bool StopRequested = false;
    std::int32_t ErrorCount = 0;
    std::int32_t BlocksTested = 0;
    float ErrorRate = 0;
    // The burst lines the last run logged. Each also goes to OnBurstLine as
    // it comes, so that a report can write it at once: memory stays flat
    // however bad the medium.
    std::int32_t BurstLineCount = 0;
    std::function<void(const std::string&)> OnBurstLine;
    // Blocks whose command failed: drawn as arcs, never compared.
    std::int32_t FailedBlocks = 0;
    // Erroneous bytes of blocks on tracks the drawn disc does not hold.
    std::int32_t ErrorsOffDisc = 0;
    // The last block of the last pass, -1 before the first.
    std::int64_t LastBlockTested = -1;
    // Whether the passes went on up to End (no STOP, no end of the layout,
    // no lost medium).
    bool RangeCovered = false;
    // The drive stopped answering, or its medium went away, during the run.
    bool MediumLost = false;

    // Why the last run cannot count as a whole, clean run, one reason a
    // line; none when it tested every block asked for without a failure.
    virtual std::vector<std::string> Shortcomings() const;

protected:
    ByteErrorTest(console::DriveConsole& drive, TestView& view, MediumGeometry& geometry)
        : Geometry(geometry), drive_(drive), view_(view) {}

    // A compared block as its marks and log lines place it: the block (or
    // its track's first block) logged, its track's sectors, the track and
    // the sector at which it is drawn.
    struct BlockPlace {
        std::int32_t LBA;
        std::int32_t SectorsPerTrack;
        std::int32_t Track;
        std::int32_t Sector;
    };
    BlockPlace placeOf(std::int32_t LBA) const;

    // Clears the figures; START gives way to STOP.
    void beginRun();
    // Counts SectorsPerTrack more blocks tested and shows the pass's first
    // block and the running rate.
    void endPass(std::int64_t first, std::int32_t SectorsPerTrack);
    // Counts a block whose command failed and draws its arc.
    void blockFailed(std::int32_t LBA, QRgb Color);
    // After a pass in which blocks failed (FailedBlocks grew past
    // failedBefore): whether the drive is still ready. When it is not, the
    // failure is reported and MediumLost set, which ends the run.
    bool stillReady(std::int32_t failedBefore);
    // Marks every byte in which the two copies of a block differ, blue, or
    // red with a log line once its run of erroneous bytes is longer than the
    // burst threshold; stops after the byte at which STOP is seen. Adds the
    // erroneous bytes to ErrorCount and returns them.
    std::int32_t markErrors(std::span<const std::uint8_t> expected,
                            std::span<const std::uint8_t> actual, const BlockPlace& place);
    void logBurst(const BlockPlace& place, std::int32_t blockErrors);
    // The figures beside the rate: failed blocks, errors off the map, and
    // the last block tested when the run ended before End.
    void logRunFigures();
    // STOP gives way to START and the end question is asked; returns whether
    // the window is to close (Abort), after the run's figures are logged.
    bool endRun();

    console::DriveConsole& drive_;
    TestView& view_;
};

// The raw byte error rate: erroneous bytes per byte compared. The number of
// bytes is counted in 64 bits: long runs on 2048-byte media pass 2^31.
float ByteErrorRate(std::int32_t errors, std::int32_t longBlockSize, std::int32_t blocksTested);

} // namespace quillon::mediatests
