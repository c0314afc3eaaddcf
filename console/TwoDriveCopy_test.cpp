// The two-drive copy against simulated drives: the lists, the checks that
// refuse a copy, the chunks and where they land, write protection and
// failed commands.
#include "ConsoleTestSupport.h"
#include "CopyChunks.h"
#include "TwoDriveCopy.h"
#include "scsi/SimTransport.h"
#include "sim/DriveSet.h"

#include <gtest/gtest.h>

using namespace quillon;
using console::TwoDriveCopy;
using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

namespace {

constexpr std::uint8_t Read10 = 0x28;
constexpr std::uint8_t Write10 = 0x2A;
constexpr std::uint8_t StartStopUnit = 0x1B;
constexpr console::DeviceAddress Source{0, 2, 0};
constexpr console::DeviceAddress Destination{0, 4, 0};
constexpr auto Close = TwoDriveCopy::WindowAction::Close;
constexpr auto Stay = TwoDriveCopy::WindowAction::Stay;

// The progress window of the tests: what it was told, in order.
class RecordingGauge : public console::ProgressWindow {
public:
    Lines events;

    void ShowGauge(const std::string& text) override { events.push_back("show " + text); }
    void SetGauge(std::int64_t percent) override {
        events.push_back("gauge " + std::to_string(percent));
    }
    void HideGauge() override { events.push_back("hide"); }
    void ProcessMessages() override { events.push_back("messages"); }
};

// A chunk as the drive received it: first block and block count.
struct Chunk {
    std::uint32_t lba;
    std::uint16_t blocks;
    friend bool operator==(const Chunk&, const Chunk&) = default;
};

struct Rig {
    explicit Rig(const std::string& drives)
        : drive(console::testing::SimulatedBus(sim::parseDriveSet(drives), bus)),
          operations(drive, console), copy(operations, gauge) {
        for (const std::uint8_t target : {std::uint8_t{2}, std::uint8_t{4}}) {
            if (bus->target(target) != nullptr) {
                bus->target(target)->setTracing(true);
            }
        }
    }

    sim::SimDrive& simDrive(std::uint8_t target) { return *bus->target(target)->lun(0); }
    // Blocks 0 to count − 1 of the source, each filled with its own bytes,
    // recorded unseen by the trace.
    void fillSource(std::int32_t count) {
        drive.Capacity(0, 2, 0);
        for (std::int32_t lba = 0; lba < count; ++lba) {
            Bytes bytes = blockBytes(lba);
            drive.Write10(0, 2, 0, lba, 1, bytes.data());
        }
        bus->target(2)->clearTrace();
    }
    static Bytes blockBytes(std::int32_t lba) {
        Bytes bytes(512);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<std::uint8_t>(i + static_cast<std::size_t>(lba) * 7);
        }
        return bytes;
    }
    Bytes recorded(std::uint8_t target, std::uint32_t lba) {
        const Bytes sector = simDrive(target).recordedSector(lba);
        return {sector.begin(), sector.begin() + std::min<std::size_t>(512, sector.size())};
    }
    std::vector<Chunk> chunks(std::uint8_t target, std::uint8_t opcode) const {
        std::vector<Chunk> found;
        for (const auto& entry : bus->target(target)->trace()) {
            const auto& cdb = entry.cdb;
            if (cdb[0] == opcode) {
                found.push_back(
                    {static_cast<std::uint32_t>(cdb[2] << 24 | cdb[3] << 16 | cdb[4] << 8 | cdb[5]),
                     static_cast<std::uint16_t>(cdb[7] << 8 | cdb[8])});
            }
        }
        return found;
    }

    scsi::SimTransport* bus = nullptr;
    drive::TMODrive drive;
    console::testing::SenseRecordingConsole console;
    RecordingGauge gauge;
    console::DriveConsole operations;
    TwoDriveCopy copy;
};

} // namespace

