// quillon-cli verify, copy-block and copy-disk as a user runs them: the log
// lines, the exit status with its reasons, what the media and the image file
// hold afterwards, and "Change Drive" answered from the options or the input.
#include "CliRun.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace quillon::e2e;
namespace fs = std::filesystem;

namespace {

// A directory of the test's own, for medium images and copy images.
class TestDirectory {
public:
    TestDirectory()
        : path_(fs::temp_directory_path() /
                ("quillon-cli-copies-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TestDirectory() { fs::remove_all(path_); }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

const std::string VerifyHeader = "    **** Verify Block(126Block) *****\n";
const std::string CopyDiskHeader = "    **** Copy Disk (1 Drive) *****\n";

} // namespace

TEST(QuillonCliCopies, VerifyLogsEveryFailedChunkAndFails) {
    const auto clean = cli("--simulate verify 0:2:0 --start 0 --end 258");
    EXPECT_EQ(clean.exitStatus, 0);
    EXPECT_EQ(clean.output, VerifyHeader + "End Verify\n");

    const auto failed = cli("--simulate=2=mo230:fail=2f-3.11.0 verify 0:2:0 --start 0 --end 258");
    EXPECT_EQ(failed.exitStatus, 1);
    EXPECT_EQ(failed.output, VerifyHeader +
                                 "Error: 1 0 - FF \nError: 2 FF - 1FE \nError: 3 1FE - 258 \n"
                                 "End Verify\nquillon-cli: 3 chunks failed to verify\n");

    // Beyond the last block: no block to verify.
    const auto empty = cli("--simulate verify 0:2:0 --start 7FFF0 --end 7FFFF");
    EXPECT_EQ(empty.exitStatus, 1);
    EXPECT_TRUE(contains(empty.output, "???? Start LBA >= End LBA or Start > Max Track\n"));
    EXPECT_TRUE(contains(empty.output, "quillon-cli: the range holds no block of the medium\n"));

    // The dialog's check, before anything is sent.
    const auto reversed = cli("--simulate verify 0:2:0 --start 20 --end 10");
    EXPECT_EQ(reversed.exitStatus, 2);
    EXPECT_TRUE(contains(reversed.output, "--start must lie below --end")) << reversed.output;
    EXPECT_FALSE(contains(reversed.output, VerifyHeader));
}

TEST(QuillonCliCopies, CopyBlockCopiesOnTheMediumAndRefusesWhatDoesNotFit) {
    TestDirectory dir;
    const std::string drives = "--simulate=2=mo230:image=" + (dir / "mo230.img");
    std::ofstream(dir / "block") << std::string(256, 'C') + std::string(256, 'D');
    ASSERT_EQ(cli(drives + " write 0:2:0 105 --in " + (dir / "block")).exitStatus, 0);

    const auto copied = cli(drives + " copy-block 0:2:0 --start 100 --end 200 --dest 1000");
    EXPECT_EQ(copied.exitStatus, 0) << copied.output;
    EXPECT_EQ(copied.output, "    **** Copy Block *****\nEnd Copy\n");
    cli(drives + " read 0:2:0 1005 --out " + (dir / "copy"));
    EXPECT_EQ(readFile(dir / "copy"), readFile(dir / "block"));

    const auto beyond = cli(drives + " copy-block 0:2:0 --start 0 --end 100 --dest 6CF10");
    EXPECT_EQ(beyond.exitStatus, 1);
    EXPECT_TRUE(contains(beyond.output, "???? Start > Max Track or Copy Max > Max Track\nEnd Copy\n"
                                        "quillon-cli: "))
        << beyond.output;

    const auto failed = cli("--simulate=2=mo230:fail=2a-3.c.0 copy-block 0:2:0 --start 0 --end "
                            "10 --dest 20");
    EXPECT_EQ(failed.exitStatus, 1);
    EXPECT_TRUE(contains(failed.output, "Error: Copy Block Write 1\n")) << failed.output;
    EXPECT_TRUE(contains(failed.output, "quillon-cli: WRITE of 16 blocks at LBA 20 failed"))
        << failed.output;

    EXPECT_EQ(cli("--simulate copy-block 0:2:0 --start 0 --end 10").exitStatus, 2);
}

TEST(QuillonCliCopies, CopyDiskChangesTheSimulatedCartridgeWhenToldYes) {
    TestDirectory dir;
    const std::string medium = dir / "first.img";
    std::ofstream(dir / "block") << std::string(512, 'M');
    ASSERT_EQ(cli("--simulate=2=mo230:image=" + medium + " write 0:2:0 3 --in " + (dir / "block"))
                  .exitStatus,
              0);
    const std::string copyDisk = "--simulate=2=mo230+mo230:image=" + medium +
                                 " copy-disk 0:2:0 --start 0 --end 10 --image " + (dir / "copy");
    const auto copied = cli(copyDisk + " --yes");
    EXPECT_EQ(copied.exitStatus, 0) << copied.output;
    EXPECT_EQ(copied.output, CopyDiskHeader + "End Read Image\nImage File: " + (dir / "copy") +
                                 "\nChange Drive\nEnd Write Image\nEnd Copy Drive 1\n");
    const std::string image = readFile(dir / "copy");
    ASSERT_EQ(image.size(), 16u * 512);
    EXPECT_EQ(image.substr(3 * 512, 512), std::string(512, 'M'));

    // The second cartridge protected: ejected, refused, the image kept.
    const auto refused = cli("--simulate=2=mo230+mo230:wp=2 copy-disk 0:2:0 --start 0 --end 10 "
                             "--yes --image " +
                             (dir / "refused"));
    EXPECT_EQ(refused.exitStatus, 1);
    EXPECT_TRUE(contains(refused.output, "Change Drive\nError: Media Write protected\n"))
        << refused.output;
    EXPECT_TRUE(fs::exists(dir / "refused"));

    // Without --yes the answer comes from the input; its end is Abort.
    const auto aborted = shell(std::string(QUILLON_CLI) + " " + copyDisk + " </dev/null");
    EXPECT_EQ(aborted.exitStatus, 1);
    EXPECT_TRUE(contains(aborted.output, "Change Drive\nOK or Abort? \nCancel Copy Drive\n"))
        << aborted.output;
    EXPECT_TRUE(contains(aborted.output, "the image stays in " + (dir / "copy")));
    const auto typed =
        shell("printf 'later\\n ok \\n' | " + std::string(QUILLON_CLI) + " " + copyDisk);
    EXPECT_EQ(typed.exitStatus, 0) << typed.output;
    EXPECT_TRUE(contains(typed.output, "OK or Abort? OK or Abort? End Write Image\n"))
        << typed.output;
}

TEST(QuillonCliCopies, CopyDiskKeepsItsImageInTheCacheDirectory) {
    TestDirectory dir;
    const auto copied = shell("XDG_CACHE_HOME=" + (dir / "cache") + " " + std::string(QUILLON_CLI) +
                              " --simulate copy-disk 0:4:0 --start 0 --end 64 --yes");
    EXPECT_EQ(copied.exitStatus, 0) << copied.output;
    const std::string image = (dir / "cache") + "/quillon/MoTemp$85.tmp";
    EXPECT_TRUE(contains(copied.output, "Image File: " + image + "\n")) << copied.output;
    EXPECT_EQ(fs::file_size(image), 0x64u * 2048);
}

TEST(QuillonCliCopies, ShowProgressOnATerminal) {
    if (std::system("command -v script >/dev/null") != 0) {
        GTEST_SKIP() << "script (util-linux) is not installed";
    }
    const auto terminal = shell("script -qec '" + std::string(QUILLON_CLI) +
                                " --simulate verify 0:2:0 --start 0 --end 20000' /dev/null");
    EXPECT_EQ(terminal.exitStatus, 0);
    EXPECT_TRUE(contains(terminal.output, "% ")) << terminal.output;
    EXPECT_TRUE(contains(terminal.output, "\r\033[K"));
}
