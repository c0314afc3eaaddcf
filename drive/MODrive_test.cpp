#include "MODrive.h"
#include "scsi/SimTransport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <thread>

using namespace quillon;
using namespace quillon::drive;
using Bytes = std::vector<std::uint8_t>;

namespace {

sim::DriveConfig mo(const char* medium = "mo230") {
    sim::DriveConfig config;
    config.media = {medium};
    config.byteErrorRate = 0;
    return config;
}

// A TMODrive on the simulated bus, with the bus kept at hand for control.
struct Bench {
    explicit Bench(std::map<std::uint8_t, sim::DriveConfig> drives) {
        sim::DriveSet set;
        for (const auto& [id, config] : drives) {
            set.emplace(id, std::make_unique<sim::SimTarget>(config));
        }
        auto transport = std::make_unique<scsi::SimTransport>(std::move(set), 0);
        bus = transport.get();
        std::vector<std::unique_ptr<scsi::Transport>> transports;
        transports.push_back(std::move(transport));
        drive = std::make_unique<TMODrive>(std::move(transports));
    }
    sim::SimDrive& unit(std::uint8_t id = 2) { return *bus->target(id)->lun(0); }

    scsi::SimTransport* bus;
    std::unique_ptr<TMODrive> drive;
};

sim::FaultRule fault(std::uint8_t opcode, sim::FaultKind kind, std::uint8_t key = 0,
                     std::uint8_t asc = 0) {
    sim::FaultRule rule;
    rule.opcode = opcode;
    rule.kind = kind;
    rule.senseKey = key;
    rule.asc = asc;
    return rule;
}

// The drive-wide block geometry: block size, long block size, last block.
std::tuple<int, int, int> geometry() {
    return {TMODrive::BlockSize, TMODrive::LongBlockSize, TMODrive::LastBlockLBA};
}

} // namespace

