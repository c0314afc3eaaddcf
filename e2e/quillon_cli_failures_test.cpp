// quillon-cli never reports a failure as success: runs with failed blocks,
// empty ranges, output that cannot be written, and signals.
#include "CliRun.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace quillon::e2e;

namespace {

// A directory of the test's own, removed with it.
struct ScratchDirectory {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("quillon-cli-failures-" + std::to_string(::getpid()));
    ScratchDirectory() { std::filesystem::create_directories(path); }
    ~ScratchDirectory() { std::filesystem::remove_all(path); }
};

} // namespace

TEST(QuillonCliFailures, ARunWithFailedBlocksIsAFailedRun) {
    ScratchDirectory scratch;
    const auto report = scratch.path / "report.json";
    // Every WRITE LONG fails: one pass of 31 blocks, none compared.
    const auto writes = cli("--simulate=2=mo230:fail=3f-3.0c.0 ber 0:2:0 --start 100 --end 130 "
                            "--report " +
                            report.string());
    EXPECT_EQ(writes.exitStatus, 1);
    EXPECT_TRUE(contains(writes.output, "BER =    0.00E+000\nFailed Blocks = 31\n"))
        << writes.output;
    EXPECT_TRUE(contains(writes.output, "quillon-cli: 31 blocks failed\n"));
    const std::string json = readFile(report);
    EXPECT_TRUE(contains(json, "\"failedBlocks\": 31,")) << json;
    EXPECT_TRUE(contains(json, "\"31 blocks failed\"")) << json;

    const auto reads =
        cli("--simulate=2=mo230:fail=28-3.11.0 safe-ber 0:2:0 --start 100 --end 200");
    EXPECT_EQ(reads.exitStatus, 1);
    EXPECT_TRUE(contains(reads.output, "quillon-cli: 30 blocks failed\n")) << reads.output;

    const auto seeks = cli("--simulate=2=mo230:fail=2b-busy seek 0:2:0 --count 3 --time-scale 0");
    EXPECT_EQ(seeks.exitStatus, 1);
}

TEST(QuillonCliFailures, AnEmptyRangeOrAStoppedRunIsNoWholeRun) {
    const auto empty = cli("--simulate ber 0:2:0 --start 200 --end 100");
    EXPECT_EQ(empty.exitStatus, 1);
    EXPECT_TRUE(contains(empty.output, "quillon-cli: no block was tested: the range holds none\n"))
        << empty.output;
    const auto none = cli("--simulate seek 0:2:0 --count 0 --time-scale 0");
    EXPECT_EQ(none.exitStatus, 1);
    EXPECT_TRUE(contains(none.output, "asks for no seek"));

    // A medium whose track layout is not known ends the read-mode test
    // early: the last block tested is said.
    const auto layout = cli("--simulate=2=mo2300:error-rate=0 safe-ber 0:2:0 --start 45000 "
                            "--end 46000 --skip 0");
    EXPECT_EQ(layout.exitStatus, 1);
    EXPECT_TRUE(contains(layout.output, "Last LBA tested = ")) << layout.output;
    EXPECT_TRUE(contains(layout.output, "before the end")) << layout.output;
    // The long-write test goes on past the layout; what it finds there is
    // off the drawn disc, and said so.
    const auto offMap = cli("--simulate=2=mo2300:error-rate=0:burst=900000.10.20 ber 0:2:0 "
                            "--start DBB90 --end DBBB0 --skip 0");
    EXPECT_EQ(offMap.exitStatus, 1);
    EXPECT_TRUE(contains(offMap.output, "Errors off the map = 20\n")) << offMap.output;
    EXPECT_TRUE(contains(offMap.output, "20 erroneous bytes lie outside the disc map"));
}

TEST(QuillonCliFailures, OutputIsCheckedBeforeTheRunAndWrittenWholeOrNotAtAll) {
    // A path that cannot be written stops the command before any drive is
    // addressed: nothing of the run is printed.
    const auto unwritable = cli("--simulate ber 0:2:0 --report /nonexistent/dir/report.json");
    EXPECT_EQ(unwritable.exitStatus, 2);
    EXPECT_TRUE(contains(unwritable.output, "cannot write /nonexistent/dir/report.json: No such "
                                            "file or directory"));
    EXPECT_FALSE(contains(unwritable.output, "****"));

    // A full disk is a failed command, not lost data.
    const auto full = cli("--simulate ber 0:2:0 --start 100 --end 130 --report /dev/full", true);
    EXPECT_EQ(full.exitStatus, 1);
    EXPECT_TRUE(contains(full.output, "cannot write the report to /dev/full")) << full.output;
    const auto csv = cli("--simulate seek 0:2:0 --count 2 --time-scale 0 --csv /dev/full");
    EXPECT_EQ(csv.exitStatus, 1);
    EXPECT_TRUE(contains(csv.output, "cannot write the seeks to /dev/full")) << csv.output;
    const auto output = shell(std::string(QUILLON_CLI) + " --simulate scan >/dev/full");
    EXPECT_EQ(output.exitStatus, 1);
    EXPECT_TRUE(contains(output.output, "quillon-cli: cannot write the output")) << output.output;
}

TEST(QuillonCliFailures, ASignalDuringSafeBerKeepsTheLinesWrittenBeforeIt) {
    ScratchDirectory scratch;
    const auto out = scratch.path / "out";
    // Standard output to a file is buffered: the lines are in the buffer
    // when SIGTERM ends the program, once correction is back on.
    const auto run = shell("bash -c '" + std::string(QUILLON_CLI) +
                           " --simulate safe-ber 0:2:0 --time-scale 1 > " + out.string() +
                           " & pid=$!; sleep 1; kill -TERM $pid; wait $pid; echo exit=$?'");
    EXPECT_TRUE(contains(run.output, "exit=143")) << run.output;
    EXPECT_TRUE(contains(readFile(out), "    **** Safe Bit Error Rate Test *****\n"))
        << readFile(out);
}

// With no device at the address the log holds only the header: standard
// error says why.
TEST(QuillonCliFailures, NoDeviceAtTheAddressIsSaid) {
    for (const char* command : {"target-info 0:3:0", "disk-capacity 0:3:0", "mode-sense 0:3:0",
                                "ber 0:3:0", "seek 0:3:0", "read 0:3:0 0"}) {
        const auto run = cli(std::string("--simulate ") + command);
        EXPECT_EQ(run.exitStatus, 1) << command;
        EXPECT_TRUE(contains(run.output, "quillon-cli: no device answers at this address\n"))
            << command << ": " << run.output;
    }
}

// Nothing a user types that may hold a password comes back in a message.
TEST(QuillonCliFailures, PasswordsNeverComeBack) {
    const std::string url = "iscsi://user%Secret?x@127.0.0.1:1/iqn.x";
    for (const std::string& line :
         {"--iscsi '" + url + "' scan", "scan '" + url + "'", "'" + url + "' scan",
          "--simulate ber '" + url + "'",
          std::string("--iscsi='iscsi://u%e@host/iqn?header_digest=md5' scan")}) {
        const auto run = cli(line);
        EXPECT_FALSE(contains(run.output, "Secret")) << line << ": " << run.output;
        EXPECT_FALSE(contains(run.output, "u%e")) << line << ": " << run.output;
        EXPECT_FALSE(contains(run.output, "***")) << line << ": " << run.output;
    }
}
