#include "SgTransport.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace quillon::scsi {
namespace {

constexpr unsigned char CheckCondition = 0x02;

sg_io_hdr reply(unsigned char status, unsigned short host = 0, unsigned short driver = 0) {
    sg_io_hdr h{};
    h.interface_id = 'S';
    h.dxfer_direction = SG_DXFER_FROM_DEV;
    h.status = status;
    h.masked_status = static_cast<unsigned char>(status >> 1);
    h.host_status = host;
    h.driver_status = driver;
    return h;
}

// Fixed-format sense data with a key, ASC and ASCQ, 18 bytes.
std::array<unsigned char, 18> fixedSense(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
    std::array<unsigned char, 18> s{};
    s[0] = 0x70;
    s[2] = key;
    s[7] = 10;
    s[12] = asc;
    s[13] = ascq;
    s[15] = 0x80;
    s[17] = 0xA5; // past the 14 bytes a result keeps
    return s;
}

TEST(SgStatusMapping, GoodWithoutHostOrDriverErrorIsOk) {
    const auto result = resultFromReply(reply(0x00));
    EXPECT_EQ(result.completion, Completion::Ok);
    EXPECT_EQ(result.targetStatus, 0);
    EXPECT_EQ(result.hostStatus, host_status::Ok);
    EXPECT_EQ(result.senseLength, 0u);
}

TEST(SgStatusMapping, CheckConditionKeepsStatusAndFirst14SenseBytes) {
    auto sense = fixedSense(0x05, 0x21, 0x00);
    sg_io_hdr h = reply(CheckCondition, 0, linux_driver::Sense);
    h.sbp = sense.data();
    h.sb_len_wr = static_cast<unsigned char>(sense.size());
    const auto result = resultFromReply(h);
    EXPECT_EQ(result.completion, Completion::Error);
    EXPECT_EQ(result.targetStatus, CheckCondition);
    EXPECT_EQ(result.hostStatus, host_status::Ok); // DRIVER_SENSE is no error
    ASSERT_EQ(result.senseLength, TransportCommand::SenseAreaLength);
    EXPECT_EQ(result.sense[0], 0x70);
    EXPECT_EQ(result.sense[2], 0x05);
    EXPECT_EQ(result.sense[12], 0x21);
    EXPECT_EQ(result.sense[13], 0x00);

    h.sb_len_wr = 8; // fewer than 14 written
    EXPECT_EQ(resultFromReply(h).senseLength, 8u);
    h.sbp = nullptr; // nowhere to read from
    EXPECT_EQ(resultFromReply(h).senseLength, 0u);
}

TEST(SgStatusMapping, StatusFromOtherBytesAndDrivers) {
    // Only the shifted status, as old drivers report it.
    sg_io_hdr h = reply(0);
    h.masked_status = 0x01;
    EXPECT_EQ(resultFromReply(h).targetStatus, CheckCondition);
    EXPECT_EQ(resultFromReply(h).completion, Completion::Error);

    EXPECT_EQ(resultFromReply(reply(0x08)).targetStatus, 0x08); // BUSY
    EXPECT_EQ(resultFromReply(reply(0x08)).completion, Completion::Error);

    // Sense data with GOOD status is still a success.
    auto sense = fixedSense(0x01, 0x17, 0x01);
    h = reply(0x00, 0, linux_driver::Sense);
    h.sbp = sense.data();
    h.sb_len_wr = 18;
    const auto recovered = resultFromReply(h);
    EXPECT_EQ(recovered.completion, Completion::Ok);
    EXPECT_EQ(recovered.senseLength, 14u);
}

TEST(SgStatusMapping, HostByteTable) {
    struct Case {
        std::uint16_t code;
        std::uint8_t expected;
    };
    const Case cases[] = {
        {linux_host::Ok, host_status::Ok},
        {linux_host::NoConnect, host_status::SelectionTimeout},
        {linux_host::BadTarget, host_status::SelectionTimeout},
        {linux_host::TimeOut, host_status::Timeout},
        {linux_host::BusBusy, host_status::UnexpectedBusFree},
        {linux_host::Abort, host_status::UnexpectedBusFree},
        {linux_host::Parity, host_status::UnexpectedBusFree},
        {linux_host::Error, host_status::UnexpectedBusFree},
        {linux_host::Reset, host_status::UnexpectedBusFree},
        {0x0E, host_status::UnexpectedBusFree}, // DID_TRANSPORT_DISRUPTED
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(hostStatusFor(c.code, linux_driver::Ok), c.expected);
        const auto result = resultFromReply(reply(0x00, c.code));
        EXPECT_EQ(result.hostStatus, c.expected);
        // A host error fails the command even when the status byte is GOOD.
        EXPECT_EQ(result.completion, c.code == linux_host::Ok ? Completion::Ok : Completion::Error);
    }
}

TEST(SgStatusMapping, DriverByte) {
    // The high nibble holds retry suggestions, not errors.
    EXPECT_EQ(hostStatusFor(linux_host::Ok, 0x10 | linux_driver::Sense), host_status::Ok);
    EXPECT_EQ(hostStatusFor(linux_host::Ok, linux_driver::Timeout), host_status::Timeout);
    EXPECT_EQ(resultFromReply(reply(0x00, 0, linux_driver::Timeout)).completion, Completion::Error);

    // Another driver error with GOOD status: the command did not end well.
    const auto bare = resultFromReply(reply(0x00, 0, 0x04)); // DRIVER_ERROR
    EXPECT_EQ(bare.hostStatus, host_status::UnexpectedBusFree);
    EXPECT_EQ(bare.completion, Completion::Error);
    // With a CHECK CONDITION the target's status tells it all.
    const auto withStatus = resultFromReply(reply(CheckCondition, 0, 0x03)); // medium
    EXPECT_EQ(withStatus.hostStatus, host_status::Ok);
    EXPECT_EQ(withStatus.targetStatus, CheckCondition);
}

TEST(SgDirection, FollowsTheCommandsDirection) {
    EXPECT_EQ(sgDirection(DataDirection::None), SG_DXFER_NONE);
    EXPECT_EQ(sgDirection(DataDirection::Out), SG_DXFER_TO_DEV);
    EXPECT_EQ(sgDirection(DataDirection::In, true), SG_DXFER_TO_FROM_DEV);
    EXPECT_EQ(sgDirection(DataDirection::In, false), SG_DXFER_FROM_DEV);
    EXPECT_EQ(sgDirection(DataDirection::Out, false), SG_DXFER_TO_DEV);
}

TEST(SgDataIn, CopyInSendsBackTheWholeBuffer) {
    sg_io_hdr h = reply(CheckCondition, 0, linux_driver::Sense);
    h.dxfer_direction = SG_DXFER_TO_FROM_DEV;
    h.resid = 2048;
    EXPECT_EQ(dataInLength(h, 2048), 2048u);
}

TEST(SgDataIn, FromDeviceTrustsResidualOrAnOutcomeThatSentData) {
    sg_io_hdr h = reply(0x00);
    EXPECT_EQ(dataInLength(h, 2048), 2048u);
    h.resid = 1536;
    EXPECT_EQ(dataInLength(h, 2048), 512u);
    h.resid = 4096; // more than asked for
    EXPECT_EQ(dataInLength(h, 2048), 0u);
    h.resid = -5;
    EXPECT_EQ(dataInLength(h, 2048), 2048u);
    EXPECT_EQ(dataInLength(reply(0x04), 2048), 2048u); // CONDITION MET

    // A failed read that counts nothing missing sent nothing worth keeping;
    // the driver's buffer holds an earlier command's data.
    auto illegal = fixedSense(0x05, 0x21, 0x00);
    h = reply(CheckCondition, 0, linux_driver::Sense);
    h.sbp = illegal.data();
    h.sb_len_wr = 18;
    EXPECT_EQ(dataInLength(h, 2048), 0u);
    auto medium = fixedSense(0x03, 0x11, 0x00);
    h.sbp = medium.data();
    EXPECT_EQ(dataInLength(h, 2048), 0u);
    h.resid = 1024; // it counted: the first half came
    EXPECT_EQ(dataInLength(h, 2048), 1024u);

    // Recovered errors and ILI report on data that was sent.
    h.resid = 0;
    auto recovered = fixedSense(0x01, 0x17, 0x01);
    h.sbp = recovered.data();
    EXPECT_EQ(dataInLength(h, 2048), 2048u);
    auto ili = fixedSense(0x20, 0x00, 0x00); // ILI bit, NO SENSE
    h.sbp = ili.data();
    EXPECT_EQ(dataInLength(h, 2048), 2048u);
    std::array<unsigned char, 8> descriptor{0x72, 0x01, 0x18, 0x02};
    h.sbp = descriptor.data();
    h.sb_len_wr = 8;
    EXPECT_EQ(dataInLength(h, 2048), 2048u);
    h.sb_len_wr = 0; // no sense at all
    EXPECT_EQ(dataInLength(h, 2048), 0u);

    // A host error: nothing the device sent can be told apart.
    EXPECT_EQ(dataInLength(reply(0x00, linux_host::TimeOut), 2048), 0u);
}

SgDevice device(const std::string& path, int host, int channel, int id, int lun) {
    SgDevice d;
    d.path = path;
    d.hostNo = host;
    d.channel = channel;
    d.scsiId = id;
    d.lun = lun;
    return d;
}

TEST(SgLayout, OneAdapterPerHostChannelInNumericOrder) {
    // Node order is not host order, and host 10 comes after host 2.
    const std::vector<SgDevice> devices = {
        device("/dev/sg0", 10, 0, 3, 0), device("/dev/sg1", 2, 0, 5, 1),
        device("/dev/sg2", 2, 0, 5, 0),  device("/dev/sg3", 0, 1, 0, 0),
        device("/dev/sg4", 0, 0, 6, 0),
    };
    const SgLayout layout = layoutAdapters(devices);
    ASSERT_EQ(layout.adapters.size(), 4u);
    EXPECT_TRUE(layout.unreachable.empty());
    const std::pair<int, int> order[] = {{0, 0}, {0, 1}, {2, 0}, {10, 0}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(layout.adapters[i].hostNo, order[i].first) << i;
        EXPECT_EQ(layout.adapters[i].channel, order[i].second) << i;
    }
    // Addresses lead back to the nodes that answered for them.
    const auto& host2 = layout.adapters[2].devices;
    ASSERT_EQ(host2.size(), 2u);
    EXPECT_EQ(host2.at({5, 0}), 2u);
    EXPECT_EQ(host2.at({5, 1}), 1u);
    EXPECT_EQ(layout.adapters[0].devices.at({6, 0}), 4u);
    EXPECT_EQ(layout.adapters[1].devices.at({0, 0}), 3u);
    EXPECT_EQ(layout.adapters[3].devices.at({3, 0}), 0u);
    EXPECT_EQ(layout.adapters[2].highestTarget, 5);
    EXPECT_TRUE(layoutAdapters({}).adapters.empty());
}

TEST(SgLayout, AddressesThatDoNotFitAreLeftOut) {
    const std::vector<SgDevice> devices = {
        device("/dev/sg0", 0, 0, 256, 0), // a SAS-style target number
        device("/dev/sg1", 0, 0, 2, 300), // a LUN past 255
        device("/dev/sg2", 1, 0, 4, 0),     device("/dev/sg3", 1, 0, 4, 0), // the same address
        device("/dev/sg4", 1, 0, 255, 255), device("/dev/sg5", -1, 0, 0, 0),
    };
    const SgLayout layout = layoutAdapters(devices);
    ASSERT_EQ(layout.adapters.size(), 1u); // host 0 has nothing reachable
    EXPECT_EQ(layout.adapters[0].hostNo, 1);
    EXPECT_EQ(layout.adapters[0].devices.size(), 2u);
    EXPECT_EQ(layout.adapters[0].devices.at({4, 0}), 2u);
    EXPECT_EQ(layout.adapters[0].devices.at({255, 255}), 4u);
    ASSERT_EQ(layout.unreachable.size(), 4u);
    const auto mentions = [&](const std::string& path, const std::string& why) {
        for (const std::string& line : layout.unreachable) {
            if (line.find(path) == 0 && line.find(why) != std::string::npos) {
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(mentions("/dev/sg0", "target ID above 255"));
    EXPECT_TRUE(mentions("/dev/sg1", "LUN above 255"));
    EXPECT_TRUE(mentions("/dev/sg3", "same address as /dev/sg2"));
    EXPECT_TRUE(mentions("/dev/sg5", "invalid address"));
}

TEST(SgAdapterInfo, TargetsAndOwnId) {
    auto adapterWith = [](std::vector<int> ids) {
        std::vector<SgDevice> devices;
        for (int id : ids) {
            devices.push_back(device("/dev/sg" + std::to_string(id), 0, 0, id, 0));
        }
        return layoutAdapters(devices).adapters.at(0);
    };
    SgHostFacts facts;
    AdapterInfo info = adapterInfoFor(adapterWith({0, 2}), facts);
    EXPECT_EQ(info.maxTargets, 8);
    EXPECT_EQ(info.scsiId, 7);

    info = adapterInfoFor(adapterWith({12}), facts);
    EXPECT_EQ(info.maxTargets, 13);
    EXPECT_EQ(info.scsiId, 7);

    // A device at 7 (virtio, USB): the adapter takes the highest free ID.
    info = adapterInfoFor(adapterWith({6, 7}), facts);
    EXPECT_EQ(info.scsiId, 5);
    info = adapterInfoFor(adapterWith({0, 1, 2, 3, 4, 5, 6, 7}), facts);
    EXPECT_EQ(info.scsiId, 8); // none free: past the IDs a scan visits

    info = adapterInfoFor(adapterWith({255}), facts);
    EXPECT_EQ(info.maxTargets, 255);
}

TEST(SgAdapterInfo, NamesAndTransferLength) {
    const auto adapter = layoutAdapters({device("/dev/sg0", 3, 0, 1, 0)}).adapters.at(0);
    SgHostFacts facts;
    facts.procName = "sym53c8xx";
    facts.driverVersion = 30536;
    facts.maxTransfer = 1310720;
    AdapterInfo info = adapterInfoFor(adapter, facts);
    EXPECT_EQ(info.managerId, "Linux sg 3.5.36");
    EXPECT_EQ(info.identifier, "sym53c8xx");
    EXPECT_EQ(info.maxTransferLength, 1310720u);
    EXPECT_EQ(info.bufferAlignment, 0);

    facts.procName = "a_driver_with_a_long_name";
    facts.driverVersion = 0;
    info = adapterInfoFor(adapter, facts);
    EXPECT_EQ(info.identifier, "a_driver_with_a_");
    EXPECT_EQ(info.managerId, "Linux sg");
    facts.procName.clear();
    EXPECT_EQ(adapterInfoFor(adapter, facts).identifier, "host3");
}

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "sgtest.XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    const std::string& path() const { return path_; }
    void touch(const std::string& name) const { std::ofstream(path_ + "/" + name) << "x"; }

private:
    std::string path_;
};

TEST(SgNodes, OnlySgNumberedNamesInNumericOrder) {
    TempDir dir;
    for (const char* name : {"sg10", "sg2", "sg0", "sg", "sgx", "sg1a", "sda", "bsg", "sg3"}) {
        dir.touch(name);
    }
    EXPECT_EQ(sgNodeNames(dir.path()), (std::vector<std::string>{"sg0", "sg2", "sg3", "sg10"}));
    EXPECT_TRUE(sgNodeNames(dir.path() + "/missing").empty());
}

// Runs a TEST UNIT READY through a transport; it must end at once.
TransportCommand::Result refused(SgTransport& transport, int adapter) {
    const std::uint8_t tur[6] = {};
    auto command = std::make_shared<TransportCommand>(1, 0, tur, std::span<std::uint8_t>{}, 1000);
    EXPECT_EQ(transport.execute(adapter, command), Completion::Error);
    EXPECT_TRUE(command->completed());
    EXPECT_FALSE(transport.abort(adapter, *command));
    return command->result();
}

TEST(SgTransportWithoutDevices, EmptyOrMissingDirectoryIsAbsent) {
    TempDir dir;
    for (const std::string& place : {dir.path(), dir.path() + "/missing"}) {
        SgTransport transport(place, dir.path());
        EXPECT_EQ(refused(transport, 0).hostStatus, host_status::SelectionTimeout); // not open
        EXPECT_EQ(transport.open(), Transport::Presence::Absent);
        EXPECT_EQ(transport.open(), Transport::Presence::Absent);
        EXPECT_NE(transport.reason().find("no sg device nodes in " + place), std::string::npos);
        EXPECT_EQ(transport.adapterCount(), 0);
        AdapterInfo info;
        EXPECT_FALSE(transport.inquireAdapter(0, info));
        const auto result = refused(transport, 0);
        EXPECT_EQ(result.completion, Completion::Error);
        EXPECT_EQ(result.hostStatus, host_status::SelectionTimeout);
        EXPECT_TRUE(transport.devicesOf(0).empty());
    }
}

// How many file descriptors the process holds.
std::size_t openDescriptors() {
    const std::filesystem::directory_iterator entries("/proc/self/fd");
    return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

TEST(SgTransportWithoutDevices, NodesThatAreNotSgAreNamedAndSkipped) {
    TempDir dir;
    dir.touch("sg0");
    dir.touch("sg1");
    SgTransport transport(dir.path(), dir.path());
    const std::size_t held = openDescriptors();
    EXPECT_EQ(transport.open(), Transport::Presence::Absent);
    // The nodes it opened to look at are closed again.
    EXPECT_EQ(openDescriptors(), held);
    const std::string reason = transport.reason();
    EXPECT_NE(reason.find(dir.path() + "/sg0: not a SCSI generic node"), std::string::npos)
        << reason;
    EXPECT_NE(reason.find(dir.path() + "/sg1: not a SCSI generic node"), std::string::npos);
    EXPECT_NE(reason.find("no usable sg node"), std::string::npos);
    EXPECT_EQ(refused(transport, 0).hostStatus, host_status::SelectionTimeout);
}

TEST(SgTransportWithoutDevices, ThisMachine) {
    if (!sgNodeNames("/dev").empty()) {
        GTEST_SKIP() << "this machine has sg nodes";
    }
    SgTransport transport;
    EXPECT_EQ(transport.name(), "sg");
    EXPECT_EQ(transport.open(), Transport::Presence::Absent);
    EXPECT_FALSE(transport.reason().empty());
    EXPECT_EQ(refused(transport, 0).hostStatus, host_status::SelectionTimeout);
}

} // namespace
} // namespace quillon::scsi
