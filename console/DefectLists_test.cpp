// Read Defect against the simulated drive: the command each choice sends, the
// lines of each list in both formats, lists the log cannot show whole, and
// the failures with their labels.
#include "ConsoleTestSupport.h"
#include "DefectLists.h"
#include "FormatText.h"
#include "scsi/SimTransport.h"
#include "sim/DriveSet.h"

#include <gtest/gtest.h>

using namespace quillon;
using console::DefectLists;
using console::formatText;
using Lines = std::vector<std::string>;

namespace {

constexpr std::uint8_t ReadDefectData = 0x37;
constexpr console::DeviceAddress Drive{0, 2, 0};
const std::string Header = "    **** Read Defect Data *****";
const std::string Hyphens(46, '-');
constexpr std::uint32_t PerTrack = 40; // sectors per track of mo230

// The dialog of the tests: answers with its selection and counts the asks.
class FixedChoice : public console::DefectListChoice {
public:
    std::int32_t selection = 1;
    int asked = 0;

    std::int32_t AskSelection() override {
        ++asked;
        return selection;
    }
};

struct Rig {
    explicit Rig(const std::string& drives)
        : drive(console::testing::SimulatedBus(sim::parseDriveSet(drives), bus)),
          operations(drive, console), defects(operations, choice) {
        bus->target(2)->setTracing(true);
    }

    DefectLists::Result read(std::int32_t selection) {
        choice.selection = selection;
        return defects.ReadDefect(Drive);
    }
    std::vector<std::vector<std::uint8_t>> requests() const {
        std::vector<std::vector<std::uint8_t>> cdbs;
        for (const auto& entry : bus->target(2)->trace()) {
            if (entry.cdb[0] == ReadDefectData) {
                cdbs.push_back(entry.cdb);
            }
        }
        return cdbs;
    }
    sim::DefectLists lists() const { return bus->target(2)->lun(0)->defectLists(); }

    scsi::SimTransport* bus = nullptr;
    drive::TMODrive drive;
    console::testing::RecordingConsole console;
    console::DriveConsole operations;
    FixedChoice choice;
    DefectLists defects;
};

Lines blockLines(const std::vector<std::uint32_t>& blocks) {
    Lines lines{"  No.    Block(Hex)"};
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        lines.push_back(formatText("%4zu : %10X", i, blocks[i]));
    }
    return lines;
}

Lines sectorLines(const std::vector<std::uint32_t>& blocks) {
    Lines lines{"  No.     Sylnder    Hed    Sec"};
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        lines.push_back(
            formatText("%4zu : %10u %6d %6u", i, blocks[i] / PerTrack, 0, blocks[i] % PerTrack));
    }
    return lines;
}

Lines logOf(const std::string& title, const Lines& entries, std::size_t count) {
    Lines lines{Header, title, Hyphens};
    lines.insert(lines.end(), entries.begin(), entries.end());
    lines.insert(lines.end(), {Hyphens, formatText(" Defect Count = %zu", count)});
    return lines;
}

} // namespace

TEST(DefectLists, EachChoiceReadsItsListInItsFormat) {
    Rig rig("2=mo230");
    const auto lists = rig.lists();
    struct Case {
        std::int32_t selection;
        std::uint8_t formatByte;
        const char* title;
        const std::vector<std::uint32_t>& blocks;
        Lines (*entries)(const std::vector<std::uint32_t>&);
    };
    const Case cases[] = {
        {1, 0x15, "Primary Defect List(Phisical Secter)", lists.primary, sectorLines},
        {2, 0x0D, "Grown Defect List(Phisical Secter)", lists.grown, sectorLines},
        {3, 0x10, "Primary Defect List(Block Address)", lists.primary, blockLines},
        {4, 0x08, "Grown Defect List(Block Address)", lists.grown, blockLines},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        rig.bus->target(2)->clearTrace();
        const auto result = rig.read(c.selection);
        EXPECT_TRUE(result.Shown);
        EXPECT_EQ(result.Shortfall, "");
        EXPECT_EQ(rig.console.lines, logOf(c.title, c.entries(c.blocks), c.blocks.size()));
        ASSERT_EQ(rig.requests().size(), 1u);
        EXPECT_EQ(rig.requests()[0], (std::vector<std::uint8_t>{ReadDefectData, 0, c.formatByte, 0,
                                                                0, 0, 0, 0x10, 0x00, 0}));
    }
    EXPECT_EQ(rig.choice.asked, 4);
    EXPECT_EQ(rig.console.lines[4], "   0 :      24532"); // block 148786
    rig.read(2);
    EXPECT_EQ(rig.console.lines[4], "   0 :       3719      0     26");
}

