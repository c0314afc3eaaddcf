#include "SimTransport.h"
#include "Win32ASPI.h"

#include <array>
#include <chrono>
#include <deque>
#include <gtest/gtest.h>
#include <sys/utsname.h>

using namespace quillon;
using namespace quillon::scsi;

namespace {

sim::DriveSet oneDrive() {
    sim::DriveSet set;
    set.emplace(2, std::make_unique<sim::SimTarget>());
    return set;
}

template <typename... T>
std::vector<std::unique_ptr<Transport>> transports(std::unique_ptr<T>... t) {
    std::vector<std::unique_ptr<Transport>> list;
    (list.push_back(std::move(t)), ...);
    return list;
}

// What no real transport does: opens incomplete, has an adapter that reports
// 0 target IDs, and completes a command already inside the send.
class OddTransport : public Transport {
public:
    explicit OddTransport(Presence presence = Presence::Present) : presence_(presence) {}
    std::string name() const override { return "odd"; }
    Presence open() override { return presence_; }
    int adapterCount() override { return 1; }
    bool inquireAdapter(int, AdapterInfo& info) override {
        info.scsiId = 3;
        info.maxTargets = 0;
        return true;
    }
    Completion execute(int, const std::shared_ptr<TransportCommand>& command) override {
        TransportCommand::Result result;
        result.completion = Completion::Ok;
        command->complete(result);
        return Completion::Ok;
    }
    bool abort(int, TransportCommand&) override { return false; }

private:
    Presence presence_;
};

// The layer with a millisecond clock that reads the given ticks in turn.
class ScriptedClock : public TWin32ASPI {
public:
    using TWin32ASPI::TWin32ASPI;
    mutable std::deque<std::uint32_t> ticks;

protected:
    std::uint32_t MillisecondClock() const override {
        const auto tick = ticks.front();
        if (ticks.size() > 1) {
            ticks.pop_front();
        }
        return tick;
    }
};

TNotifyEvent counter(int& count) {
    return [&count](TWin32ASPI&) {
        ++count;
    };
}

// Runs f and checks that it raises E with this code and message.
template <typename E, typename F> void expectRaises(F f, std::int32_t code, const char* message) {
    try {
        f();
        ADD_FAILURE() << "nothing raised";
    } catch (const E& e) {
        EXPECT_EQ(e.ErrorCode, code);
        EXPECT_STREQ(e.what(), message);
    }
}

TSRB_ExecSCSICmd testUnitReady(std::uint8_t ha, std::uint8_t target) {
    TSRB_ExecSCSICmd srb;
    srb.SRB_HaId = ha;
    srb.SRB_Target = target;
    srb.SRB_CDBLen = 6;
    return srb;
}

} // namespace

TEST(Win32ASPI, WithoutATransportNothingLoadsAndEveryOperationFailsQuietly) {
    TWin32ASPI aspi;
    int finished = 0;
    aspi.OnExecSCSICommandFinish = counter(finished);
    EXPECT_FALSE(aspi.ASPILoaded);
    EXPECT_EQ(aspi.HostAdapterCount, 0);
    EXPECT_EQ(aspi.GetSupportInfo(), -1);
    EXPECT_FALSE(aspi.GetHostAdapterInquiry(0));
    auto srb = testUnitReady(0, 2);
    EXPECT_FALSE(aspi.ExecSCSICommand(srb));
    EXPECT_FALSE(aspi.ServiceAbort(0, &srb));
    EXPECT_EQ(finished, 1);
}

TEST(Win32ASPI, DescribesTheMachineItRunsOn) {
    const TWin32ASPI aspi;
    struct utsname system {};
    ASSERT_EQ(uname(&system), 0);
    EXPECT_EQ(aspi.OSName, system.sysname);
    EXPECT_EQ(std::string(system.release).rfind(aspi.OSVersion + ".", 0), 0u);
    EXPECT_NE(aspi.CPUName, "None");
    ASSERT_TRUE(aspi.MemorySize.ends_with(" MByte"));
    EXPECT_GT(std::stol(aspi.MemorySize), 0);
}

TEST(Win32ASPI, AnIncompleteTransportIsAFatalSetUpError) {
    expectRaises<ESystemError>(
        [] {
            TWin32ASPI aspi(
                transports(std::make_unique<OddTransport>(Transport::Presence::Incomplete)));
        },
        1, "Fatal Error : Cannot Find \"wnaspi32.dll\"");
}

