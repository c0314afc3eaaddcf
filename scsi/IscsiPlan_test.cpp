#include "IscsiPlan.h"

#include <gtest/gtest.h>
#include <span>
#include <vector>

namespace quillon::scsi {
namespace {

// Parses a URL without reading the process's environment.
IscsiUrl url(const char* text) {
    return parseIscsiUrl(text, [](const char*) -> const char* { return nullptr; });
}

TEST(IscsiPlanTest, OnePortalIsOneAdapterWithItsTargetsInOrder) {
    const std::vector<IscsiUrl> urls{
        url("iscsi://Host/iqn.b/2"),      url("iscsi://other:3261/iqn.c"),
        url("iscsi://host:3260/iqn.a/1"), url("iscsi://host/IQN.B/0"),
        url("iscsi://host/iqn.b/2"),      url("iscsi://host:3262/iqn.a"),
    };
    const auto plan = planIscsiAdapters(urls);
    ASSERT_EQ(plan.size(), 3u);

    // Host names compare without case; the port belongs to the portal.
    EXPECT_EQ(plan[0].portal, "Host:3260");
    ASSERT_EQ(plan[0].targets.size(), 2u);
    EXPECT_EQ(plan[0].targets[0].name, "iqn.b");
    EXPECT_FALSE(plan[0].targets[0].allLuns);
    EXPECT_EQ(plan[0].targets[0].luns, (std::vector<std::uint8_t>{0, 2}));
    EXPECT_EQ(plan[0].targets[1].name, "iqn.a");
    EXPECT_EQ(plan[0].targets[1].luns, (std::vector<std::uint8_t>{1}));
    EXPECT_EQ(plan[0].targets[1].url, 2u);

    EXPECT_EQ(plan[1].portal, "other:3261");
    ASSERT_EQ(plan[1].targets.size(), 1u);
    EXPECT_TRUE(plan[1].targets[0].allLuns);

    EXPECT_EQ(plan[2].portal, "host:3262");
    EXPECT_TRUE(plan[2].targets[0].allLuns);
}

TEST(IscsiPlanTest, AdapterInquiryKeepsTheInitiatorOffTheTargets) {
    const AdapterInfo few = iscsiAdapterInfo("192.168.100.200:3260", 3);
    EXPECT_EQ(few.scsiId, 7);
    EXPECT_EQ(few.maxTargets, 8);
    EXPECT_EQ(few.identifier, "192.168.100.200:");
    EXPECT_LE(few.managerId.size(), 16u);
    EXPECT_EQ(few.managerId.rfind("libiscsi", 0), 0u);
    EXPECT_EQ(few.maxTransferLength, IscsiMaxBurstLength);

    const AdapterInfo eight = iscsiAdapterInfo("h:3260", 8);
    EXPECT_EQ(eight.scsiId, 8);
    EXPECT_EQ(eight.maxTargets, 8);
    const AdapterInfo many = iscsiAdapterInfo("h:3260", 300);
    EXPECT_EQ(many.scsiId, 255);
    EXPECT_EQ(many.maxTargets, 255);
}

TEST(IscsiReportLunsTest, KeepsTheLunsTheTransportCanAddress) {
    const std::vector<std::uint8_t> data{
        0,    0, 0,    48, 0, 0, 0, 0, // six entries
        0x00, 3, 0,    0,  0, 0, 0, 0, // peripheral, LUN 3
        0x40, 1, 0,    0,  0, 0, 0, 0, // flat space, LUN 1
        0x41, 0, 0,    0,  0, 0, 0, 0, // flat space, LUN 256: too high
        0x00, 0, 0,    0,  0, 0, 0, 0, // LUN 0
        0x00, 3, 0,    0,  0, 0, 0, 0, // LUN 3 again
        0x00, 7, 0x40, 2,  0, 0, 0, 0, // a second level
    };
    EXPECT_EQ(lunsFromReportLuns(data), (std::vector<std::uint8_t>{0, 1, 3}));
    // A list longer than the data that came: only what came.
    EXPECT_EQ(lunsFromReportLuns(std::span(data).first(24)), (std::vector<std::uint8_t>{1, 3}));
    EXPECT_TRUE(lunsFromReportLuns(std::span(data).first(7)).empty());
}

} // namespace
} // namespace quillon::scsi
