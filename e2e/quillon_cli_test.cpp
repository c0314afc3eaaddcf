// quillon-cli as a user runs it: the program, its output and exit status.
#include "CliRun.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

using namespace quillon::e2e;

namespace {

const std::string BerHeader = "    **** Bit Error Rate Test *****\n";
const std::string BerComplete = "Bit Error Rate Test Complete\n";

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
    const auto first = cli("--simulate=2=mo230:ua raw 0:2:0 00 00 00 00 00 00");
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
    EXPECT_TRUE(
        contains(empty.output, "Status           none: No device answered at this address\n"));
}

TEST(QuillonCli, AMediumImageKeepsWhatOneRunWroteForTheNext) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("quillon-image-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto block = (dir / "block.bin").string();
    std::ofstream(block) << std::string(512, 'Q');
    const std::string image = (dir / "mo230.img").string();
    const std::string drives = "--simulate=2=mo230:image=" + image;
    EXPECT_EQ(cli(drives + " raw 0:2:0 2A000000001000000100 --out " + block).exitStatus, 0);
    const auto read = cli(drives + " raw 0:2:0 28000000001000000100 --in 512");
    EXPECT_EQ(read.exitStatus, 0);
    EXPECT_TRUE(contains(read.output, "0000  51 51 51 51")) << read.output;

    // write in one run, read in the next: the same bytes.
    const auto back = (dir / "back.bin").string();
    std::ofstream((dir / "written.bin")) << std::string(256, 'A') + std::string(256, 'z');
    const auto written = cli(drives + " write 0:2:0 20 --in " + (dir / "written.bin").string());
    EXPECT_EQ(written.exitStatus, 0);
    EXPECT_TRUE(contains(written.output, "LBA 20 Write OK\n")) << written.output;
    const auto shown = cli(drives + " read 0:2:0 20 --out " + back, false);
    EXPECT_EQ(readFile(back), readFile(dir / "written.bin"));
    EXPECT_TRUE(contains(shown.output, "\n0F  41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41  "
                                       "AAAAAAAAAAAAAAAA\n"
                                       "10  7A 7A"))
        << shown.output;
    // A file of the wrong length is refused, and the block stays as it was.
    const auto wrong = cli(drives + " write 0:2:0 20 --in " + block + "X");
    EXPECT_EQ(wrong.exitStatus, 2);
    std::ofstream(block + "X") << std::string(100, 'x');
    const auto refused = cli(drives + " write 0:2:0 20 --in " + block + "X");
    EXPECT_EQ(refused.exitStatus, 2);
    EXPECT_TRUE(contains(refused.output, "holds 100 bytes, but a block of this medium holds 512"))
        << refused.output;
    cli(drives + " read 0:2:0 20 --out " + back, false);
    EXPECT_EQ(readFile(back), readFile(dir / "written.bin"));

    // A run killed while it writes keeps what it wrote: the test pattern of
    // the long-write test in the first block it wrote.
    shell("bash -c '" + std::string(QUILLON_CLI) + " " + drives +
          " ber 0:2:0 --start 100 --time-scale 1 >/dev/null & pid=$!; sleep 1; kill -KILL $pid; "
          "wait $pid'");
    const auto afterKill = cli(drives + " long-read 0:2:0 100", false);
    EXPECT_TRUE(contains(afterKill.output, "\n00  A5 A5 A5 A5 A5 A5 A5 A5 A5 A5 A5 A5 A5 A5 A5 A5"))
        << afterKill.output;
    const auto fresh = cli("--simulate=2=mo230 raw 0:2:0 28000000001000000100 --in 512");
    EXPECT_TRUE(contains(fresh.output, "0000  00 00 00 00")) << fresh.output;

    const auto other = cli("--simulate=2=mo640:image=" + image + " scan");
    EXPECT_EQ(other.exitStatus, 2);
    EXPECT_TRUE(contains(other.output, "holds a mo230 medium")) << other.output;
    std::filesystem::remove_all(dir);
}