TEST(DefectLists, EmptyListsWholeTracksAndFormatsNotShown) {
    Rig rig("2=mo230:grown=120.40,3=mo230,4=mo230:index-defects");
    // A format with a complete, empty list and no certification empties the
    // grown list.
    std::uint8_t emptyList[4]{0, 0xA0, 0, 0};
    ASSERT_EQ(rig.drive.Format(0, 3, 0, 0x18, 4, emptyList), 0);
    rig.choice.selection = 4;
    EXPECT_TRUE(rig.defects.ReadDefect({0, 3, 0}).Shown);
    EXPECT_EQ(rig.console.lines, logOf("Grown Defect List(Block Address)", blockLines({}), 0));
    rig.choice.selection = 2;
    EXPECT_TRUE(rig.defects.ReadDefect({0, 3, 0}).Shown);
    EXPECT_EQ(rig.console.lines, logOf("Grown Defect List(Phisical Secter)", sectorLines({}), 0));

    // Blocks 120 to 159 are track 3, all of it.
    EXPECT_TRUE(rig.read(2).Shown);
    EXPECT_EQ(rig.console.lines[4], "   0 :          3      0     -1");
    EXPECT_EQ(rig.console.lines.back(), " Defect Count = 3");

    rig.choice.selection = 1;
    const auto index = rig.defects.ReadDefect({0, 4, 0});
    EXPECT_FALSE(index.Shown);
    EXPECT_EQ(index.Shortfall, "the drive sent its list in format 4, which is not shown (block "
                               "format is 0, physical sector format 5)");
    EXPECT_EQ(rig.console.lines, (Lines{Header, "Primary Defect List(Phisical Secter)", Hyphens,
                                        Hyphens, " Defect Count = 0"}));
}

// 4096 bytes hold the header and 1023 block entries, or 511 physical ones and
// half of the next; what lies beyond is counted, never read.
TEST(DefectLists, ListsLongerThanTheBytesReadAreCut) {
    std::string scattered = "2=mo230:grown=100000.2000";
    for (std::uint32_t i = 0; i < 600; ++i) {
        scattered += ":grown=" + std::to_string(200000 + i * PerTrack + i % PerTrack) + ".1";
    }
    Rig rig(scattered);
    const auto grown = rig.lists().grown;
    ASSERT_EQ(grown.size(), 2602u);

    const auto blocks = rig.read(4);
    EXPECT_FALSE(blocks.Shown);
    EXPECT_EQ(blocks.Shortfall, "1579 defects lie beyond the 4096 bytes read");
    const Lines& lines = rig.console.lines;
    ASSERT_EQ(lines.size(), 1 + 3 + 1023 + 3u);
    EXPECT_EQ(lines[4 + 1022], formatText("1022 : %10X", grown[1022]));
    EXPECT_EQ(lines[lines.size() - 2], " Defect Count = 1023");
    EXPECT_EQ(lines.back(), " Defects beyond the 4096 bytes read = 1579");

    // 2000 blocks from 100000 (a track boundary) are 50 whole tracks.
    const auto sectors = rig.read(2);
    EXPECT_EQ(sectors.Shortfall, "141 defects lie beyond the 4096 bytes read");
    ASSERT_EQ(lines.size(), 1 + 3 + 511 + 3u);
    EXPECT_EQ(lines[4 + 2], formatText("   2 : %10u %6d %6d", 100000 / PerTrack + 2, 0, -1));
    // Entry 50 is the factory's grown defect, the scattered ones follow.
    const std::uint32_t last = grown[2000 + 510 - 50];
    EXPECT_EQ(lines[4 + 510],
              formatText(" 510 : %10u %6d %6u", last / PerTrack, 0, last % PerTrack));
    EXPECT_EQ(lines.back(), " Defects beyond the 4096 bytes read = 141");
}

TEST(DefectLists, FailuresAreReportedUnderTheirLabels) {
    Rig rig("2=mo230:fail=37-5.20.0,3=mo230:fail=0-2.3a.0");
    for (std::int32_t selection = 1; selection <= 4; ++selection) {
        const auto result = rig.read(selection);
        EXPECT_FALSE(result.Shown);
        EXPECT_EQ(result.Shortfall, "READ DEFECT DATA failed: invalid command operation code");
        EXPECT_EQ(rig.console.lines,
                  (Lines{Header, formatText("Error: Read Defect %d", selection)}));
    }

    const auto unchosen = rig.read(0);
    EXPECT_EQ(unchosen.Shortfall, "no list was chosen");
    EXPECT_EQ(rig.console.lines, (Lines{Header, "Error: Read Defect(select)"}));
    EXPECT_EQ(rig.requests().size(), 4u);

    rig.choice.asked = 0;
    const auto notReady = rig.defects.ReadDefect({0, 3, 0});
    EXPECT_EQ(notReady.Shortfall, "the drive is not ready: medium not present");
    EXPECT_EQ(rig.console.lines, (Lines{Header, "Error: Read Defect"}));
    const auto absent = rig.defects.ReadDefect({0, 5, 0});
    EXPECT_EQ(absent.Shortfall, "no device answers at this address");
    EXPECT_EQ(rig.console.lines, Lines{Header});
    EXPECT_EQ(rig.choice.asked, 0);
}
