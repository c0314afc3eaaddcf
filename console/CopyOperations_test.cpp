// Verify, Copy Block and Copy Disk against the simulated drive: the commands
// the drive receives, what ends up on the media and in the image file, the
// log lines and the progress shown.
#include "ConsoleTestSupport.h"
#include "CopyChunks.h"
#include "CopyOperations.h"
#include "ImageFile.h"
#include "app/CartridgeChanger.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace quillon;
using console::BlockRange;
using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

constexpr std::uint8_t Read10 = 0x28;
constexpr std::uint8_t Write10 = 0x2A;
constexpr std::uint8_t Verify10 = 0x2F;

// The range dialog as the user fills it: the same range (or a cancel) at
// every showing.
class ScriptedRange : public console::RangeDialog {
public:
    std::optional<BlockRange> range;
    std::vector<bool> shownWithDestination;

    std::optional<BlockRange> AskRange(bool withDestination) override {
        shownWithDestination.push_back(withDestination);
        return range;
    }
};

// The progress window: what it was shown with and every gauge value.
class RecordingGauge : public console::ProgressWindow {
public:
    std::vector<std::string> texts;
    std::vector<std::int64_t> values;
    int processed = 0;
    bool shown = false;

    void ShowGauge(const std::string& text) override {
        texts.push_back(text);
        shown = true;
    }
    void SetGauge(std::int64_t percent) override { values.push_back(percent); }
    void HideGauge() override { shown = false; }
    void ProcessMessages() override { ++processed; }
};

// A block's contents that say which block it came from.
Bytes blockOf(std::uint32_t lba, std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(lba * 31 + i * 7 + (lba >> 8));
    }
    return bytes;
}

// One command of the trace: its block address and count.
struct Sent {
    std::uint32_t lba;
    std::uint32_t blocks;
    bool operator==(const Sent&) const = default;
};

struct Rig {
    explicit Rig(const std::string& drives)
        : drive(console::testing::SimulatedBus(sim::parseDriveSet(drives), bus)),
          operations(drive, console), changer(drive), copies(operations, dialog, gauge, changer) {
        bus->target(2)->setTracing(true);
    }

    sim::SimDrive& simDrive() { return *bus->target(2)->lun(0); }
    // Records blocks first … first + count − 1 with their own contents,
    // unseen by the trace.
    void fill(std::uint32_t first, std::uint32_t count) {
        drive.Capacity(0, 2, 0);
        const std::size_t size = drive::TMODrive::BlockSize;
        for (std::uint32_t lba = first; lba < first + count; ++lba) {
            Bytes bytes = blockOf(lba, size);
            drive.Write10(0, 2, 0, static_cast<std::int32_t>(lba), 1, bytes.data());
        }
        bus->target(2)->clearTrace();
    }
    // The block's user data as recorded on the loaded medium.
    Bytes recorded(std::uint32_t lba) {
        const Bytes sector = simDrive().recordedSector(lba);
        const std::size_t size = drive::TMODrive::BlockSize;
        return Bytes(sector.begin(), sector.begin() + static_cast<std::ptrdiff_t>(size));
    }
    std::vector<Sent> sent(std::uint8_t opcode) const {
        std::vector<Sent> commands;
        for (const auto& entry : bus->target(2)->trace()) {
            const auto& c = entry.cdb;
            if (c[0] == opcode) {
                commands.push_back(
                    {static_cast<std::uint32_t>(c[2] << 24 | c[3] << 16 | c[4] << 8 | c[5]),
                     static_cast<std::uint32_t>(c[7] << 8 | c[8])});
            }
        }
        return commands;
    }
    bool copyBlock(BlockRange range) {
        dialog.range = range;
        return copies.CopyBlock({0, 2, 0});
    }

    scsi::SimTransport* bus = nullptr;
    drive::TMODrive drive;
    console::testing::RecordingConsole console;
    console::DriveConsole operations;
    ScriptedRange dialog;
    RecordingGauge gauge;
    app::CartridgeChanger changer;
    console::CopyOperations copies;
};