TEST(QuillonCli, DecodesInquiryCapacityAndLegacySense) {
    const auto inquiry = cli("--simulate inquiry 0:2:0");
    EXPECT_EQ(inquiry.exitStatus, 0);
    EXPECT_TRUE(contains(inquiry.output, "DeviceType       7\n"));
    EXPECT_TRUE(contains(inquiry.output, "Product          \"SIM MO DRIVE    \"\n"));

    const auto absent = cli("--simulate inquiry 0:6:0");
    EXPECT_EQ(absent.exitStatus, 1);
    EXPECT_TRUE(contains(absent.output, "Qualifier        3\n"));

    const auto capacity = cli("--simulate=4=mo640:ua capacity 0:4:0"); // unit attention first
    EXPECT_EQ(capacity.exitStatus, 1);
    EXPECT_TRUE(contains(capacity.output, "Sense Key              $06  Unit Attention\n"));

    const auto legacy = cli("--simulate=2=mo230:legacy-sense sense 0:2:0");
    EXPECT_EQ(legacy.exitStatus, 0);
    EXPECT_TRUE(contains(legacy.output, "Nonextended Sense Data\n"));
    EXPECT_TRUE(contains(legacy.output, "Error Code             $06\n"));
}

TEST(QuillonCli, FirstCommandsOfAFreshRunSucceed) {
    // The drives start as on a running system: no power-on unit attention.
    const auto capacity = cli("--simulate capacity 0:4:0");
    EXPECT_EQ(capacity.exitStatus, 0);
    EXPECT_TRUE(contains(capacity.output, "BlockSize        2048\n"));
    const auto modeSense = cli("--simulate mode-sense 0:2:0");
    EXPECT_EQ(modeSense.exitStatus, 0);
    EXPECT_TRUE(contains(modeSense.output, "Mode Sense OK\n"));
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

TEST(QuillonCli, AUsageErrorPrintsTheCommandsUsageOnStandardError) {
    const auto missing = cli("--simulate eject", true);
    EXPECT_EQ(missing.exitStatus, 2);
    EXPECT_EQ(missing.output, "quillon-cli: H:T:L is required\n"
                              "Usage: quillon-cli [OPTION]... eject H:T:L\n"
                              "Run 'quillon-cli help eject' for more.\n");
    EXPECT_EQ(cli("--simulate eject", false).output, ""); // nothing on standard output
    const auto help = cli("help seek", false);
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_TRUE(help.output.starts_with("Usage: quillon-cli [OPTION]... seek H:T:L"));
    EXPECT_TRUE(contains(help.output, "--count N"));
    const auto completion = cli("completion", false);
    EXPECT_EQ(completion.exitStatus, 0);
    EXPECT_TRUE(contains(completion.output, "complete -F _quillon_cli quillon-cli\n"));
}

TEST(QuillonCli, PrintsOnlyItsOwnLinesWithoutADesktopSession) {
    // Qt's note about a missing XDG_RUNTIME_DIR is not the program's.
    const auto run = shell("env -u XDG_RUNTIME_DIR " QUILLON_CLI " --simulate seek 0:2:0 --count 3 "
                           "--time-scale 0 >/dev/null");
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.output, ""); // standard error
}

