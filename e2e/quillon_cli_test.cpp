// quillon-cli as a user runs it: the program, its output and exit status.
#include <array>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>

namespace {

struct Run {
    int exitStatus;
    std::string output;
};

Run cli(const std::string& arguments) {
    const std::string command = std::string(QUILLON_CLI) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    std::array<char, 4096> chunk{};
    while (const auto n = std::fread(chunk.data(), 1, chunk.size(), pipe)) {
        output.append(chunk.data(), n);
    }
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(QuillonCli, ScanListsTheSimulatedDrives) {
    const auto run = cli("--simulate scan");
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_TRUE(contains(run.output, "0:2:0    07h   QUILLON   SIM MO DRIVE      1.00  yes\n"));
    EXPECT_TRUE(contains(run.output, "0:4:0    07h"));
    EXPECT_FALSE(contains(run.output, "0:5:0")); // a disk, listed only with --all
    const auto all = cli("--simulate scan --all");
    EXPECT_TRUE(contains(all.output, "0:5:0    00h   QUILLON   SIM DISK          1.00  no\n"));

    const auto twoLuns = cli("--simulate=3=mo1300,3.1=mo640 scan");
    EXPECT_TRUE(contains(twoLuns.output, "0:3:0 "));
    EXPECT_TRUE(contains(twoLuns.output, "0:3:1 "));
}

TEST(QuillonCli, RawCommandsShowStatusSenseAndData) {
    // The first command after power-on meets the unit attention.
    const auto first = cli("--simulate raw 0:2:0 00 00 00 00 00 00");
    EXPECT_EQ(first.exitStatus, 1);
    EXPECT_TRUE(contains(first.output, "Status           02h CHECK CONDITION\n"));
    EXPECT_TRUE(contains(first.output,
                         "Additional Sense Code  $29 $00  power on, reset, or bus device reset "
                         "occurred\n"));

    const auto inquiry = cli("--simulate raw 0:4:0 120000002400 --in 36");
    EXPECT_EQ(inquiry.exitStatus, 0);
    EXPECT_TRUE(contains(inquiry.output, "Status           00h GOOD\n"));
    EXPECT_TRUE(contains(inquiry.output, "0000  07 80 02 02"));

    const auto empty = cli("--simulate raw 0:3:0 000000000000");
    EXPECT_EQ(empty.exitStatus, 1);
    EXPECT_TRUE(contains(empty.output, "Status           none: no target answered\n"));
}

TEST(QuillonCli, DecodesInquiryCapacityAndLegacySense) {
    const auto inquiry = cli("--simulate inquiry 0:2:0");
    EXPECT_EQ(inquiry.exitStatus, 0);
    EXPECT_TRUE(contains(inquiry.output, "DeviceType       7\n"));
    EXPECT_TRUE(contains(inquiry.output, "Product          \"SIM MO DRIVE    \"\n"));

    const auto absent = cli("--simulate inquiry 0:6:0");
    EXPECT_EQ(absent.exitStatus, 1);
    EXPECT_TRUE(contains(absent.output, "Qualifier        3\n"));

    const auto capacity = cli("--simulate capacity 0:4:0"); // unit attention first
    EXPECT_EQ(capacity.exitStatus, 1);
    EXPECT_TRUE(contains(capacity.output, "Sense Key              $06  Unit Attention\n"));

    const auto legacy = cli("--simulate=2=mo230:legacy-sense sense 0:2:0");
    EXPECT_EQ(legacy.exitStatus, 0);
    EXPECT_TRUE(contains(legacy.output, "Nonextended Sense Data\n"));
    EXPECT_TRUE(contains(legacy.output, "Error Code             $06\n"));
}

TEST(QuillonCli, UsageErrorsExitWithTwo) {
    EXPECT_EQ(cli("--simulate frobnicate").exitStatus, 2);
    EXPECT_EQ(cli("--simulate inquiry 0:2").exitStatus, 2);
    EXPECT_EQ(cli("--simulate raw 0:2:0 12000000").exitStatus, 2);
    EXPECT_EQ(cli("--bogus scan").exitStatus, 2);
    const auto badSet = cli("--simulate=2=mo999 scan");
    EXPECT_EQ(badSet.exitStatus, 2);
    EXPECT_TRUE(contains(badSet.output, "unknown medium \"mo999\""));
    EXPECT_TRUE(contains(cli("--help").output, "--simulate[=DRIVES]"));
}
