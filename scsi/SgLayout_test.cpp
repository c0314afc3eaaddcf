#include "SgLayout.h"
#include "SgTestDirectory.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quillon::scsi {
namespace {

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

TEST(SgNodes, OnlySgNumberedNamesInNumericOrder) {
    TempDir dir;
    for (const char* name : {"sg10", "sg2", "sg0", "sg", "sgx", "sg1a", "sda", "bsg", "sg3"}) {
        dir.touch(name);
    }
    EXPECT_EQ(sgNodeNames(dir.path()), (std::vector<std::string>{"sg0", "sg2", "sg3", "sg10"}));
    EXPECT_TRUE(sgNodeNames(dir.path() + "/missing").empty());
}

} // namespace
} // namespace quillon::scsi
