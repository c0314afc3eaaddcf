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

TEST(QuillonCli, TargetInfoPrintsTheLogLinesOfTheMainWindow) {
    const auto mo = cli("--simulate target-info 0:2:0");
    EXPECT_EQ(mo.exitStatus, 0);
    EXPECT_TRUE(contains(mo.output, "    **** Inquiry Data *****\n"
                                    "[HA =  0]   [SCSI ID =  2]   [LUN NO =  0]\n"
                                    "VendorID  ----------------------  QUILLON \n"));
    EXPECT_TRUE(contains(mo.output, "DeviceType  --------------------  Optical Memory Device\n"));
    EXPECT_TRUE(contains(mo.output, "Relative Block Address function   Not Support\n"));

    const auto disk = cli("--simulate target-info 0:5:0");
    EXPECT_TRUE(contains(disk.output, "Media  -------------------------  Not Removable\n"));

    const auto nobody = cli("--simulate target-info 0:6:0");
    EXPECT_EQ(nobody.exitStatus, 1);
    EXPECT_EQ(nobody.output, "    **** Inquiry Data *****\n");
}

TEST(QuillonCli, DiskCapacityPrintsBlockSizesPerMedium) {
    const auto lines = [](const char* drives) {
        return cli(std::string("--simulate=") + drives + " disk-capacity 0:2:0").output;
    };
    EXPECT_EQ(lines("2=mo230"), "    **** Read Disk Capacity *****\n"
                                "Block Size       =       200\n"
                                "Long Block Size  =       258\n"
                                "Last Block LBA   =     6CF74\n");
    EXPECT_TRUE(contains(lines("2=mo650"), "Block Size       =       400\n"
                                           "Long Block Size  =       4B0\n"));
    EXPECT_TRUE(contains(lines("2=mo640"), "Block Size       =       800\n"
                                           "Long Block Size  =       94C\n"));

    const auto busy = cli("--simulate=2=mo230:fail=25-busy disk-capacity 0:2:0");
    EXPECT_EQ(busy.exitStatus, 1);
    EXPECT_TRUE(contains(busy.output, "Error: Read Capcity\nSCSI Busy\n"));

    const auto medium = cli("--simulate=2=mo230:fail=25-3.11.0 disk-capacity 0:2:0");
    EXPECT_TRUE(contains(medium.output,
                         "Error: Read Capcity\nExtended Sense Data\n"
                         "Sense Key              $03  Medium Error\n"
                         "Additional Sense Code  $11 $00  unrecovered read error\n"));
}

TEST(QuillonCli, EjectReportsFailuresWithTheSenseWindow) {
    // Each run powers the drive on: nothing before START STOP UNIT takes the
    // unit attention.
    const auto fresh = cli("--simulate=2=mo230 eject 0:2:0");
    EXPECT_EQ(fresh.exitStatus, 1);
    EXPECT_EQ(fresh.output, "    **** Eject Disk *****\nEject Error\nExtended Sense Data\n"
                            "Sense Key              $06  Unit Attention\n"
                            "Additional Sense Code  $29 $00  power on, reset, or bus device "
                            "reset occurred\n");

    const auto refused = cli("--simulate=2=mo230:fail=1b-5.24.0 eject 0:2:0");
    EXPECT_EQ(refused.exitStatus, 1);
    EXPECT_TRUE(contains(refused.output, "Eject Error\nExtended Sense Data\n"
                                         "Sense Key              $05  Illegal Request\n"));
}