TEST(TwoDriveCopy, ListsConnectedOpticalDrivesOnly) {
    // LUNs 1 to 7 of each target answer with qualifier 3; 5 is a fixed disk.
    Rig rig("2=mo230,4=mo640,5=disk");
    const auto drives = rig.copy.ScanDrives();
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_EQ(drives[0].Target, 2);
    EXPECT_EQ(drives[1].Target, 4);
    EXPECT_EQ(rig.copy.DrivesFound(drives.size()), Stay);
    EXPECT_TRUE(rig.console.lines.empty());

    EXPECT_EQ(rig.copy.DrivesFound(1), Close);
    EXPECT_EQ(rig.console.lines,
              (Lines{"Error: Not found 2 drive", "box: Error: Not found 2 drive"}));
}

TEST(TwoDriveCopy, CopiesInChunksEachWrittenWhereItWasRead) {
    Rig rig("2=mo230:error-rate=0,4=mo230:error-rate=0");
    rig.fillSource(401);
    const auto result = rig.copy.CopyStart(Source, Destination, 0, 400);
    EXPECT_TRUE(result.Completed);
    EXPECT_EQ(result.Window, Close);
    const std::vector<Chunk> expected{{0, 194}, {194, 194}, {388, 12}};
    EXPECT_EQ(rig.chunks(2, Read10), expected);
    EXPECT_EQ(rig.chunks(4, Write10), expected);
    for (std::int32_t lba = 0; lba < 400; ++lba) {
        ASSERT_EQ(rig.recorded(4, static_cast<std::uint32_t>(lba)), Rig::blockBytes(lba))
            << "block " << lba;
    }
    EXPECT_NE(rig.recorded(4, 400), Rig::blockBytes(400)); // End is not copied
    EXPECT_EQ(rig.gauge.events,
              (Lines{"show Copy Drive [       0] - [     190] ", "gauge 48", "messages", "gauge 97",
                     "messages", "gauge 100", "messages", "hide"}));
    EXPECT_EQ(rig.console.lines, Lines{"End Drive Copy"});
    EXPECT_EQ(rig.operations.CurrentTarget, 2); // the source stays the current device
}

TEST(TwoDriveCopy, EndZeroStopsBeforeTheSourcesLastBlockAndAnEmptyRangeCopiesNothing) {
    Rig rig("2=mo230,4=mo230");
    constexpr std::int32_t Last = 446324; // mo230's last block
    auto result = rig.copy.CopyStart(Source, Destination, Last - 5, 0);
    EXPECT_TRUE(result.Completed);
    EXPECT_EQ(rig.chunks(4, Write10), (std::vector<Chunk>{{Last - 5, 5}}));

    rig.bus->target(4)->clearTrace();
    rig.gauge.events.clear();
    result = rig.copy.CopyStart(Source, Destination, 0x20, 0x20);
    EXPECT_TRUE(result.Completed);
    EXPECT_EQ(result.Window, Close);
    EXPECT_TRUE(rig.chunks(4, Write10).empty());
    EXPECT_EQ(rig.gauge.events, (Lines{"show Copy Drive [      20] - [      20] ", "hide"}));
    EXPECT_EQ(rig.console.lines.back(), "End Drive Copy");
}

TEST(TwoDriveCopy, RefusesTheSameDriveAndDifferentMedia) {
    Rig rig("2=mo230,4=mo540");
    rig.console.answer = console::Console::Answer::Ok;
    auto result = rig.copy.CopyStart(Source, Source, 0, 10);
    EXPECT_EQ(result.Window, Stay);
    EXPECT_FALSE(result.Completed);
    rig.console.answer = console::Console::Answer::Abort;
    EXPECT_EQ(rig.copy.CopyStart(Source, Source, 0, 10).Window, Close);
    EXPECT_EQ(rig.console.lines, (Lines{"ask: Error: Same drive", "ask: Error: Same drive"}));
    EXPECT_TRUE(rig.bus->target(2)->trace().empty());

    // Both have 512-byte blocks, but not the same capacity.
    rig.console.lines.clear();
    result = rig.copy.CopyStart(Source, Destination, 0, 10);
    EXPECT_EQ(result.Window, Stay);
    EXPECT_FALSE(result.Completed);
    EXPECT_EQ(rig.console.lines, Lines{"box: Error: Defferent media type"});
    EXPECT_TRUE(rig.chunks(4, Write10).empty());
    EXPECT_TRUE(rig.gauge.events.empty());

    // A drive that does not answer: nothing is said.
    rig.console.lines.clear();
    EXPECT_EQ(rig.copy.CopyStart({0, 3, 0}, Destination, 0, 10).Window, Stay);
    EXPECT_EQ(rig.copy.CopyStart(Source, {0, 3, 0}, 0, 10).Window, Stay);
    EXPECT_TRUE(rig.console.lines.empty());
}

