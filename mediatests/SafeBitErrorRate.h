#pragma once

#include "mediatests/ByteErrorTest.h"

#include <array>
#include <string>
#include <vector>

namespace quillon::mediatests {

class TerminationGuard;

// The bit error rate test in read mode: measures the raw byte error rate
// without writing to the medium. Each tested track is read twice with
// READ(10), first with the drive's error correction switched off (DCR set in
// the read-write error recovery page), then with the page as it was; the
// bytes in which the readings differ are those the correction repaired, and
// they are counted, marked and logged like the long-write test's erroneous
// bytes. Only the error recovery page changes while it runs, and correction
// is switched back on at the end of every run, however it ends; a signal
// that would end the program waits until then.
class SafeBitErrorRateTest : public ByteErrorTest {
public:
    // The bytes a track reading may fill.
    static constexpr std::size_t TrackBufferSize = 99964;

    // geometry: the long-write test's, which this test shares.
    SafeBitErrorRateTest(console::DriveConsole& drive, TestView& view, MediumGeometry& geometry)
        : ByteErrorTest(drive, view, geometry) {}

    // Returns whether the window is to close (the error recovery page could
    // not be read, or the user chose Abort at the end).
    bool Run(std::int32_t Start, std::int32_t End, std::int32_t Skip) override;
    // Marks, counts and logs the bytes in which the two readings of the track
    // whose first block is LBA differ.
    void AnalyseTrack(std::int32_t LBA);

    // The length of the mode parameter list that both mode selects send.
    std::int32_t ParamLength = 0;
    // The track as read with correction off (DataBuffer holds it as read
    // with correction on).
    std::array<std::uint8_t, TrackBufferSize> CompareBuffer{};
    // Whether the last run switched correction back on.
    bool CorrectionRestored = true;

    std::vector<std::string> Shortcomings() const override;

private:
    bool prepareModePages();
    void runPasses(std::int32_t Start, std::int32_t End, std::int32_t Skip,
                   const TerminationGuard& guard);
    void testTrack(std::int64_t first, std::int32_t spt);
    void readTrack(std::int64_t first, std::uint8_t* buffer, QRgb failedColor);
    bool modeSelect(console::ModeBuffer& data, const char* name);
    // Tries twice, then says plainly that correction may still be off;
    // returns whether it is back on.
    bool switchCorrectionOn();

    // The blocks of the last track reading.
    std::int32_t blocksRead_ = 0;
    // Whether each block of the last track failed to be read or tested.
    std::vector<bool> blockFailed_;
};

} // namespace quillon::mediatests
