// quillon-cli read-defect as a user runs it: the lines of a list, and the
// exit status of every way a list is not read or not shown whole.
#include "CliRun.h"

#include <gtest/gtest.h>
#include <utility>

using namespace quillon::e2e;

namespace {

const std::string Header = "    **** Read Defect Data *****\n";
const std::string Hyphens = std::string(46, '-') + "\n";

} // namespace

TEST(QuillonCliReadDefect, PrintsTheChosenList) {
    // Blocks 120 to 159 are track 3 of mo230, whole; the factory's grown
    // defects are blocks 148786 and 405750.
    const std::pair<const char*, std::string> lists[] = {
        {"--simulate=2=mo230:grown=120.40 read-defect 0:2:0 --list grown --format physical",
         "Grown Defect List(Phisical Secter)\n" + Hyphens +
             "  No.     Sylnder    Hed    Sec\n"
             "   0 :          3      0     -1\n"
             "   1 :       3719      0     26\n"
             "   2 :      10143      0     30\n" +
             Hyphens + " Defect Count = 3\n"},
        {"--simulate=2=mo230 read-defect 0:2:0 --format block --list grown",
         "Grown Defect List(Block Address)\n" + Hyphens +
             "  No.    Block(Hex)\n"
             "   0 :      24532\n"
             "   1 :      630F6\n" +
             Hyphens + " Defect Count = 2\n"},
    };
    for (const auto& [arguments, list] : lists) {
        const auto run = cli(arguments);
        EXPECT_EQ(run.exitStatus, 0);
        EXPECT_EQ(run.output, Header + list);
    }

    // Without options: the dialog's first choice.
    const auto primary = cli("--simulate=2=mo230 read-defect 0:2:0");
    EXPECT_EQ(primary.exitStatus, 0);
    EXPECT_TRUE(primary.output.starts_with(Header + "Primary Defect List(Phisical Secter)\n"))
        << primary.output;
    EXPECT_TRUE(primary.output.ends_with(" Defect Count = 5\n")) << primary.output;
}

TEST(QuillonCliReadDefect, AListNotReadOrNotShownWholeExitsOneAndSaysWhy) {
    struct Case {
        const char* arguments;
        const char* printed;
        const char* reason;
    };
    const Case cases[] = {
        {"--simulate=2=mo230:grown=1000.2000 read-defect 0:2:0 --list grown --format block",
         " Defect Count = 1023\n Defects beyond the 4096 bytes read = 979\n",
         "quillon-cli: 979 defects lie beyond the 4096 bytes read\n"},
        {"--simulate=2=mo230:index-defects read-defect 0:2:0",
         "Primary Defect List(Phisical Secter)\n----------------------------------------------\n"
         "----------------------------------------------\n Defect Count = 0\n",
         "quillon-cli: the drive sent its list in format 4, which is not shown (block format is "
         "0, physical sector format 5)\n"},
        {"--simulate=2=mo230:fail=37-5.20.0 read-defect 0:2:0 --list grown --format block",
         "Error: Read Defect 4\nExtended Sense Data\nSense Key              $05  Illegal Request\n",
         "quillon-cli: READ DEFECT DATA failed: invalid command operation code\n"},
    };
    for (const Case& c : cases) {
        const auto run = cli(c.arguments);
        EXPECT_EQ(run.exitStatus, 1) << c.arguments;
        EXPECT_TRUE(contains(run.output, c.printed)) << run.output;
        EXPECT_TRUE(run.output.ends_with(c.reason)) << run.output;
    }

    const auto usage = cli("--simulate=2=mo230 read-defect 0:2:0 --list both");
    EXPECT_EQ(usage.exitStatus, 2);
    EXPECT_TRUE(contains(usage.output, "--list takes primary or grown, not \"both\""))
        << usage.output;
    EXPECT_FALSE(contains(usage.output, Header)) << usage.output;
}