TEST(QuillonCli, ShowsProgressOnATerminalOnly) {
    if (std::system("command -v script >/dev/null") != 0) {
        GTEST_SKIP() << "script (util-linux) is not installed";
    }
    // script runs the program on a pseudo-terminal.
    const std::string seek = std::string(QUILLON_CLI) + " --simulate seek 0:2:0 --count 50";
    const auto terminal = shell("script -qec '" + seek + "' /dev/null");
    EXPECT_EQ(terminal.exitStatus, 0);
    EXPECT_TRUE(contains(terminal.output, "% ")) << terminal.output;
    EXPECT_TRUE(contains(terminal.output, " elapsed")) << terminal.output;
    EXPECT_TRUE(contains(terminal.output, "\r\033[K")); // taken away at the end
    const auto quiet = shell("script -qec '" + seek + " --quiet' /dev/null");
    EXPECT_FALSE(contains(quiet.output, " elapsed")) << quiet.output;
    const auto piped = cli("--simulate seek 0:2:0 --count 50 --time-scale 0");
    EXPECT_FALSE(contains(piped.output, " elapsed"));
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
    EXPECT_EQ(nobody.output,
              "    **** Inquiry Data *****\nquillon-cli: no device answers at this address\n");
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
    // A drive just powered on: nothing before START STOP UNIT takes the
    // unit attention.
    const auto fresh = cli("--simulate=2=mo230:ua eject 0:2:0");
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

// Two passes without gap over a 20-byte burst in block 300 (track 10, sector
// 5 of the first zone); the end question is printed and answered Abort.
TEST(QuillonCli, BerPrintsTheLogAndWritesMapAndReport) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("quillon-ber-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto map = dir / "map.png";
    const auto report = dir / "report.json";
    const auto run = cli("--simulate=2=mo230:error-rate=0:burst=300.10.20 ber 0:2:0 --start 12C "
                         "--end 14B --skip 0 --map " +
                             map.string() + " --report " + report.string(),
                         false);
    EXPECT_EQ(run.exitStatus, 0);
    const std::string burst = "LBA      12C[30]   10  5 :  20";
    EXPECT_EQ(run.output, BerHeader + burst + "\nBER Test end\nBER =    5.56E-004\nBER Test end\n" +
                              BerComplete);

    const std::string json = readFile(report);
    for (const std::string& field : std::initializer_list<std::string>{
             "\"blocksTested\": 60,", "\"erroneousBytes\": 20,", "\"mediaType\": 2,",
             "\"start\": 300\n", "\"end\": 331,", "\"skip\": 0,",
             "\"burstLines\": [\n        \"" + burst + "\"\n    ],"}) {
        EXPECT_TRUE(contains(json, field)) << field << " in " << json;
    }
    EXPECT_EQ(readFile(map).substr(0, 8), "\x89PNG\r\n\x1a\n");
    std::filesystem::remove_all(dir);
}

TEST(QuillonCli, BerRefusesBadOptionsAbsentDevicesAndProtectedMedia) {
    // A mistyped option stops the command before the drive is addressed.
    const auto badStart = cli("--simulate ber 0:2:0 --start zz");
    EXPECT_EQ(badStart.exitStatus, 2);
    EXPECT_TRUE(contains(badStart.output, "--start needs a hexadecimal number, not \"zz\""));
    EXPECT_FALSE(contains(badStart.output, BerHeader));

    const auto absent = cli("--simulate ber 0:6:0", false);
    EXPECT_EQ(absent.exitStatus, 1);
    EXPECT_EQ(absent.output, BerHeader);

    const auto protectedMedium = cli("--simulate=2=mo230:wp ber 0:2:0", false);
    EXPECT_EQ(protectedMedium.exitStatus, 1);
    EXPECT_EQ(protectedMedium.output, BerHeader + "Error: Media Write protected\n" + BerComplete);
}

// The page as the error recovery editor shows it, one line per control.
TEST(QuillonCli, ModeSensePrintsTheEditorsControls) {
    const auto run = cli("--simulate=2=mo230:no-ua mode-sense 0:2:0", false);
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_TRUE(contains(run.output, "    **** Mode Sense Data *****\n"
                                     "Auto Write Reallocation    awre                  1\n"));
    EXPECT_TRUE(contains(run.output, "Enable\u3000Early Recover      eer                   0\n"));
    EXPECT_TRUE(contains(run.output, "Recovery Time Limt         recovery-time         0\n"
                                     "Mode Sense OK\n"));

    // A drive just powered on: MODE SENSE meets the unit attention.
    const auto fresh = cli("--simulate=2=mo230:ua mode-sense 0:2:0", false);
    EXPECT_EQ(fresh.exitStatus, 1);
    EXPECT_TRUE(contains(fresh.output, "Error: Mode Sense\nExtended Sense Data\n"
                                       "Sense Key              $06  Unit Attention\n"));
    EXPECT_FALSE(contains(fresh.output, "awre"));
}

TEST(QuillonCli, ModeSelectEditsOnlyWhatTheDriveLetsChange) {
    const auto run = cli("--simulate=2=mo230:no-ua mode-select 0:2:0 --set dcr=1 --set "
                         "read-retry=300 --set correction-span=4",
                         false);
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_TRUE(contains(run.output, "    **** Mode Sense Data *****\n"
                                     "correction-span cannot be changed on this drive\n"));
    EXPECT_TRUE(contains(run.output,
                         "Disable Correction         dcr                   1  changeable\n"
                         "Read Retry                 read-retry          300  changeable\n"));
    EXPECT_TRUE(contains(run.output,
                         "Data                       correction-span       0  not changeable\n"));
    EXPECT_TRUE(contains(run.output, "\nMode Select OK\n"));

    // A drive that lets nothing change gets its page back as it was read.
    const auto fixed = cli("--simulate=2=mo230:fixed-page mode-select 0:2:0 --set dcr=1", false);
    EXPECT_EQ(fixed.exitStatus, 0);
    EXPECT_TRUE(contains(fixed.output, "dcr cannot be changed on this drive\n"));
    EXPECT_TRUE(contains(fixed.output,
                         "Auto Write Reallocation    awre                  1  not changeable\n"));
    EXPECT_TRUE(contains(fixed.output, "\nMode Select OK\n"));
}

TEST(QuillonCli, ModeSelectRefusesBadEditsBeforeReadingThePage) {
    for (const char* edits : {"--set bogus=1", "--set dcr=2", "--set dcr=1 --set dcr=0",
                              "--set read-retry=x", "--set read-retry"}) {
        const auto run = cli(std::string("--simulate=2=mo230:no-ua mode-select 0:2:0 ") + edits);
        EXPECT_EQ(run.exitStatus, 2) << edits;
        EXPECT_FALSE(contains(run.output, "Mode Sense Data")) << edits;
    }
    EXPECT_TRUE(contains(cli("--help").output, "mode-select H:T:L [--set FIELD=VALUE]..."));
}

// The read-mode test over one track of a 128 MB cartridge (block 300 to
// 324): a 20-byte burst in block 305 and one 12 of whose bytes lie in block
// 307's data; then a drive that refuses every MODE SELECT.
TEST(QuillonCli, SafeBerPrintsTheLogAndReportsAPageNotPutBack) {
    const auto report = std::filesystem::temp_directory_path() /
                        ("quillon-safe-ber-" + std::to_string(::getpid()) + ".json");
    const auto run = cli("--simulate=2=mo128:error-rate=0:burst=305.10.20:burst=307.500.20 "
                         "safe-ber 0:2:0 --start 12C --end 12D --report " +
                             report.string(),
                         false);
    EXPECT_EQ(run.exitStatus, 0);
    std::string bursts;
    for (int errors = 16; errors <= 20; ++errors) {
        bursts += "LBA      12C[25]   12  5 :  " + std::to_string(errors) + "\n";
    }
    EXPECT_EQ(run.output, "    **** Safe Bit Error Rate Test *****\n" + bursts +
                              "BER Test end\nBER =    2.13E-003\nBER Test end\n" + BerComplete);
    EXPECT_TRUE(contains(readFile(report), "\"erroneousBytes\": 32,"));
    std::filesystem::remove(report);

    const auto refused =
        cli("--simulate=2=mo128:error-rate=0:fail=15-5.26.0 safe-ber 0:2:0 --start 12C --end 12D",
            false);
    EXPECT_TRUE(contains(refused.output, "Error: Mode Select(Non ERC)\n"));
    EXPECT_TRUE(contains(refused.output, "Error correction may still be off: Mode Select (Set "
                                         "ERC) failed twice\nBER Test end\n"));
}

// Twenty seeks below block 1E240 at the drive's modelled speed (the seek
// test's default time scale): the log, the averages, one CSV row per seek
// and the plot; then the refusals.
TEST(QuillonCli, SeekPrintsTheAveragesAndWritesEverySeek) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("quillon-seek-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto csv = dir / "seeks.csv";
    const auto plot = dir / "plot.png";
    const auto run = cli("--simulate=2=mo230 seek 0:2:0 --max-lba 1E240 --count 20 --csv " +
                             csv.string() + " --plot " + plot.string(),
                         false);
    EXPECT_EQ(run.exitStatus, 0);
    const std::string head = "    **** Seek Test *****\nSeek Test end\nSeek Test end\n"
                             "Seek Test Complete\nAve = ";
    ASSERT_EQ(run.output.substr(0, head.size()), head) << run.output;

    std::istringstream rows(readFile(csv));
    std::string row;
    std::getline(rows, row);
    EXPECT_EQ(row, "index,from,to,distance,ms,status");
    int index = 0;
    long previous = 0;
    double sumMs = 0;
    while (std::getline(rows, row)) {
        long from = 0, to = 0, distance = 0;
        double ms = 0;
        char status[3] = {};
        ASSERT_EQ(std::sscanf(row.c_str(), "%d,%ld,%ld,%ld,%lf,%2s", &index, &from, &to, &distance,
                              &ms, status),
                  6)
            << row;
        EXPECT_EQ(from, previous);
        EXPECT_LT(to, 0x1E240);
        EXPECT_EQ(distance, std::labs(from - to));
        EXPECT_GE(ms, 3.0); // no seek of the model is shorter than settling
        EXPECT_STREQ(status, "00");
        previous = to;
        sumMs += ms;
    }
    EXPECT_EQ(index, 20);
    // The printed average, to one decimal, of the times the rows give to three.
    EXPECT_NEAR(std::stod(run.output.substr(head.size())), sumMs / 20, 0.051) << run.output;
    EXPECT_EQ(readFile(plot).substr(0, 8), "\x89PNG\r\n\x1a\n");
    std::filesystem::remove_all(dir);

    const auto badCount = cli("--simulate seek 0:2:0 --count ten");
    EXPECT_EQ(badCount.exitStatus, 2);
    EXPECT_TRUE(contains(badCount.output, "--count needs a decimal number, not \"ten\""));
    const auto absent = cli("--simulate seek 0:6:0", false);
    EXPECT_EQ(absent.exitStatus, 1);
    EXPECT_EQ(absent.output, "    **** Seek Test *****\n");
    const auto failing = cli("--simulate=2=mo230:fail=2b-3.11.0 seek 0:2:0", false);
    EXPECT_EQ(failing.exitStatus, 1);
    EXPECT_TRUE(contains(failing.output, "Error: Fist Seek\n"));
}

TEST(QuillonCli, BlockReadsPrintTheBlockAsTheEditorShowsIt) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("quillon-blocks-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    struct Medium {
        const char* profile;
        std::size_t longBlock;
    };
    for (const Medium medium : {Medium{"mo230", 600}, Medium{"mo650", 1200}, {"mo640", 2380}}) {
        const auto out = dir / medium.profile;
        const auto run = cli(std::string("--simulate=2=") + medium.profile +
                                 " long-read 0:2:0 10 --out " + out.string(),
                             false);
        EXPECT_EQ(run.exitStatus, 0) << medium.profile;
        EXPECT_EQ(std::filesystem::file_size(out), medium.longBlock);
        // The header, the editor's column captions, a line per 16 bytes.
        const auto lines =
            static_cast<std::size_t>(std::count(run.output.begin(), run.output.end(), '\n'));
        EXPECT_EQ(lines, 2 + (medium.longBlock + 15) / 16) << run.output;
        EXPECT_TRUE(run.output.starts_with("    **** Long Read 1 Block *****\n"
                                           "    00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F  "
                                           "ASCII\n00  "));
    }
    // The short last line of a 600-byte long block: 8 bytes, then blanks.
    const auto last = cli("--simulate long-read 0:2:0 10", false).output;
    const auto lastLine = last.substr(last.rfind("\n25 "));
    // "\n25 ", sixteen cells of " XX" (the last eight blank), two blanks, the
    // ASCII text of sixteen characters.
    EXPECT_EQ(lastLine.size(), 4u + 16 * 3 + 2 + 16 + 1) << lastLine;
    EXPECT_TRUE(lastLine.ends_with("        \n"));
    std::filesystem::remove_all(dir);
}
