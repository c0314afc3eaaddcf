// The single-block buttons and routines against the simulated drive: what
// the editor is shown and opened with, the log lines, and what reaches the
// medium.
#include "BlockOperations.h"
#include "ConsoleTestSupport.h"
#include "HexText.h"
#include "scsi/SimTransport.h"
#include "sim/DriveSet.h"

#include <gtest/gtest.h>

using namespace quillon;
using console::BlockOperations;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr std::uint8_t Write10 = 0x2A;
constexpr std::uint8_t WriteLong10 = 0x3F;

// An editor whose grid is a byte vector: it notes what it is shown and
// opened with, and while open it may edit the grid and press WRITE.
class ScriptedEditor : public console::BlockEditor {
public:
    Bytes grid;
    std::vector<std::size_t> opened; // the grid's size at each opening
    std::function<void()> whileOpen;
    bool badCell = false; // a cell holds no hexadecimal number

    void BufferToGrid(std::int32_t Size, const std::uint8_t* Buffer) override {
        grid.assign(Buffer, Buffer + Size);
    }
    void GridToBuffer(std::int32_t Size, std::uint8_t* Buffer) override {
        if (badCell) {
            throw console::EConvertError("'$' is not a valid integer value");
        }
        std::copy_n(grid.begin(), std::min<std::size_t>(grid.size(), Size), Buffer);
    }
    void ShowModal() override {
        opened.push_back(grid.size());
        if (whileOpen) {
            whileOpen();
        }
    }
};

struct Rig {
    explicit Rig(const std::string& drives)
        : drive(console::testing::SimulatedBus(sim::parseDriveSet(drives), bus)),
          operations(drive, console), blocks(operations, editor) {
        bus->target(2)->setTracing(true);
    }

    sim::SimDrive& simDrive() { return *bus->target(2)->lun(0); }
    // Records a block on the medium, unseen by the trace.
    void put(std::int32_t lba, Bytes bytes) {
        drive.Capacity(0, 2, 0);
        drive.Write10(0, 2, 0, lba, 1, bytes.data());
        bus->target(2)->clearTrace();
    }
    std::size_t sent(std::uint8_t opcode) const {
        const auto trace = bus->target(2)->trace();
        return static_cast<std::size_t>(std::count_if(
            trace.begin(), trace.end(), [&](const auto& entry) { return entry.cdb[0] == opcode; }));
    }

    scsi::SimTransport* bus = nullptr;
    drive::TMODrive drive;
    console::testing::RecordingConsole console;
    console::DriveConsole operations;
    ScriptedEditor editor;
    BlockOperations blocks;
};

Bytes pattern(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
    }
    return bytes;
}

} // namespace

TEST(BlockOperations, ReadButtonsShowTheBlockOfTheMediumsSize) {
    Rig rig("2=mo650");
    rig.put(0x20, pattern(1024)); // 1024-byte blocks
    EXPECT_TRUE(rig.blocks.ReadBlock({0, 2, 0}, 0x20));
    EXPECT_EQ(rig.editor.opened, std::vector<std::size_t>{1024});
    EXPECT_EQ(rig.editor.grid, pattern(1024));
    // The button's own read logs no OK line.
    EXPECT_EQ(rig.console.lines, std::vector<std::string>{"    **** Read 1 Block *****"});
    EXPECT_EQ(rig.operations.CurrentLBA, 0x20);
    EXPECT_EQ(rig.operations.EditMode, BlockOperations::ReadMode);

    EXPECT_TRUE(rig.blocks.LongReadBlock({0, 2, 0}, 0x20));
    EXPECT_EQ(rig.editor.opened.back(), 1200u);
    EXPECT_TRUE(
        std::equal(rig.editor.grid.begin(), rig.editor.grid.begin() + 1024, pattern(1024).begin()));

    // Beyond the medium: the failure is reported, the editor stays closed.
    EXPECT_FALSE(rig.blocks.ReadBlock({0, 2, 0}, 0x7FFFFFF));
    EXPECT_EQ(rig.console.lines,
              (std::vector<std::string>{"    **** Read 1 Block *****", "Error: Read"}));
    EXPECT_EQ(rig.editor.opened.size(), 2u);
    // No device there: the header alone.
    EXPECT_FALSE(rig.blocks.LongReadBlock({0, 3, 0}, 0));
    EXPECT_EQ(rig.console.lines, std::vector<std::string>{"    **** Long Read 1 Block *****"});
}

