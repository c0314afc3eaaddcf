// The long-write test against the simulated drive with injected surface
// defects and failing commands, its figures, log lines and marks on the map.
#include "BitErrorRate.h"
#include "RateFormat.h"
#include "TestRig.h"
#include "widgets/Colors.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

using namespace quillon;
using namespace widgets::colors;

namespace {

// The long-write test on the simulated drive.
struct Rig : mediatests::testing::SimulatedDrive {
    using SimulatedDrive::SimulatedDrive;

    // The first block of every READ LONG pass, in order, and their lengths.
    std::vector<std::pair<std::uint32_t, int>> readPasses() const {
        std::vector<std::pair<std::uint32_t, int>> passes;
        for (const auto& entry : trace()) {
            if (entry.cdb[0] != 0x3E)
                continue;
            const std::uint32_t lba = mediatests::testing::lbaOf(entry.cdb);
            if (passes.empty() || passes.back().first + passes.back().second != lba)
                passes.emplace_back(lba, 0);
            ++passes.back().second;
        }
        return passes;
    }

    mediatests::BitErrorRateTest test{operations, view};
};

std::string isolatedErrors(int count) {
    std::string options;
    for (int i = 0; i < count; ++i)
        options += ":burst=300." + std::to_string(i * 30) + ".1";
    return options;
}

} // namespace

TEST(BitErrorRate, BurstBeyondTheThresholdIsMarkedRedAndLogged) {
    Rig rig("2=mo128:error-rate=0:burst=300.10.20"); // MediaType 1: threshold 15
    EXPECT_TRUE(rig.test.Run(300, 300, 0));
    const std::vector<std::string> expected{"LBA      12C[25]   12  0 :  16",
                                            "LBA      12C[25]   12  0 :  17",
                                            "LBA      12C[25]   12  0 :  18",
                                            "LBA      12C[25]   12  0 :  19",
                                            "LBA      12C[25]   12  0 :  20",
                                            "LBA      12C[25]   12  0 :  20",
                                            "ask: BER Test end",
                                            "BER =    1.33E-003",
                                            "BER Test end"};
    EXPECT_EQ(rig.console.lines, expected);
    EXPECT_EQ(rig.test.BurstLineCount, 6);
    EXPECT_EQ(rig.test.ErrorCount, 20);
    EXPECT_EQ(rig.test.BlocksTested, 25); // 26 blocks tested, 25 counted
    EXPECT_GT(rig.view.pixels(clRed), 0);
    EXPECT_EQ(rig.view.rate, "Error Rate"); // reset by Abort
}

TEST(BitErrorRate, IsolatedErrorsAreByteErrors) {
    Rig sixteen("2=mo128:error-rate=0" + isolatedErrors(16));
    std::vector<std::string> burstLines;
    sixteen.test.OnBurstLine = [&burstLines](const std::string& line) {
        burstLines.push_back(line);
    };
    sixteen.test.Run(300, 300, 0);
    EXPECT_EQ(burstLines, std::vector<std::string>{"LBA      12C[25]   12  0 :  16"});
    EXPECT_EQ(sixteen.view.pixels(clRed), 0);
    EXPECT_GE(sixteen.view.pixels(clBlue), 10);

    Rig fifteen("2=mo128:error-rate=0" + isolatedErrors(15));
    fifteen.console.answer = console::Console::Answer::Ok; // the window stays
    EXPECT_FALSE(fifteen.test.Run(300, 300, 0));
    EXPECT_EQ(fifteen.test.BurstLineCount, 0);
    EXPECT_EQ(fifteen.test.ErrorCount, 15);
    EXPECT_EQ(fifteen.view.rate, "   1.00E-003"); // the figures stay too
}