// A directory of its own for each test's image files.
class ImageDirectory {
public:
    ImageDirectory()
        : path_(fs::temp_directory_path() /
                ("quillon-copy-test-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~ImageDirectory() { fs::remove_all(path_); }
    fs::path image() const { return path_ / console::ImageFile::FileName; }

private:
    fs::path path_;
};

Bytes fileBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

} // namespace

TEST(Verify, ChunksOf255BlocksWithTheGaugeAfterEach) {
    Rig rig("2=mo230");
    rig.dialog.range = BlockRange{0, 600, 0x100};
    EXPECT_TRUE(rig.copies.Verify({0, 2, 0}));
    EXPECT_EQ(rig.sent(Verify10), (std::vector<Sent>{{0, 255}, {255, 255}, {510, 90}}));
    EXPECT_EQ(rig.gauge.values, (std::vector<std::int64_t>{42, 85, 100}));
    EXPECT_EQ(rig.gauge.processed, 3);
    EXPECT_EQ(rig.gauge.texts, Lines{"Verify Data  [       0] - [     258] "});
    EXPECT_FALSE(rig.gauge.shown);
    EXPECT_EQ(rig.dialog.shownWithDestination, std::vector<bool>{false});
    EXPECT_EQ(rig.console.lines, (Lines{"    **** Verify Block(126Block) *****", "End Verify"}));
}

TEST(Verify, EveryFailingChunkIsNumberedAndTheRunGoesOn) {
    Rig rig("2=mo230:fail=2f-3.11.0");
    rig.dialog.range = BlockRange{0, 600, 0};
    EXPECT_FALSE(rig.copies.Verify({0, 2, 0}));
    EXPECT_EQ(rig.console.lines,
              (Lines{"    **** Verify Block(126Block) *****", "Error: 1 0 - FF ",
                     "Error: 2 FF - 1FE ", "Error: 3 1FE - 258 ", "End Verify"}));
    EXPECT_EQ(rig.copies.Shortcomings(), Lines{"3 chunks failed to verify"});
}

TEST(Verify, RangesWithoutABlockSendNothingAndEndIsCutToTheLastBlock) {
    Rig rig("2=mo230");
    rig.dialog.range = BlockRange{0x40, 0x40, 0};
    EXPECT_FALSE(rig.copies.Verify({0, 2, 0}));
    EXPECT_EQ(rig.console.lines,
              (Lines{"    **** Verify Block(126Block) *****",
                     "???? Start LBA >= End LBA or Start > Max Track", "End Verify"}));
    EXPECT_TRUE(rig.sent(Verify10).empty());
    EXPECT_TRUE(rig.gauge.texts.empty());

    // mo230's last block is 446324: it is never verified.
    rig.dialog.range = BlockRange{446324 - 300, 0x7FFFFFFF, 0};
    EXPECT_TRUE(rig.copies.Verify({0, 2, 0}));
    EXPECT_EQ(rig.sent(Verify10), (std::vector<Sent>{{446024, 255}, {446279, 45}}));

    rig.dialog.range.reset();
    EXPECT_FALSE(rig.copies.Verify({0, 2, 0}));
    EXPECT_EQ(rig.console.lines.back(), "Cancel Copy block");
}

TEST(CopyBlock, ForwardInChunksOfTheBufferLessOneBlock) {
    Rig rig("2=mo230:error-rate=0");
    rig.fill(0, 1000);
    EXPECT_TRUE(rig.copyBlock({0, 1000, 5000}));
    const std::vector<Sent> reads{{0, 194},   {194, 194}, {388, 194},
                                  {582, 194}, {776, 194}, {970, 30}};
    EXPECT_EQ(rig.sent(Read10), reads);
    std::vector<Sent> writes;
    for (const Sent& read : reads) {
        writes.push_back({read.lba + 5000, read.blocks});
    }
    EXPECT_EQ(rig.sent(Write10), writes);
    for (std::uint32_t lba = 0; lba < 1000; ++lba) {
        ASSERT_EQ(rig.recorded(5000 + lba), blockOf(lba, 512)) << lba;
    }
    EXPECT_EQ(rig.gauge.texts, Lines{"Copy Block [       0]-[     3E8]->[    1388] "});
    EXPECT_EQ(rig.gauge.values.back(), 100);
    EXPECT_EQ(rig.gauge.processed, 6);
    EXPECT_EQ(rig.console.lines, (Lines{"    **** Copy Block *****", "End Copy"}));
    EXPECT_EQ(rig.dialog.shownWithDestination, std::vector<bool>{true});

    // Exactly ChunkBlocks blocks: a full chunk and the one block left.
    ASSERT_EQ(console::ChunkBlocks(512), 195);
    rig.bus->target(2)->clearTrace();
    EXPECT_TRUE(rig.copyBlock({0, 195, 8000}));
    EXPECT_EQ(rig.sent(Read10), (std::vector<Sent>{{0, 194}, {194, 1}}));

    // Below its source the copy goes forward even where the ranges overlap.
    rig.bus->target(2)->clearTrace();
    EXPECT_TRUE(rig.copyBlock({100, 600, 50}));
    EXPECT_EQ(rig.sent(Read10).front(), (Sent{100, 194}));
    for (std::uint32_t lba = 100; lba < 600; ++lba) {
        ASSERT_EQ(rig.recorded(lba - 50), blockOf(lba, 512)) << lba;
    }
}

TEST(CopyBlock, IntoItsOwnRangeBlockByBlockFromTheTop) {
    Rig rig("2=mo640:error-rate=0");
    rig.fill(100, 30);
    EXPECT_TRUE(rig.copyBlock({100, 110, 105}));
    EXPECT_EQ(rig.console.lines,
              (Lines{"    **** Copy Block *****", "!!! Slow (1 Block copy)", "End Copy"}));
    // Blocks 100 … 109, the last first; the destination is the source as it
    // was, and block 115, just beyond it, keeps what it held.
    const auto reads = rig.sent(Read10);
    ASSERT_EQ(reads.size(), 10u);
    EXPECT_EQ(reads.front(), (Sent{109, 1}));
    EXPECT_EQ(reads.back(), (Sent{100, 1}));
    for (std::uint32_t i = 0; i < 10; ++i) {
        EXPECT_EQ(rig.recorded(105 + i), blockOf(100 + i, 2048)) << i;
    }
    EXPECT_EQ(rig.recorded(115), blockOf(115, 2048));
    EXPECT_EQ(rig.gauge.values.front(), 10);
    EXPECT_EQ(rig.gauge.values.back(), 100);
    EXPECT_EQ(rig.gauge.processed, 10);
}

TEST(CopyBlock, RangesBeyondTheMediumAreRefusedOrCut) {
    Rig rig("2=mo230:error-rate=0");
    // mo230's last block is 446324: a copy may not reach it.
    EXPECT_FALSE(rig.copyBlock({0, 100, 446324 - 100}));
    EXPECT_EQ(rig.console.lines,
              (Lines{"    **** Copy Block *****", "???? Start > Max Track or Copy Max > Max Track",
                     "End Copy"}));
    EXPECT_TRUE(rig.sent(Read10).empty());
    EXPECT_TRUE(rig.copyBlock({0, 100, 446324 - 101}));

    rig.fill(446324 - 10, 11);
    rig.bus->target(2)->clearTrace();
    EXPECT_TRUE(rig.copyBlock({446324 - 10, 0x7FFFFFFF, 0}));
    EXPECT_EQ(rig.sent(Read10), (std::vector<Sent>{{446314, 10}}));
    EXPECT_EQ(rig.recorded(9), blockOf(446323, 512));
    EXPECT_NE(rig.recorded(10), blockOf(446324, 512));
}

TEST(CopyBlock, AFailedReadOrWriteStopsTheCopyUnderItsLabel) {
    struct Case {
        std::uint8_t opcode;
        BlockRange range;
        const char* label;
    };
    // The third command of the kind fails, and no command follows it.
    for (const Case c : {Case{Read10, {0, 1000, 5000}, "Error: Copy Block Read 1"},
                         Case{Write10, {0, 1000, 5000}, "Error: Copy Block Write 1"},
                         Case{Read10, {0, 10, 5}, "Error: Copy Block Read 2"},
                         Case{Write10, {0, 10, 5}, "Error: Copy Block Write 2"}}) {
        SCOPED_TRACE(c.label);
        Rig rig("2=mo230");
        rig.simDrive().addFault(
            {.opcode = c.opcode, .skip = 2, .count = 0, .senseKey = 3, .asc = 0x11});
        EXPECT_FALSE(rig.copyBlock(c.range));
        const Lines& lines = rig.console.lines;
        EXPECT_EQ(Lines(lines.end() - 2, lines.end()), (Lines{c.label, "End Copy"}));
        EXPECT_EQ(rig.sent(Read10).size(), 3u);
        EXPECT_EQ(rig.sent(Write10).size(), c.opcode == Write10 ? 3u : 2u);
        EXPECT_FALSE(rig.gauge.shown);
        ASSERT_EQ(rig.copies.Shortcomings().size(), 1u);
    }
}

TEST(CopyBlock, AProtectedMediumIsEjectedAndNothingRead) {
    Rig rig("2=mo230:wp");
    EXPECT_FALSE(rig.copyBlock({0, 10, 100}));
    EXPECT_EQ(rig.console.lines.back(), "box: Error: Media Write protected");
    EXPECT_FALSE(rig.simDrive().hasMedium());
    EXPECT_TRUE(rig.sent(Read10).empty());
    EXPECT_TRUE(rig.dialog.shownWithDestination.empty());
}

namespace {

// Copy Disk on drive 0:2:0 with its image in a directory of the test's own.
struct DiskRig : Rig {
    explicit DiskRig(const std::string& drives) : Rig(drives) {}