TEST(Win32ASPI, NumbersTheAdaptersOfEveryTransportInTurnAndExecutesOnEach) {
    TWin32ASPI aspi(transports(std::make_unique<OddTransport>(),
                               std::make_unique<SimTransport>(oneDrive(), 0)));
    EXPECT_TRUE(aspi.ASPILoaded);
    EXPECT_EQ(aspi.GetSupportInfo(), 2);
    EXPECT_EQ(aspi.HostAdapterCount, 2);
    EXPECT_EQ(aspi.HostAdapters[0].SCSI_ID, 3);
    EXPECT_EQ(aspi.HostAdapters[0].MaxTargets, 8); // reported as 0
    const auto& sim = aspi.HostAdapters[1];
    EXPECT_EQ(sim.SCSI_ID, 7);
    EXPECT_EQ(sim.MaxTargets, 8);
    EXPECT_EQ(sim.ManagerId, "QUILLON SIM BUS");
    EXPECT_EQ(aspi.HostAdapters[2].MaxTargets, 0); // cleared

    auto srb = testUnitReady(1, 2);
    aspi.ExecSCSICommand(srb);
    EXPECT_EQ(srb.SRB_TargStat, 2) << "the drive's power-on unit attention";
    srb = testUnitReady(0, 2);
    EXPECT_FALSE(aspi.ExecSCSICommand(srb)) << "a send that completes at once";
}

TEST(Win32ASPI, AdapterInquiryFailsPastItsTimeOutOrWhenTheClockWraps) {
    ScriptedClock aspi(transports(std::make_unique<SimTransport>(oneDrive(), 0)));
    int aborts = 0;
    int finished = 0;
    aspi.OnServiceAbortFinish = counter(aborts);
    aspi.OnGetHostAdapterInquiryFinish = counter(finished);
    struct Case {
        std::uint32_t start, end;
        bool ok;
    };
    for (const auto& [start, end, ok] : {Case{5000, 6000, true}, Case{5000, 6001, false},
                                         Case{5000, 4999, false}, Case{0xFFFFFFF0u, 0x10, false}}) {
        aspi.ticks = {start, end};
        EXPECT_EQ(aspi.GetHostAdapterInquiry(0), ok) << start << " to " << end;
    }
    EXPECT_EQ(aborts, 3);
    EXPECT_EQ(finished, 4);

    aspi.ErrorEnable = true;
    expectRaises<EAspiError>([&] { aspi.GetHostAdapterInquiry(1); }, 0x10001,
                             "Win32ASPI Error in \"GetHostAdapterInquiry\"");
    EXPECT_EQ(finished, 4);
}

TEST(Win32ASPI, ExecSCSICommandSucceedsOnlyWhenTheTargetEndsItGood) {
    TWin32ASPI aspi(transports(std::make_unique<SimTransport>(oneDrive(), 0)));
    int finished = 0;
    aspi.OnExecSCSICommandFinish = counter(finished);
    auto srb = testUnitReady(0, 2);
    srb.SRB_Flags = 0x18; // direction bits are never passed on
    EXPECT_FALSE(aspi.ExecSCSICommand(srb));
    EXPECT_EQ(srb.SRB_Flags, SRB_EVENT_NOTIFY);
    EXPECT_EQ(srb.SRB_Status, SS_ERR);
    EXPECT_EQ(srb.SRB_TargStat, 2);
    EXPECT_EQ(srb.SenseArea[2] & 0x0F, 0x6);

    srb = testUnitReady(0, 2);
    EXPECT_TRUE(aspi.ExecSCSICommand(srb));
    EXPECT_EQ(srb.SRB_Status, SS_COMP);
    EXPECT_EQ(srb.SRB_TargStat, 0);

    srb = testUnitReady(0, 5); // no drive at this ID
    EXPECT_FALSE(aspi.ExecSCSICommand(srb));
    EXPECT_EQ(srb.SRB_TargStat, 0);
    srb = testUnitReady(4, 2); // no such adapter
    EXPECT_FALSE(aspi.ExecSCSICommand(srb));
    EXPECT_EQ(srb.SRB_Status, SS_INVALID_HA);
    EXPECT_EQ(finished, 4);

    aspi.ErrorEnable = true;
    srb = testUnitReady(0, 5);
    expectRaises<EAspiError>([&] { aspi.ExecSCSICommand(srb); }, 0x10003,
                             "Win32ASPI Error in \"ExecSCSICommand\"");
    EXPECT_EQ(finished, 4);
}

// A device as the sg driver and iSCSI show it: a CHECK CONDITION brings its
// sense data along (here 24 bytes of descriptor sense, more than the request
// block's sense area holds), and the device keeps none, so a REQUEST SENSE it
// receives answers NO SENSE. SEEK fails; everything else is GOOD.
class AutosenseDevice : public Transport {
public:
    static constexpr std::array<std::uint8_t, 24> Sense{
        0x72, 0x03, 0x11, 0x00, 0, 0, 0, 16, 0x00, 0x0A, 0x80, 0, 0, 0, 0, 0, 0, 0, 0x12, 0x34};
    std::vector<std::uint8_t> received; // operation codes, in order

