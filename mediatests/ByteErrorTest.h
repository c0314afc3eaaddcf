#pragma once

#include "console/DriveConsole.h"
#include "mediatests/MediumGeometry.h"
#include "mediatests/TestView.h"

#include <QRgb>
#include <cstdint>
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
    // The burst lines logged by the last run, for reports.
    std::vector<std::string> BurstLines;

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
    // Marks every byte in which the two copies of a block differ, blue, or
    // red with a log line once its run of erroneous bytes is longer than the
    // burst threshold; stops after the byte at which STOP is seen. Adds the
    // erroneous bytes to ErrorCount and returns them.
    std::int32_t markErrors(std::span<const std::uint8_t> expected,
                            std::span<const std::uint8_t> actual, const BlockPlace& place);
    void logBurst(const BlockPlace& place, std::int32_t blockErrors);
    // STOP gives way to START and the end question is asked; returns whether
    // the window is to close (Abort).
    bool endRun();

    console::DriveConsole& drive_;
    TestView& view_;
};

// The raw byte error rate: erroneous bytes per byte compared. The number of
// bytes is counted in 64 bits: long runs on 2048-byte media pass 2^31.
float ByteErrorRate(std::int32_t errors, std::int32_t longBlockSize, std::int32_t blocksTested);

} // namespace quillon::mediatests
