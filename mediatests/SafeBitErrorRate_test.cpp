// The read-mode test against the simulated drive: raw errors injected into
// long sectors, drives that refuse to switch correction off or to take the
// page back, STOP and signals; checked through the log, the map, the
// commands the drive received and the page it is left with.
#include "SafeBitErrorRate.h"
#include "TestRig.h"
#include "console/FormatText.h"
#include "widgets/Colors.h"

#include <csignal>
#include <gtest/gtest.h>

using namespace quillon;
using namespace widgets::colors;

namespace {

using Parameters = sim::ErrorRecoveryPage::Parameters;
using Read = std::pair<std::uint32_t, int>;
constexpr std::uint8_t Read10 = 0x28;
constexpr std::uint8_t ModeSelect6 = 0x15;

// The read-mode test on the simulated drive, with the drive's page as it
// was before the run.
struct SafeRig : mediatests::testing::SimulatedDrive {
    explicit SafeRig(const std::string& drives)
        : SimulatedDrive(drives), pageBefore(simDrive().modePage().current()) {
        bus->target(2)->setTracing(true);
    }

    // The READ(10) commands: first block and block count.
    std::vector<Read> reads() const {
        std::vector<Read> found;
        for (const auto& entry : trace()) {
            if (entry.cdb[0] == Read10) {
                found.emplace_back(mediatests::testing::lbaOf(entry.cdb),
                                   entry.cdb[7] << 8 | entry.cdb[8]);
            }
        }
        return found;
    }
    // The flags byte (page byte 2) of every MODE SELECT.
    std::vector<int> selectedFlags() const {
        std::vector<int> flags;
        for (const auto& entry : trace()) {
            if (entry.cdb[0] == ModeSelect6) {
                flags.push_back(entry.dataOut.at(4 + entry.dataOut.at(3) + 2));
            }
        }
        return flags;
    }
    Parameters page() { return simDrive().modePage().current(); }

    const Parameters pageBefore;
    mediatests::MediumGeometry geometry;
    mediatests::SafeBitErrorRateTest test{operations, view, geometry};
};

const std::vector<std::string> EndLines{"ask: BER Test end", "BER =    0.00E+000", "BER Test end"};

} // namespace

// On a 128 MB cartridge (25 blocks a track, burst threshold 15) the track of
// blocks 300 to 324: a 20-byte burst in block 305, 12 of a burst's 20 bytes
// at the end of block 307's data, and one in block 306's check bytes, which
// READ(10) never shows.
TEST(SafeBitErrorRate, ErrorsFoundAreTheRawErrorsOfTheDataPart) {
    SafeRig rig("2=mo128:error-rate=0:burst=305.10.20:burst=307.500.20:burst=306.520.20");
    rig.console.answer = console::Console::Answer::Ok;
    EXPECT_FALSE(rig.test.Run(300, 301, 0));
    std::vector<std::string> expected;
    for (int errors = 16; errors <= 20; ++errors) {
        expected.push_back(console::formatText("LBA      12C[25]   12  5 :%4d", errors));
    }
    expected.push_back("ask: BER Test end"); // no line per block
    EXPECT_EQ(rig.console.lines, expected);
    EXPECT_EQ(rig.test.ErrorCount, 32);
    EXPECT_EQ(rig.view.rate, "   2.13E-003"); // 32 / (600 * 25): long blocks
    EXPECT_GT(rig.view.pixels(clRed), 0);
    EXPECT_GT(rig.view.pixels(clBlue), 0);
    EXPECT_EQ(rig.reads(), (std::vector<Read>{{300, 25}, {300, 25}}));
    // Correction off for the first reading, on for the second and at the end.
    EXPECT_EQ(rig.selectedFlags(), (std::vector<int>{0xC1, 0xC0, 0xC0}));
    EXPECT_EQ(rig.page(), rig.pageBefore);
}

TEST(SafeBitErrorRate, RateCountsLongBlocksAndFollowsTheInjectedRate) {
    std::string tenErrors = "2=mo128:error-rate=0";
    for (int i = 0; i < 10; ++i) {
        tenErrors += ":burst=310." + std::to_string(i * 40) + ".1";
    }
    SafeRig ten(tenErrors);
    ten.console.answer = console::Console::Answer::Ok;
    ten.test.Run(300, 301, 0);
    EXPECT_EQ(ten.view.rate, "   6.67E-004"); // 10 / (600 * 25)

    // Only the 512 data bytes of each 600-byte sector are compared.
    SafeRig random("2=mo230:error-rate=0.001:seed=7");
    random.test.Run(295, 3000, 0);
    EXPECT_NEAR(random.test.ErrorRate, 0.001 * 512 / 600, 0.0001);
    EXPECT_EQ(random.page(), random.pageBefore);
}

TEST(SafeBitErrorRate, DriveThatKeepsCorrectionOnShowsNoErrors) {
    SafeRig rig("2=mo128:error-rate=0:burst=305.10.20:no-dcr");
    rig.test.Run(300, 301, 0);
    EXPECT_EQ(rig.test.ErrorCount, 0);
    EXPECT_EQ(rig.console.lines, EndLines); // both selects accepted
    EXPECT_EQ(rig.selectedFlags(), (std::vector<int>{0xC0, 0xC0, 0xC0}));

    // A drive that lets nothing change takes its page back as it was read:
    // no warning that correction may be off.
    SafeRig fixed("2=mo128:error-rate=0:fixed-page");
    fixed.test.Run(300, 301, 0);
    EXPECT_EQ(fixed.console.lines, EndLines);
    EXPECT_EQ(fixed.selectedFlags(), (std::vector<int>{0xC0, 0xC0, 0xC0}));
}

