// quillon-cli copy-drive as a user runs it: the lines, what reaches the
// destination, and the exit status of every way a copy falls short.
#include "CliRun.h"

#include <gtest/gtest.h>

using namespace quillon::e2e;

namespace {

const std::string Header = "    **** Copy Disk (2 Drive) *****\n";

} // namespace

TEST(QuillonCliCopyDrive, CopiesTheRangeToTheSameAddressesOfTheOtherMedium) {
    const Scratch scratch("copy-drive");
    const std::string drives = "--simulate=2=mo230:image=" + scratch.path("source.img") +
                               ",4=mo230:image=" + scratch.path("destination.img");
    std::ofstream(scratch.path("inside.bin")) << std::string(512, 'I');
    std::ofstream(scratch.path("outside.bin")) << std::string(512, 'O');
    ASSERT_EQ(cli(drives + " write 0:2:0 20 --in " + scratch.path("inside.bin")).exitStatus, 0);
    ASSERT_EQ(cli(drives + " write 0:2:0 30 --in " + scratch.path("outside.bin")).exitStatus, 0);

    const auto copy = cli(drives + " copy-drive 0:2:0 0:4:0 --start 10 --end 30");
    EXPECT_EQ(copy.exitStatus, 0);
    EXPECT_EQ(copy.output, Header + "End Drive Copy\n");

    ASSERT_EQ(cli(drives + " read 0:4:0 20 --out " + scratch.path("back.bin"), false).exitStatus,
              0);
    EXPECT_EQ(readFile(scratch.path("back.bin")), readFile(scratch.path("inside.bin")));
    // End is not copied.
    cli(drives + " read 0:4:0 30 --out " + scratch.path("end.bin"), false);
    EXPECT_NE(readFile(scratch.path("end.bin")), readFile(scratch.path("outside.bin")));
}

TEST(QuillonCliCopyDrive, ACopyThatFallsShortExitsOneAndSaysWhy) {
    struct Case {
        const char* arguments;
        const char* printed;
        const char* reason;
    };
    const Case cases[] = {
        {"--simulate=2=mo230,4=mo230 copy-drive 0:2:0 0:2:0", "Error: Same drive\n",
         "quillon-cli: the source and the destination are the same drive\n"},
        {"--simulate=2=mo230,4=mo540 copy-drive 0:2:0 0:4:0", "Error: Defferent media type\n",
         "quillon-cli: the media differ in block size, long block size or last block\n"},
        {"--simulate=2=mo230,4=mo230:wp copy-drive 0:2:0 0:4:0 --end 10",
         "Error: Media Write protected\n",
         "quillon-cli: the destination medium cannot be written\n"},
        {"--simulate=2=mo230:fail=28-3.11.0,4=mo230 copy-drive 0:2:0 0:4:0 --start 5 --end 10",
         "Error: Copy Drive Read\n", "quillon-cli: reading the source failed at LBA 5\n"},
        {"--simulate=2=mo230,4=mo230:fail=2a-3.c.0 copy-drive 0:2:0 0:4:0 --end 10",
         "Error: Copy Drive Write\n", "quillon-cli: writing the destination failed at LBA 0\n"},
        {"--simulate=2=mo230 copy-drive 0:2:0 0:4:0", "",
         "quillon-cli: the destination drive is not ready\n"},
    };
    for (const Case& c : cases) {
        const auto run = cli(c.arguments);
        EXPECT_EQ(run.exitStatus, 1) << c.arguments;
        EXPECT_TRUE(contains(run.output, Header + c.printed)) << run.output;
        EXPECT_TRUE(run.output.ends_with(c.reason)) << run.output;
        EXPECT_FALSE(contains(run.output, "End Drive Copy")) << run.output;
    }
    // A protected source is only read.
    EXPECT_EQ(cli("--simulate=2=mo230:wp,4=mo230 copy-drive 0:2:0 0:4:0 --end 10").exitStatus, 0);
    EXPECT_EQ(cli("--simulate copy-drive 0:2:0 0:4").exitStatus, 2);
}

TEST(QuillonCliCopyDrive, ShowsProgressOnATerminal) {
    if (std::system("command -v script >/dev/null") != 0) {
        GTEST_SKIP() << "script (util-linux) is not installed";
    }
    const auto terminal = shell("script -qec '" + std::string(QUILLON_CLI) +
                                " --simulate=2=mo230,4=mo230 copy-drive 0:2:0 0:4:0 --end 400' "
                                "/dev/null");
    EXPECT_EQ(terminal.exitStatus, 0);
    EXPECT_TRUE(contains(terminal.output, "% ")) << terminal.output;
    EXPECT_TRUE(contains(terminal.output, "End Drive Copy")) << terminal.output;
}