TEST(TwoDriveCopy, OnlyTheDestinationMustBeWritable) {
    Rig protectedDestination("2=mo230,4=mo230:wp");
    const auto refused = protectedDestination.copy.CopyStart(Source, Destination, 0, 10);
    EXPECT_FALSE(refused.Completed);
    EXPECT_EQ(refused.Window, Stay);
    EXPECT_EQ(protectedDestination.console.lines, Lines{"box: Error: Media Write protected"});
    EXPECT_FALSE(protectedDestination.simDrive(4).hasMedium());
    EXPECT_TRUE(protectedDestination.simDrive(2).hasMedium());
    EXPECT_TRUE(protectedDestination.chunks(2, Read10).empty());

    Rig protectedSource("2=mo230:wp,4=mo230");
    EXPECT_TRUE(protectedSource.copy.CopyStart(Source, Destination, 0, 10).Completed);
    EXPECT_TRUE(protectedSource.simDrive(2).hasMedium());
    EXPECT_TRUE(protectedSource.chunks(2, StartStopUnit).empty());
    EXPECT_EQ(protectedSource.chunks(4, Write10), (std::vector<Chunk>{{0, 10}}));
}

TEST(TwoDriveCopy, AFailedChunkEndsTheCopyWithTheWindowOpen) {
    Rig unreadable("2=mo230:fail=28-3.11.0,4=mo230");
    auto result = unreadable.copy.CopyStart(Source, Destination, 0, 400);
    EXPECT_FALSE(result.Completed);
    EXPECT_EQ(result.Window, Stay);
    EXPECT_EQ(result.Shortfall, "reading the source failed at LBA 0");
    EXPECT_EQ(unreadable.console.lines, (Lines{"Error: Copy Drive Read", "sense 3/17"}));
    EXPECT_EQ(unreadable.gauge.events.back(), "hide");
    EXPECT_TRUE(unreadable.chunks(4, Write10).empty());

    // The sense data shown is the destination's, which refused the write.
    Rig unwritable("2=mo230,4=mo230:fail=2a-3.c.0");
    result = unwritable.copy.CopyStart(Source, Destination, 0, 400);
    EXPECT_FALSE(result.Completed);
    EXPECT_EQ(result.Shortfall, "writing the destination failed at LBA 0");
    EXPECT_EQ(unwritable.console.lines, (Lines{"Error: Copy Drive Write", "sense 3/12"}));
    EXPECT_EQ(unwritable.gauge.events.back(), "hide");
    EXPECT_EQ(unwritable.operations.CurrentTarget, 2);
}

TEST(TwoDriveCopy, MaxLbaAndCancel) {
    Rig rig("2=mo640,4=mo640");
    EXPECT_EQ(rig.copy.MaxLba(Source), 310351);
    EXPECT_EQ(rig.copy.MaxLba({0, 3, 0}), std::nullopt);
    EXPECT_TRUE(rig.console.lines.empty());
    EXPECT_EQ(rig.copy.Cancel(), Close);
    EXPECT_EQ(rig.console.lines, Lines{"Cancel Drive copy"});
}

TEST(CopyChunks, AFullChunkIsOneBlockShortOfTheBuffer) {
    EXPECT_EQ(console::ChunkBlocks(512), 195);
    EXPECT_EQ(console::ChunkBlocks(1024), 97);
    EXPECT_EQ(console::ChunkBlocks(2048), 48);
    EXPECT_EQ(console::ChunkBlocks(0), 0);
    EXPECT_EQ(console::NextChunk(195, 195), 194);
    EXPECT_EQ(console::NextChunk(194, 195), 194);
    EXPECT_EQ(console::NextChunk(1, 195), 1);
}
