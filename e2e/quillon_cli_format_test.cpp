// quillon-cli format and zero-format as a user runs them: the question on a
// terminal or --yes, the lines, the medium afterwards, and the exit status of
// a format that falls short.
#include "CliRun.h"

#include <gtest/gtest.h>

using namespace quillon::e2e;

namespace {

const std::string Header = "    **** Physical Format *****\n";

// A medium image of its own for one test, with block 20 written.
struct WrittenMedium {
    explicit WrittenMedium(const std::string& name) : scratch(name) {
        std::ofstream(scratch.path("block.bin")) << std::string(512, 'W');
        cli(drives() + " write 0:2:0 20 --in " + scratch.path("block.bin"));
    }
    std::string drives() const { return "--simulate=2=mo230:image=" + scratch.path("medium.img"); }
    bool blockStillWritten() const {
        cli(drives() + " read 0:2:0 20 --out " + scratch.path("back.bin"), false);
        return readFile(scratch.path("back.bin")) == readFile(scratch.path("block.bin"));
    }

    Scratch scratch;
};

// A command run on a terminal, with what is typed on it; the terminal's
// line ends read as plain newlines.
Run onTerminal(const std::string& arguments, const std::string& typed) {
    Run run = shell("printf '" + typed + "\\n' | script -qec \"" + std::string(QUILLON_CLI) + " " +
                    arguments + "\" /dev/null");
    std::erase(run.output, '\r');
    return run;
}

} // namespace

TEST(QuillonCliFormat, YesFormatsWithoutAskingAndTheMediumIsErased) {
    const WrittenMedium medium("format-yes");
    const auto format = cli(medium.drives() + " format 0:2:0 --yes");
    EXPECT_EQ(format.exitStatus, 0);
    EXPECT_EQ(format.output, Header + "Format Drive\nFormat Start\nFormat Complete\n"
                                      "  Time(mm:ss) =    0: 0\nFormat Complete\n");
    EXPECT_FALSE(medium.blockStillWritten());
}

TEST(QuillonCliFormat, WithoutATerminalNeitherFormatRunsUnlessTold) {
    const WrittenMedium medium("format-no-terminal");
    for (const char* command : {" format 0:2:0", " zero-format 0:2:0"}) {
        const auto refused = cli(medium.drives() + command + " </dev/null");
        EXPECT_EQ(refused.exitStatus, 2);
        EXPECT_TRUE(contains(refused.output, "standard input is not a terminal")) << refused.output;
        EXPECT_TRUE(contains(refused.output, "--yes")) << refused.output;
        EXPECT_FALSE(contains(refused.output, Header)) << refused.output;
    }
    EXPECT_TRUE(medium.blockStillWritten());
}

// The user types the answer (the terminal echoes it when it comes, which may
// be before the question); while the drive formats (a second and more at this
// scale) the progress line shows the time elapsed.
TEST(QuillonCliFormat, OnATerminalTheUserAnswersAndSeesTheTimeGo) {
    const std::string zeroFormat = "--simulate=2=mo230 --time-scale 0.01 zero-format 0:2:0";
    const std::string question = "Format Drive(Non P-list:Disable Certification)\nOK or Abort? ";
    const auto formatted = onTerminal(zeroFormat, "ok");
    EXPECT_EQ(formatted.exitStatus, 0) << formatted.output;
    EXPECT_TRUE(contains(formatted.output, question)) << formatted.output;
    EXPECT_TRUE(contains(formatted.output, "  0:01 elapsed")) << formatted.output;
    EXPECT_TRUE(contains(formatted.output, "Format Start\n")) << formatted.output;
    EXPECT_TRUE(formatted.output.ends_with("Format Complete\n  Time(mm:ss) =    0: 1\n"
                                           "Format Complete\n"))
        << formatted.output;

    const auto aborted = onTerminal(zeroFormat, "abort");
    EXPECT_EQ(aborted.exitStatus, 1);
    EXPECT_TRUE(contains(aborted.output, question)) << aborted.output;
    EXPECT_TRUE(aborted.output.ends_with("Cancel Format Drive\n"
                                         "quillon-cli: the format was cancelled\n"))
        << aborted.output;
}

// The drive's refusal is printed as the window logs it, with its sense data,
// and said on standard error.
TEST(QuillonCliFormat, AFormatTheDriveRefusesExitsOneAndSaysWhy) {
    const auto run = cli("--simulate=2=mo230:fail=04-3.31.1 format 0:2:0 --yes");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_TRUE(contains(run.output, Header + "Format Drive\nFormat Start\n"
                                              "  Time(mm:ss) =    0: 0\nError: Format\n"
                                              "Extended Sense Data\n"))
        << run.output;
    EXPECT_TRUE(run.output.ends_with("quillon-cli: the format failed: format command failed\n"))
        << run.output;
}