TEST(MODrive, SendsTheCommandBytesOfEveryMethod) {
    Bench bench({{2, mo()}});
    auto& target = *bench.bus->target(2);
    target.addLun(1, mo());
    target.setTracing(true);
    auto& d = *bench.drive;
    using Event = TNotifyEvent TMODrive::*;
    std::vector<Event> fired;
    for (const Event event :
         {&TMODrive::OnInquiryFinish, &TMODrive::OnTestUnitReadyFinish,
          &TMODrive::OnRequestSenseFinish, &TMODrive::OnCapacityFinish,
          &TMODrive::OnSetStartStopUnitFinish, &TMODrive::OnRead10Finish,
          &TMODrive::OnWrite10Finish, &TMODrive::OnSeek10Finish, &TMODrive::OnWriteVerifyFinish,
          &TMODrive::OnVerifyFinish, &TMODrive::OnModeSense6Finish, &TMODrive::OnModeSelect6Finish,
          &TMODrive::OnReadDefectFinish, &TMODrive::OnMediumRemovalFinish,
          &TMODrive::OnLongReadFinish, &TMODrive::OnLongWriteFinish, &TMODrive::OnFormatFinish}) {
        d.*event = [&fired, event](scsi::TWin32ASPI&) {
            fired.push_back(event);
        };
    }
    Bytes in(8192);
    Bytes out(4096);
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    // The one command traced since the last call, its data-out bytes and the
    // event that fired.
    const auto sent = [&](Event event, const Bytes& cdb, std::size_t dataOut = 0,
                          std::uint8_t lun = 0) {
        const auto trace = target.trace();
        target.clearTrace();
        EXPECT_TRUE(fired.size() == 1 && fired[0] == event) << "opcode " << int{cdb[0]};
        fired.clear();
        ASSERT_EQ(trace.size(), 1u);
        EXPECT_EQ(trace[0].lun, lun);
        EXPECT_EQ(trace[0].cdb, cdb);
        EXPECT_EQ(trace[0].dataOut, Bytes(out.begin(), out.begin() + dataOut));
    };
    TDeviceInfo info;
    std::int32_t key = 0, asc = 0, ascq = 0, lba = 0;
    d.Inquiry(0, 2, 0, info);
    sent(&TMODrive::OnInquiryFinish, {0x12, 0, 0, 0, 0x24, 0});
    // Before any CHECK CONDITION: no sense is kept, so the drive is asked.
    d.RequestSense(0, 2, 0, key, asc, ascq, lba);
    sent(&TMODrive::OnRequestSenseFinish, {0x03, 0, 0, 0, 0xFF, 0});
    d.TestUnitReady(0, 2, 0);
    sent(&TMODrive::OnTestUnitReadyFinish, {0, 0, 0, 0, 0, 0});
    d.Capacity(0, 2, 0);
    sent(&TMODrive::OnCapacityFinish, {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    d.SetStartStopUnit(0, 2, 0, true, true); // eject wins
    sent(&TMODrive::OnSetStartStopUnitFinish, {0x1B, 0, 0, 0, 0x02, 0});
    d.SetStartStopUnit(0, 2, 0, false, true);
    sent(&TMODrive::OnSetStartStopUnitFinish, {0x1B, 0, 0, 0, 0x00, 0});
    d.SetStartStopUnit(0, 2, 0, false, false);
    sent(&TMODrive::OnSetStartStopUnitFinish, {0x1B, 0, 0, 0, 0x03, 0});
    d.Read10(0, 2, 0, 0x00012345, 2, in.data());
    sent(&TMODrive::OnRead10Finish, {0x28, 0, 0x00, 0x01, 0x23, 0x45, 0, 0, 2, 0});
    d.Write10(0, 2, 0, 0x0A0B0C0D, 1, out.data());
    sent(&TMODrive::OnWrite10Finish, {0x2A, 0, 0x0A, 0x0B, 0x0C, 0x0D, 0, 0, 1, 0}, 512);
    d.Seek10(0, 2, 0, 0x00054321);
    sent(&TMODrive::OnSeek10Finish, {0x2B, 0, 0x00, 0x05, 0x43, 0x21, 0, 0, 0, 0});
    d.WriteVerify(0, 2, 0, 9, 2, out.data());
    sent(&TMODrive::OnWriteVerifyFinish, {0x2E, 0, 0, 0, 0, 9, 0, 0, 2, 0}, 1024);
    d.Verify(0, 2, 0, 16, 0x10005);
    sent(&TMODrive::OnVerifyFinish, {0x2F, 0, 0, 0, 0, 16, 0, 0x00, 0x05, 0});
    d.ModeSense6(0, 2, 0, 0, 0x11C, in.data());
    sent(&TMODrive::OnModeSense6Finish, {0x1A, 0, 0x01, 0, 0x1C, 0});
    d.ModeSense6(0, 2, 0, 1, 24, in.data());
    sent(&TMODrive::OnModeSense6Finish, {0x1A, 0, 0x41, 0, 24, 0});
    d.ModeSense6(0, 2, 0, 2, 24, in.data());
    sent(&TMODrive::OnModeSense6Finish, {0x1A, 0, 0x81, 0, 24, 0});
    d.ModeSense6(0, 2, 0, 3, 24, in.data());
    sent(&TMODrive::OnModeSense6Finish, {0x1A, 0, 0xC1, 0, 24, 0});
    d.ModeSelect6(0, 2, 0, false, 24, out.data());
    sent(&TMODrive::OnModeSelect6Finish, {0x15, 0x10, 0, 0, 24, 0}, 24);
    d.ModeSelect6(0, 2, 0, true, 12, out.data());
    sent(&TMODrive::OnModeSelect6Finish, {0x15, 0x11, 0, 0, 12, 0}, 12);
    d.ModeSelect6(0, 2, 1, true, 12, out.data());
    sent(&TMODrive::OnModeSelect6Finish, {0x15, 0x31, 0, 0, 12, 0}, 12, 1);
    d.ReadDefect(0, 2, 0, 0x1D, 0x1234, in.data());
    sent(&TMODrive::OnReadDefectFinish, {0x37, 0, 0x1D, 0, 0, 0, 0, 0x12, 0x34, 0});
    d.MediumRemoval(0, 2, 0, true);
    sent(&TMODrive::OnMediumRemovalFinish, {0x1E, 0, 0, 0, 0x01, 0});
    d.MediumRemoval(0, 2, 0, false);
    sent(&TMODrive::OnMediumRemovalFinish, {0x1E, 0, 0, 0, 0x00, 0});
    d.LongRead(0, 2, 0, 0x01020304, 600, in.data());
    sent(&TMODrive::OnLongReadFinish, {0x3E, 0, 1, 2, 3, 4, 0, 0x02, 0x58, 0});
    d.LongWrite(0, 2, 0, 5, 600, out.data());
    sent(&TMODrive::OnLongWriteFinish, {0x3F, 0, 0, 0, 0, 5, 0, 0x02, 0x58, 0}, 600);
    d.Format(0, 2, 0, 0xFF, 4, out.data());
    sent(&TMODrive::OnFormatFinish, {0x04, 0x1F, 0, 0, 0, 0}, 4);
    d.Format(0, 2, 1, 0x17, 0, nullptr);
    sent(&TMODrive::OnFormatFinish, {0x04, 0x37, 0, 0, 0, 0}, 0, 1);
}

TEST(MODrive, CapacitySetsTheBlockGeometryAndAFailureKeepsIt) {
    struct Medium {
        const char* name;
        std::int32_t block, longBlock, last;
    };
    for (const auto& m : {Medium{"mo230", 512, 600, 446324}, Medium{"mo650", 1024, 1200, 318768},
                          Medium{"mo640", 2048, 2380, 310351}}) {
        SCOPED_TRACE(m.name);
        TMODrive::BlockSize = TMODrive::LongBlockSize = TMODrive::LastBlockLBA = 1;
        Bench bench({{2, mo(m.name)}});
        EXPECT_EQ(geometry(), std::make_tuple(512, 600, 10000));
        auto& drive = *bench.drive;
        EXPECT_EQ(drive.Capacity(0, 2, 0), 2); // unit attention
        EXPECT_EQ(geometry(), std::make_tuple(512, 600, 10000));
        EXPECT_EQ(drive.Capacity(0, 2, 0), 0);
        const auto read = std::make_tuple(m.block, m.longBlock, m.last);
        EXPECT_EQ(geometry(), read);

        bench.unit().addFault(fault(0x25, sim::FaultKind::Busy));
        EXPECT_EQ(drive.Capacity(0, 2, 0), 8);
        bench.unit().ejectMedium();
        EXPECT_EQ(drive.Capacity(0, 2, 0), 2);
        EXPECT_EQ(drive.Capacity(0, 3, 0), command_result::NoDevice); // no drive
        EXPECT_EQ(geometry(), read);
    }
}

TEST(MODrive, Read10MovesBlocksOfTheLastCapacitysSize) {
    Bench bench({{2, mo("mo640")}});
    auto& drive = *bench.drive;
    drive.TestUnitReady(0, 2, 0);
    Bytes buffer(4096, 0xA5);
    const auto written = [&] {
        return 4096 - std::count(buffer.begin(), buffer.end(), 0xA5);
    };
    drive.Read10(0, 2, 0, 0, 1, buffer.data());
    EXPECT_EQ(written(), 512);
    drive.Capacity(0, 2, 0);
    std::fill(buffer.begin(), buffer.end(), 0xA5);
    EXPECT_EQ(drive.Read10(0, 2, 0, 0, 1, buffer.data()), 0);
    EXPECT_EQ(written(), 2048);
}

TEST(MODrive, ErrorEnableRaisesTheCommandsOwnError) {
    Bench bench({{2, mo()}});
    auto& drive = *bench.drive;
    drive.TestUnitReady(0, 2, 0);
    auto twice = fault(0x28, sim::FaultKind::CheckCondition, 3, 0x11);
    twice.count = 2;
    bench.unit().addFault(twice);
    Bytes buffer(512);
    EXPECT_EQ(drive.Read10(0, 2, 0, 0, 1, buffer.data()), 2);

    drive.ErrorEnable = true;
    int finished = 0;
    drive.OnRead10Finish = [&finished](scsi::TWin32ASPI&) {
        ++finished;
    };
    try {
        drive.Read10(0, 2, 0, 0, 1, buffer.data());
        ADD_FAILURE() << "no error";
    } catch (const ECDROMError& e) {
        EXPECT_EQ(e.ErrorCode, 0x32800);
        EXPECT_STREQ(e.what(), "Win32ASPI Error in \"ExecSCSIcmd - Read10\"");
    }
    EXPECT_EQ(finished, 0);
    EXPECT_EQ(drive.Read10(0, 2, 0, 0, 1, buffer.data()), 0);
    EXPECT_EQ(finished, 1);

    std::int32_t key = 0, asc = 0, ascq = 0, lba = 0;
    EXPECT_EQ(drive.RequestSense(0, 6, 0, key, asc, ascq, lba), 255);
    TDeviceInfo info;
    EXPECT_THROW(drive.Inquiry(0, 6, 0, info), ECDROMError);
    EXPECT_EQ(info.Qualifier, 3);
}

TEST(MODrive, InquiryDecodesTheDeviceOrGivesTheFailureRecord) {
    Bench bench({{2, mo()}});
    TDeviceInfo info;
    bench.drive->Inquiry(0, 2, 0, info);
    EXPECT_EQ(std::tie(info.HA, info.Target, info.LUN), std::make_tuple(0, 2, 0));
    EXPECT_EQ(std::tie(info.Qualifier, info.DeviceType, info.ScsiLevel), std::make_tuple(0, 7, 2));
    EXPECT_TRUE(info.Removable && info.Sync);
    EXPECT_FALSE(info.Wide16 || info.Linked || info.CommandQueue || info.AsyncEvent);
    EXPECT_EQ(info.Vendor + "|" + info.Product + "|" + info.Revision,
              "QUILLON |SIM MO DRIVE    |1.00");

    bench.drive->Inquiry(0, 2, 3, info); // a LUN the target does not have
    EXPECT_EQ(std::tie(info.LUN, info.Qualifier, info.DeviceType), std::make_tuple(3, 2, 10));

    bench.drive->Inquiry(0, 6, 0, info); // nobody at this ID
    EXPECT_EQ(std::tie(info.HA, info.Target, info.LUN), std::make_tuple(255, 255, 255));
    EXPECT_EQ(std::tie(info.Qualifier, info.DeviceType, info.ScsiLevel), std::make_tuple(3, 10, 3));
    EXPECT_FALSE(info.Removable || info.Sync);
    EXPECT_EQ(info.Vendor + info.Product + info.Revision, "");
}

TEST(MODrive, RequestSenseDecodesExtendedAndNonExtendedSense) {
    auto legacy = mo();
    legacy.legacySense = true;
    Bench bench({{2, mo()}, {3, legacy}});
    auto& drive = *bench.drive;
    Bytes buffer(512);
    std::int32_t key = 9, asc = 9, ascq = 9, lba = 9;
    for (std::uint8_t id = 2; id <= 3; ++id) {
        drive.TestUnitReady(0, id, 0);
        auto rule = fault(0x28, sim::FaultKind::CheckCondition, 3, 0x11);
        rule.firstLba = 0x06A5B0;
        bench.unit(id).addFault(rule);
        drive.Read10(0, id, 0, 0x06A5B3, 1, buffer.data());
    }
    EXPECT_EQ(drive.RequestSense(0, 2, 0, key, asc, ascq, lba), 3);
    EXPECT_EQ(std::tie(key, asc, ascq, lba), std::make_tuple(3, 0x11, 0, 0x06A5B3));
    bench.unit().ejectMedium();
    drive.TestUnitReady(0, 2, 0);
    EXPECT_EQ(drive.RequestSense(0, 2, 0, key, asc, ascq, lba), 2);
    EXPECT_EQ(std::tie(key, asc, ascq, lba), std::make_tuple(2, 0x3A, 0, -1));

    EXPECT_EQ(drive.RequestSense(0, 3, 0, key, asc, ascq, lba), 255);
    EXPECT_EQ(std::tie(key, asc, ascq, lba), std::make_tuple(-1, 0, 3, 0x06A5B3));
    bench.unit(3).ejectMedium();
    drive.TestUnitReady(0, 3, 0);
    EXPECT_EQ(drive.RequestSense(0, 3, 0, key, asc, ascq, lba), 255);
    EXPECT_EQ(std::tie(key, asc, ascq, lba), std::make_tuple(-1, 0, 2, -1));

    key = asc = ascq = lba = 9;
    EXPECT_EQ(drive.RequestSense(0, 6, 0, key, asc, ascq, lba), 255); // nobody at this ID
    EXPECT_EQ(std::tie(key, asc, ascq, lba), std::make_tuple(9, 9, 9, 9));
}

TEST(MODrive, LastTargetStatusFollowsEveryCommandButInquiryAndRequestSense) {
    Bench bench({{2, mo()}});
    auto& drive = *bench.drive;
    EXPECT_EQ(drive.TestUnitReady(0, 2, 0), 2);
    EXPECT_EQ(TMODrive::LastTargetStatus, 2);
    TDeviceInfo info;
    drive.Inquiry(0, 2, 0, info);
    std::int32_t key = 0, asc = 0, ascq = 0, lba = 0;
    drive.RequestSense(0, 2, 0, key, asc, ascq, lba);
    EXPECT_EQ(TMODrive::LastTargetStatus, 2);
    bench.unit().addFault(fault(0x2B, sim::FaultKind::ReservationConflict));
    EXPECT_EQ(drive.Seek10(0, 2, 0, 0), 0x18);
    EXPECT_EQ(TMODrive::LastTargetStatus, 0x18);
    EXPECT_EQ(drive.MediumRemoval(0, 2, 0, false), 0);
    EXPECT_EQ(TMODrive::LastTargetStatus, 0);
}

TEST(MODrive, DecodeSenseReadsDescriptorFormat) {
    std::int32_t key = 0;
    std::int32_t asc = 0;
    std::int32_t ascq = 0;
    std::int32_t lba = 0;
    const std::vector<std::uint8_t> withInformation{
        0x72, 0x03, 0x11, 0x00, 0, 0, 0, 0x0C, 0x00, 0x0A, 0x80, 0, 0, 0, 0, 0, 0, 0, 0x12, 0x34};
    EXPECT_EQ(TMODrive::DecodeSense(withInformation, key, asc, ascq, lba), 3);
    EXPECT_EQ(key, 3);
    EXPECT_EQ(asc, 0x11);
    EXPECT_EQ(ascq, 0);
    EXPECT_EQ(lba, 0x1234);

    // Without a valid information descriptor, or with one cut short by a
    // 14-byte sense area, there is no block address.
    const std::vector<std::uint8_t> bare{0x72, 0x05, 0x20, 0x00, 0, 0, 0, 0};
    EXPECT_EQ(TMODrive::DecodeSense(bare, key, asc, ascq, lba), 5);
    EXPECT_EQ(asc, 0x20);
    EXPECT_EQ(lba, -1);
    EXPECT_EQ(TMODrive::DecodeSense(std::span(withInformation).first(14), key, asc, ascq, lba), 3);
    EXPECT_EQ(lba, -1);
}

TEST(MODrive, DriveWideValuesMayBeReadWhileAWorkerHoldsTheDrive) {
    // As while a format runs: a worker thread sends the commands, the user
    // interface thread sends nothing but may still read the shared values.
    Bench bench({{2, mo("mo640")}, {4, mo("mo230")}});
    // The drives' power-on unit attentions are taken first: every status the
    // reader sees is then GOOD.
    for (const int target : {2, 4, 2, 4}) {
        bench.drive->Capacity(0, static_cast<std::uint8_t>(target), 0);
    }
    ASSERT_EQ(TMODrive::LastTargetStatus, 0);
    std::atomic<bool> reading = false;
    std::thread worker([&] {
        while (!reading) {
            std::this_thread::yield();
        }
        for (int i = 0; i < 200; ++i) {
            bench.drive->Capacity(0, i % 2 == 0 ? 2 : 4, 0);
        }
    });
    reading = true;
    std::set<std::int32_t> sizes;
    std::set<std::int32_t> statuses;
    for (int i = 0; i < 2000; ++i) {
        sizes.insert(TMODrive::BlockSize);
        statuses.insert(TMODrive::LastTargetStatus);
    }
    worker.join();
    EXPECT_TRUE(std::all_of(sizes.begin(), sizes.end(),
                            [](std::int32_t size) { return size == 512 || size == 2048; }));
    EXPECT_EQ(statuses, std::set<std::int32_t>{0});
    EXPECT_EQ(geometry(), std::make_tuple(512, 600, 446324));
}