    bool copyDisk(BlockRange range) {
        dialog.range = range;
        return copies.CopyDisk({0, 2, 0}, directory.image());
    }

    ImageDirectory directory;
};

const Lines CompleteCopy{"    **** Copy Disk (1 Drive) *****",
                         "End Read Image",
                         "", // the image's path
                         "ask: Change Drive",
                         "End Write Image",
                         "End Copy Drive 1"};

Lines withImage(Lines lines, const fs::path& image) {
    lines[2] = "Image File: " + image.string();
    return lines;
}

} // namespace

TEST(CopyDisk, ThroughTheImageOntoTheNextCartridge) {
    DiskRig rig("2=mo640+mo640:error-rate=0");
    rig.fill(0, 101);
    rig.console.answer = console::testing::RecordingConsole::Answer::Ok;
    EXPECT_TRUE(rig.copyDisk({0, 100, 0}));
    EXPECT_EQ(rig.console.lines, withImage(CompleteCopy, rig.directory.image()));
    // The image holds blocks 0 … 99 back to back.
    Bytes expected;
    for (std::uint32_t lba = 0; lba < 100; ++lba) {
        const Bytes block = blockOf(lba, 2048);
        expected.insert(expected.end(), block.begin(), block.end());
    }
    EXPECT_EQ(fileBytes(rig.directory.image()), expected);
    // The second cartridge is in the drive now, with the blocks at their
    // addresses, in the same chunks as they were read.
    EXPECT_EQ(rig.simDrive().waitingMedia(), 0u);
    for (std::uint32_t lba = 0; lba < 100; ++lba) {
        ASSERT_EQ(rig.recorded(lba), blockOf(lba, 2048)) << lba;
    }
    EXPECT_NE(rig.recorded(100), blockOf(100, 2048));
    EXPECT_EQ(rig.sent(Write10), (std::vector<Sent>{{0, 47}, {47, 47}, {94, 6}}));
    EXPECT_EQ(rig.gauge.texts, (Lines(2, "Copy Disk [       0] - [      64] ")));
    EXPECT_EQ(rig.gauge.values, (std::vector<std::int64_t>{47, 94, 100, 47, 94, 100}));
    EXPECT_FALSE(rig.gauge.shown);
}

TEST(CopyDisk, AbortAtChangeDriveKeepsTheImageAndWritesNothing) {
    // A negative start copies from block 0; the cartridge read may be
    // protected.
    DiskRig rig("2=mo230+mo230:wp:error-rate=0");
    EXPECT_FALSE(rig.copyDisk({-5, 20, 0}));
    EXPECT_EQ(rig.console.lines.back(), "Cancel Copy Drive");
    EXPECT_EQ(rig.sent(Read10), (std::vector<Sent>{{0, 20}}));
    EXPECT_EQ(fs::file_size(rig.directory.image()), 20u * 512);
    EXPECT_TRUE(rig.sent(Write10).empty());
    EXPECT_EQ(rig.simDrive().waitingMedia(), 1u);

    rig.console.answer = console::testing::RecordingConsole::Answer::Ok;
    EXPECT_TRUE(rig.copyDisk({0, 20, 0}));
    EXPECT_EQ(rig.sent(Write10), (std::vector<Sent>{{0, 20}}));
}

TEST(CopyDisk, ANewCartridgeThatCannotTakeTheImageIsRefused) {
    struct Case {
        const char* drives;
        BlockRange range;
        const char* refusal;
    };
    for (const Case c :
         {Case{"2=mo230+mo230:wp=2", {0, 0x20, 0}, "box: Error: Media Write protected"},
          Case{"2=mo230+mo640",
               {0, 0x20, 0},
               "Error: New Media Block Size 2048 Last LBA 4BC4F (Image Block Size 512 End LBA 20)"},
          // mo128 ends at 3CBF9.
          Case{"2=mo230+mo128",
               {0x3CBE0, 0x3CC44, 0},
               "Error: New Media Block Size 512 Last LBA 3CBF9 (Image Block Size 512 End LBA "
               "3CC44)"}}) {
        SCOPED_TRACE(c.drives);
        DiskRig rig(c.drives);
        rig.console.answer = console::testing::RecordingConsole::Answer::Ok;
        EXPECT_FALSE(rig.copyDisk(c.range));
        EXPECT_EQ(rig.console.lines.back(), c.refusal);
        EXPECT_TRUE(rig.sent(Write10).empty());
        EXPECT_TRUE(fs::exists(rig.directory.image()));
    }
}

TEST(CopyDisk, AnImageShorterThanTheRangeEndsTheWritePhase) {
    DiskRig rig("2=mo230+mo230:error-rate=0");
    rig.console.answer = console::testing::RecordingConsole::Answer::Ok;
    // The image loses its last blocks while the cartridge is changed.
    rig.console.whileAsked = [&] {
        fs::resize_file(rig.directory.image(), 300 * 512);
    };
    EXPECT_FALSE(rig.copyDisk({0, 400, 0}));
    Lines expected = withImage(CompleteCopy, rig.directory.image());
    expected.insert(expected.end() - 2, "Error: Read Temp Data");
    EXPECT_EQ(rig.console.lines, expected);
    EXPECT_EQ(rig.sent(Write10), (std::vector<Sent>{{0, 194}}));
}

TEST(CopyDisk, AFailedReadStillOffersTheImageButTheRunHasFailed) {
    DiskRig rig("2=mo230+mo230:error-rate=0");
    rig.simDrive().addFault({.opcode = Read10, .skip = 1, .count = 0, .senseKey = 3, .asc = 0x11});
    EXPECT_FALSE(rig.copyDisk({0, 400, 0}));
    EXPECT_EQ(rig.console.lines,
              (Lines{"    **** Copy Disk (1 Drive) *****", "Error: Copy Disk Read",
                     "End Read Image", "Image File: " + rig.directory.image().string(),
                     "ask: Change Drive", "Cancel Copy Drive"}));
    EXPECT_EQ(fs::file_size(rig.directory.image()), 194u * 512);
    EXPECT_EQ(rig.copies.Shortcomings().size(), 2u);
}

TEST(CopyDisk, AnImageFileThatCannotBeMadeEndsTheOperation) {
    DiskRig rig("2=mo230");
    fs::create_directory(rig.directory.image()); // a directory in the file's place
    rig.dialog.range = BlockRange{0, 10, 0};
    EXPECT_THROW(rig.copies.CopyDisk({0, 2, 0}, rig.directory.image()), std::runtime_error);
    EXPECT_FALSE(rig.gauge.shown);
    EXPECT_TRUE(rig.sent(Read10).empty());
}

TEST(CopyDisk, TheImageMustFitTheFreeSpace) {
    // All of mo1300: 605846 blocks of 2048 bytes, beyond 32 bits.
    constexpr std::uint64_t Image = 605846ull * 2048;
    EXPECT_TRUE(console::ImageFits(Image, 605846, 2048));
    EXPECT_FALSE(console::ImageFits(Image - 1, 605846, 2048));
    EXPECT_FALSE(console::ImageFits(std::nullopt, 1, 512));
    EXPECT_TRUE(console::ImageFits(0, 0, 512));

    ImageDirectory directory;
    const auto free = console::FreeBytesForImage(directory.image());
    ASSERT_TRUE(free.has_value());
    std::ofstream(directory.image()) << std::string(4096, 'x');
    EXPECT_GE(*console::FreeBytesForImage(directory.image()), *free + 4096 - 65536);
    EXPECT_FALSE(console::FreeBytesForImage("/no/such/directory/image").has_value());
}