TEST(BlockOperations, TheEditorReadsAgainAsItsAddressChangesInTheReadModes) {
    Rig rig("2=mo230");
    rig.blocks.ReadBlock({0, 2, 0}, 0);
    for (const std::int32_t lba : {1, 0x12, 0x123}) { // typed digit by digit
        rig.blocks.LbaChanged(lba);
    }
    EXPECT_EQ(rig.console.lines,
              (std::vector<std::string>{"    **** Read 1 Block *****", "LBA 1 Read OK",
                                        "LBA 12 Read OK", "LBA 123 Read OK"}));
    EXPECT_EQ(rig.operations.CurrentLBA, 0x123);
    rig.editor.grid = {0xAB};
    rig.blocks.LbaChanged(0x7FFFFFF); // a failed read keeps the block shown
    EXPECT_EQ(rig.editor.grid, Bytes{0xAB});
    EXPECT_EQ(rig.console.lines.back(), "Error: Read");

    rig.operations.EditMode = BlockOperations::LongReadMode;
    rig.blocks.LbaChanged(5);
    EXPECT_EQ(rig.console.lines.back(), "LBA 5 LongRead OK");
    rig.operations.EditMode = BlockOperations::WriteMode; // reads nothing
    rig.blocks.LbaChanged(6);
    EXPECT_EQ(rig.console.lines.back(), "LBA 5 LongRead OK");
}

TEST(BlockOperations, OnlyTheEditorsWriteSendsABlock) {
    Rig rig("2=mo230");
    // Right after start-up the editor opens on zero bytes; closing it
    // without WRITE writes nothing, but keeps its grid in the buffer.
    rig.editor.whileOpen = [&] {
        rig.editor.grid[0] = 0x5A;
    };
    EXPECT_TRUE(rig.blocks.WriteBlock({0, 2, 0}, 7));
    EXPECT_EQ(rig.editor.opened, std::vector<std::size_t>{512});
    EXPECT_EQ(rig.sent(Write10), 0u);
    EXPECT_EQ(rig.operations.DataBuffer[0], 0x5A);

    // WRITE at another address than the one read: the buffer is shared.
    rig.put(3, pattern(512));
    rig.editor.whileOpen = nullptr;
    rig.blocks.ReadBlock({0, 2, 0}, 3);
    rig.editor.whileOpen = [&] {
        EXPECT_TRUE(rig.blocks.WritePressed(9));
    };
    rig.blocks.WriteBlock({0, 2, 0}, 3);
    EXPECT_EQ(rig.console.lines.back(), "LBA 9 Write OK");
    const Bytes written = rig.simDrive().recordedSector(9);
    EXPECT_EQ(Bytes(written.begin(), written.begin() + 512), pattern(512));

    // A cell that holds no number stops the write before anything is sent.
    rig.editor.badCell = true;
    rig.editor.whileOpen = [&] {
        EXPECT_THROW(rig.blocks.WritePressed(10), console::EConvertError);
        rig.editor.badCell = false;
    };
    rig.blocks.WriteBlock({0, 2, 0}, 10);
    EXPECT_EQ(rig.sent(Write10), 1u);
}

TEST(BlockOperations, LongWriteOfALongSectorReadBack) {
    Rig rig("2=mo230:error-rate=0:wp");
    // A protected medium is ejected and the editor stays closed.
    EXPECT_FALSE(rig.blocks.LongWriteBlock({0, 2, 0}, 4));
    EXPECT_EQ(rig.console.lines.back(), "box: Error: Media Write protected");
    EXPECT_FALSE(rig.simDrive().hasMedium());

    Rig writable("2=mo230:error-rate=0");
    writable.put(4, pattern(512));
    writable.blocks.LongReadBlock({0, 2, 0}, 4);
    const Bytes longSector = writable.editor.grid;
    ASSERT_EQ(longSector.size(), 600u);
    writable.editor.whileOpen = [&] {
        writable.blocks.WritePressed(8);
    };
    EXPECT_TRUE(writable.blocks.LongWriteBlock({0, 2, 0}, 4));
    EXPECT_EQ(writable.sent(WriteLong10), 1u);
    EXPECT_EQ(writable.simDrive().recordedSector(8), longSector);
    EXPECT_EQ(writable.console.lines.back(), "LBA 8 Long Write OK");
}

TEST(HexText, MakePrintableRendersShiftJisPairsWhenAskedTo) {
    const auto line = [](std::initializer_list<std::uint8_t> bytes) {
        return Bytes(bytes);
    };
    // "A", the pair 82A0 (hiragana a), "z", then blanks.
    Bytes pair = line({0x41, 0x82, 0xA0, 0x7A, 0x00, 0x7F, 0x20});
    EXPECT_EQ(console::MakePrintable(pair, true), "A\u3042z.. ");
    EXPECT_EQ(console::MakePrintable(pair, false), "A..z.. ");
    // A lead byte in the last place, and bytes that are no pair.
    EXPECT_EQ(console::MakePrintable(line({0x41, 0x93}), true), "A.");
    EXPECT_EQ(console::MakePrintable(line({0x81, 0x20, 0xA5}), true), ". .");
    EXPECT_EQ(console::MakePrintable(line({0x93, 0xFA, 0x93}), true), "\u65E5.");
}