    std::string name() const override { return "autosense"; }
    Presence open() override { return Presence::Present; }
    int adapterCount() override { return 1; }
    bool inquireAdapter(int, AdapterInfo&) override { return true; }
    Completion execute(int, const std::shared_ptr<TransportCommand>& command) override {
        const std::uint8_t opcode = command->cdb()[0];
        received.push_back(opcode);
        TransportCommand::Result result;
        result.completion = Completion::Ok;
        if (opcode == 0x2B) {
            result.completion = Completion::Error;
            result.targetStatus = 0x02;
            result.senseLength = Sense.size();
            std::copy(Sense.begin(), Sense.end(), result.sense.begin());
        } else if (opcode == 0x03) {
            command->withBuffer([](std::span<std::uint8_t> buffer) {
                std::fill(buffer.begin(), buffer.end(), 0);
                buffer[0] = 0x70;
                buffer[7] = 10;
            });
        }
        command->complete(result);
        return Completion::Pending;
    }
    bool abort(int, TransportCommand&) override { return false; }
};

TEST(Win32ASPI, KeepsTheSenseOfACheckConditionForTheNextRequestSense) {
    auto owned = std::make_unique<AutosenseDevice>();
    AutosenseDevice& device = *owned;
    TWin32ASPI aspi(transports(std::move(owned)));
    std::array<std::uint8_t, 255> area{};
    const auto requestSense = [&](std::uint8_t lun, std::uint8_t allocation = 0xFF) {
        area.fill(0xEE);
        const std::uint8_t cdb[6]{0x03, 0, 0, 0, allocation, 0};
        auto srb = TSRB_ExecSCSICmd::For(0, 2, lun, cdb, area.data(), 255);
        EXPECT_TRUE(aspi.ExecSCSICommand(srb));
        EXPECT_EQ(srb.SRB_TargStat, 0);
        return std::vector<std::uint8_t>(area.begin(), area.begin() + 24);
    };
    const auto send = [&](std::uint8_t opcode, std::uint8_t lun) {
        const std::uint8_t cdb[10]{opcode};
        auto srb = TSRB_ExecSCSICmd::For(0, 2, lun, cdb, nullptr, 0);
        aspi.ExecSCSICommand(srb);
        return srb;
    };
    const std::vector<std::uint8_t> kept(AutosenseDevice::Sense.begin(),
                                         AutosenseDevice::Sense.end());

    const auto failed = send(0x2B, 0);
    EXPECT_EQ(failed.SRB_TargStat, 2);
    EXPECT_EQ(failed.SenseArea[1], 0x03); // the request block's first bytes
    send(0x12, 0);                        // INQUIRY keeps it
    device.received.clear();
    EXPECT_EQ(requestSense(0), kept); // whole, although longer than the sense area
    EXPECT_TRUE(device.received.empty());
    EXPECT_EQ(requestSense(0)[0], 0x70); // taken: now the device is asked
    EXPECT_EQ(device.received, std::vector<std::uint8_t>{0x03});

    send(0x2B, 1);
    send(0x00, 0);                          // another LUN's command leaves LUN 1's
    const auto first8 = requestSense(1, 8); // the allocation length bounds the answer
    EXPECT_EQ(first8[7], 16);
    EXPECT_EQ(first8[8], 0xEE);
    send(0x2B, 1);
    send(0x00, 1); // its own next command drops it
    EXPECT_EQ(requestSense(1)[0], 0x70);
}

// A command the drive never ends, on the inline bus (0) and on the worker
// thread (> 0).
class HungCommand : public ::testing::TestWithParam<double> {};

TEST_P(HungCommand, IsAbortedAtItsTimeOutAndTheBusStaysUsable) {
    auto owned = std::make_unique<SimTransport>(oneDrive(), GetParam());
    auto& drive = *owned->target(2)->lun(0);
    TWin32ASPI aspi(transports(std::move(owned)));
    aspi.TimeOut_ExecSCSICommand = 50;
    int aborts = 0;
    aspi.OnServiceAbortFinish = counter(aborts);
    auto srb = testUnitReady(0, 2);
    aspi.ExecSCSICommand(srb); // the unit attention

    sim::FaultRule hang;
    hang.kind = sim::FaultKind::Hang;
    hang.count = 2;
    drive.addFault(hang);
    srb = testUnitReady(0, 2);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(aspi.ExecSCSICommand(srb));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
    EXPECT_EQ(srb.SRB_Status, SS_ABORTED);
    EXPECT_EQ(srb.SRB_TargStat, 0);
    EXPECT_EQ(aborts, 1);

    aspi.ErrorEnable = true;
    srb = testUnitReady(0, 2);
    EXPECT_THROW(aspi.ExecSCSICommand(srb), EAspiError);
    EXPECT_EQ(aborts, 2);

    srb = testUnitReady(0, 2);
    EXPECT_TRUE(aspi.ExecSCSICommand(srb));
}

INSTANTIATE_TEST_SUITE_P(Win32ASPI, HungCommand, ::testing::Values(0.0, 0.001));
