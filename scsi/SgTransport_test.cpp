#include "SgTestDirectory.h"
#include "SgTransport.h"

#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <string>

namespace quillon::scsi {
namespace {

// Runs a TEST UNIT READY through a transport; it must end at once.
TransportCommand::Result refused(SgTransport& transport, int adapter) {
    const std::uint8_t tur[6] = {};
    auto command = std::make_shared<TransportCommand>(1, 0, tur, std::span<std::uint8_t>{}, 1000);
    EXPECT_EQ(transport.execute(adapter, command), Completion::Error);
    EXPECT_TRUE(command->completed());
    EXPECT_FALSE(transport.abort(adapter, *command));
    // The same for a caller that waits for its command.
    auto waited = std::make_shared<TransportCommand>(1, 0, tur, std::span<std::uint8_t>{}, 1000);
    EXPECT_EQ(transport.executeAndWait(adapter, waited, 1000), Completion::Error);
    EXPECT_TRUE(waited->completed());
    EXPECT_EQ(waited->result().hostStatus, command->result().hostStatus);
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