// On a 230 MB cartridge block 256 lies at sector 21 of track 8: the first
// pass starts with track 9 at 265, the next 16 tracks further on.
TEST(SafeBitErrorRate, PassesCoverWholeTracksBelowTheEnd) {
    SafeRig rig("2=mo230:error-rate=0");
    rig.test.Run(256, 0x320, 0x10);
    EXPECT_EQ(rig.reads(), (std::vector<Read>{{265, 30}, {265, 30}, {775, 30}, {775, 30}}));
    EXPECT_EQ(rig.test.BlocksTested, 60);

    SafeRig empty("2=mo230:error-rate=0");
    empty.test.Run(265, 265, 0);
    EXPECT_TRUE(empty.reads().empty());
    EXPECT_EQ(empty.test.BlocksTested, 0);
    EXPECT_EQ(empty.console.lines, EndLines);
    EXPECT_EQ(empty.selectedFlags(), std::vector<int>{0xC0}); // correction on at the end
}

// Blocks larger than any MO medium's, as a disk may report: 30 sectors a
// track would overrun the buffers, so a reading takes as many as they hold.
TEST(SafeBitErrorRate, TrackReadingsStayWithinTheBuffers) {
    SafeRig rig("2=mo128:error-rate=0");
    drive::TMODrive::BlockSize = 8192;
    rig.test.Run(300, 301, 0);
    drive::TMODrive::BlockSize = 512;
    EXPECT_EQ(rig.reads(), (std::vector<Read>{{300, 12}, {300, 12}}));
}

TEST(SafeBitErrorRate, FailedTrackReadIsReadBlockByBlock) {
    SafeRig rig("2=mo128:error-rate=0");
    // The track reading with correction off and then block 310 alone fail.
    rig.simDrive().addFault({Read10, 310, 310, 0, 2, sim::FaultKind::CheckCondition, 3, 0x11});
    rig.test.Run(300, 301, 0);
    std::vector<Read> expected{{300, 25}};
    for (std::uint32_t lba = 300; lba < 325; ++lba) {
        expected.emplace_back(lba, 1);
    }
    expected.emplace_back(300, 25);
    EXPECT_EQ(rig.reads(), expected);
    EXPECT_GT(rig.view.pixels(clAqua), 0);
    EXPECT_EQ(rig.view.pixels(clLime), 0);
}

TEST(SafeBitErrorRate, ModePageFailuresAreReported) {
    SafeRig senseFails("2=mo128:fail=1a-5.24.0");
    EXPECT_TRUE(senseFails.test.Run(300, 301, 0));
    EXPECT_EQ(senseFails.console.lines,
              (std::vector<std::string>{"Error: Mode Sense", "Mode Sense Erroe (Change Data)"}));
    EXPECT_TRUE(senseFails.selectedFlags().empty());

    // The select that switches correction back on at the end fails once.
    SafeRig retried("2=mo128:error-rate=0");
    retried.simDrive().addFault(
        {ModeSelect6, 0, UINT32_MAX, 2, 1, sim::FaultKind::CheckCondition, 5, 0x26});
    retried.test.Run(300, 301, 0);
    std::vector<std::string> expected{"Error: Mode Select (Set ERC)"};
    expected.insert(expected.end(), EndLines.begin(), EndLines.end());
    EXPECT_EQ(retried.console.lines, expected);
    EXPECT_EQ(retried.selectedFlags(), (std::vector<int>{0xC1, 0xC0, 0xC0, 0xC0}));
    EXPECT_EQ(retried.page(), retried.pageBefore);

    SafeRig refused("2=mo128:error-rate=0:fail=15-5.26.0");
    refused.test.Run(300, 301, 0);
    const std::string offLine =
        "Error correction may still be off: Mode Select (Set ERC) failed twice";
    expected = {"Error: Mode Select(Non ERC)",
                "Error: Mode Select (Set ERC)",
                "Error: Mode Select (Set ERC)",
                "Error: Mode Select (Set ERC)",
                offLine,
                "box: " + offLine};
    // Without correction off the track was not tested: its blocks failed.
    expected.insert(expected.end(), {"ask: BER Test end", "BER =    0.00E+000",
                                     "Failed Blocks = 25", "BER Test end"});
    EXPECT_EQ(refused.console.lines, expected);
    EXPECT_EQ(refused.test.Shortcomings(),
              (std::vector<std::string>{"25 blocks failed", "error correction may still be off"}));
}

namespace {

const SafeRig* signalledRig = nullptr;
std::vector<int> selectsAtSignal;

void recordSignal(int) {
    selectsAtSignal = signalledRig->selectedFlags();
}

} // namespace

// STOP, and a signal that would end the program, both end the run after the
// pass under way; the signal reaches its handler only once correction is on.
TEST(SafeBitErrorRate, StopAndSignalsEndTheRunWithCorrectionOn) {
    SafeRig stopped("2=mo128:error-rate=0");
    stopped.view.onEvents = [&] {
        stopped.test.StopRequested = true;
    };
    stopped.test.Run(0, 10000, 0);
    EXPECT_EQ(stopped.test.BlocksTested, 50);
    EXPECT_EQ(stopped.page(), stopped.pageBefore);

    SafeRig signalled("2=mo128:error-rate=0");
    signalledRig = &signalled;
    const auto previous = std::signal(SIGTERM, recordSignal);
    signalled.view.onEvents = [] {
        std::raise(SIGTERM);
    };
    signalled.test.Run(0, 10000, 0);
    std::signal(SIGTERM, previous);
    EXPECT_EQ(signalled.test.BlocksTested, 50);
    // Two passes and the final select, correction on, before the handler.
    EXPECT_EQ(selectsAtSignal, (std::vector<int>{0xC1, 0xC0, 0xC1, 0xC0, 0xC0}));
    EXPECT_EQ(signalled.page(), signalled.pageBefore);
}