TEST(BitErrorRate, FailedCommandsAreDrawnAsArcsAndCountedAsFailedBlocks) {
    // A block whose WRITE LONG failed holds no pattern: it is not compared.
    Rig writeFails("2=mo128:error-rate=0:fail=3f-3.c.0");
    writeFails.test.Run(300, 300, 0);
    EXPECT_GT(writeFails.view.pixels(clAqua), 0);
    EXPECT_EQ(writeFails.test.ErrorCount, 0);
    EXPECT_EQ(writeFails.test.FailedBlocks, 26);
    EXPECT_EQ(writeFails.console.lines,
              (std::vector<std::string>{"ask: BER Test end", "BER =    0.00E+000",
                                        "Failed Blocks = 26", "BER Test end"}));
    EXPECT_EQ(writeFails.test.Shortcomings(), std::vector<std::string>{"26 blocks failed"});

    Rig readFails("2=mo128:error-rate=0:fail=3e-3.11.0");
    readFails.test.Run(300, 300, 0);
    EXPECT_GT(readFails.view.pixels(clLime), 0);
    EXPECT_EQ(readFails.view.pixels(clBlue) + readFails.view.pixels(clRed), 0);
    EXPECT_EQ(readFails.test.ErrorCount, 0);
    EXPECT_EQ(readFails.test.FailedBlocks, 26);

    // One block failing both ways counts once.
    Rig both("2=mo128:error-rate=0");
    both.simDrive().addFault({0x3F, 310, 310, 0, 0, sim::FaultKind::Busy});
    both.simDrive().addFault({0x3E, 310, 311, 0, 0, sim::FaultKind::Busy});
    both.test.Run(300, 300, 0);
    EXPECT_EQ(both.test.FailedBlocks, 2);
}

TEST(BitErrorRate, AMediumTakenAwayEndsTheRunAsAFailedOne) {
    Rig rig("2=mo128:error-rate=0");
    int events = 0;
    rig.view.onEvents = [&] {
        if (++events == 40) { // before the 14th READ LONG of the first pass
            rig.simDrive().ejectMedium();
        }
    };
    rig.test.Run(256, 6708, 0);
    EXPECT_TRUE(rig.test.MediumLost);
    EXPECT_FALSE(rig.test.RangeCovered);
    EXPECT_EQ(rig.test.LastBlockTested, 256 + 25 - 1); // 25 sectors a track
    const auto& lines = rig.console.lines;
    EXPECT_EQ(lines.front(), "Error: Test Unit Ready");
    EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end() - 1),
              (std::vector<std::string>{"Failed Blocks = 13", "Last LBA tested =      118"}));
    EXPECT_EQ(rig.test.Shortcomings(),
              (std::vector<std::string>{"13 blocks failed",
                                        "the drive stopped answering or its medium went away",
                                        "the run ended at LBA 118, before the end"}));
}

TEST(BitErrorRate, PassesCoverATrackAndSkipTracks) {
    Rig rig("2=mo128:error-rate=0");
    rig.bus->target(2)->setTracing(true);
    rig.test.Run(256, 6708, 0x80);
    using Pass = std::pair<std::uint32_t, int>;
    EXPECT_EQ(rig.readPasses(), (std::vector<Pass>{{256, 26}, {3482, 26}, {6708, 26}}));
    EXPECT_EQ(rig.test.BlocksTested, 75);
    EXPECT_EQ(rig.view.lba, "LBA");

    Rig empty("2=mo128:error-rate=0");
    empty.test.Run(301, 300, 0); // start above end: no pass
    EXPECT_EQ(empty.test.BlocksTested, 0);
    EXPECT_EQ(empty.console.lines, (std::vector<std::string>{
                                       "ask: BER Test end", "BER =    0.00E+000", "BER Test end"}));
    EXPECT_EQ(empty.test.Shortcomings(),
              std::vector<std::string>{"no block was tested: the range holds none"});
    EXPECT_TRUE(rig.test.Shortcomings().empty()); // the whole range, nothing failed
}

TEST(BitErrorRate, MeasuredRateMatchesTheInjectedRate) {
    Rig rig("2=mo230:error-rate=0.001:seed=7");
    rig.test.Run(256, 3000, 0);
    EXPECT_NEAR(rig.test.ErrorRate, 0.001, 0.0002);
}

TEST(BitErrorRate, WriteProtectedMediumIsEjectedWithoutARun) {
    Rig rig("2=mo128:wp");
    EXPECT_TRUE(rig.test.Run(256, 300, 0));
    EXPECT_EQ(rig.console.lines, std::vector<std::string>{"box: Error: Media Write protected"});
    EXPECT_EQ(rig.operations.MODrive1.TestUnitReady(0, 2, 0), 2); // no medium now
}

TEST(BitErrorRate, RateFormatAndLongRuns) {
    EXPECT_EQ(mediatests::FormatRate(0.0), "   0.00E+000");
    EXPECT_EQ(mediatests::FormatRate(1.5e-5), "   1.50E-005");
    EXPECT_EQ(mediatests::FormatRate(-2.5e12), "  -2.50E+012");
    // 1,000,000 blocks of 2380 bytes are more bytes than a 32-bit count holds.
    EXPECT_FLOAT_EQ(mediatests::ByteErrorRate(2380, 2380, 1'000'000), 1e-6f);
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv); // the map's legend needs fonts
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
