#include "IscsiTransport.h"

#include <gtest/gtest.h>
#include <map>
#include <stdexcept>

namespace quillon::scsi {
namespace {

// An environment of the test's own instead of the process's.
EnvironmentLookup environmentOf(std::map<std::string, std::string> variables) {
    return [variables = std::move(variables)](const char* name) -> const char* {
        const auto it = variables.find(name);
        return it == variables.end() ? nullptr : it->second.c_str();
    };
}

const EnvironmentLookup Empty = environmentOf({});

// The message of the invalid_argument a URL raises, or "" when it parses.
std::string refusal(const std::string& url, const EnvironmentLookup& environment = Empty) {
    try {
        parseIscsiUrl(url, environment);
    } catch (const std::invalid_argument& error) {
        return error.what();
    }
    return "";
}

TEST(IscsiUrlTest, ReadsEveryPartOfAFullUrl) {
    const IscsiUrl url =
        parseIscsiUrl("iscsi://alice%s3cret@192.0.2.7:3261/iqn.2024-01.test%3Adisk/5", Empty);
    EXPECT_EQ(url.host, "192.0.2.7");
    EXPECT_EQ(url.port, 3261);
    EXPECT_EQ(url.target, "iqn.2024-01.test:disk");
    ASSERT_TRUE(url.lun.has_value());
    EXPECT_EQ(*url.lun, 5);
    EXPECT_EQ(url.user, "alice");
    EXPECT_EQ(url.password, "s3cret");
    EXPECT_EQ(url.portal(), "192.0.2.7:3261");
    EXPECT_EQ(url.display(), "iscsi://192.0.2.7:3261/iqn.2024-01.test:disk/5");
}

TEST(IscsiUrlTest, FillsTheDefaultsOfAShortUrl) {
    for (const char* text : {"iscsi://host/iqn.x", "iscsi://host/iqn.x/"}) {
        const IscsiUrl url = parseIscsiUrl(text, Empty);
        EXPECT_EQ(url.portal(), "host:3260") << text;
        EXPECT_EQ(url.target, "iqn.x") << text;
        EXPECT_FALSE(url.lun.has_value()) << text;
        EXPECT_TRUE(url.user.empty() && url.password.empty()) << text;
        EXPECT_FALSE(url.headerDigest) << text;
    }
}

TEST(IscsiUrlTest, KeepsTheBracketsOfAnIpv6Host) {
    const IscsiUrl url = parseIscsiUrl("iscsi://[::1]:3262/iqn.x/0", Empty);
    EXPECT_EQ(url.host, "[::1]");
    EXPECT_EQ(url.portal(), "[::1]:3262");
    EXPECT_EQ(parseIscsiUrl("iscsi://[fe80::2]/iqn.x", Empty).portal(), "[fe80::2]:3260");
}

TEST(IscsiUrlTest, TakesCredentialsAsLibiscsiDoes) {
    // ':' separates too, and a password may hold '@' and '/'.
    const IscsiUrl colon = parseIscsiUrl("iscsi://bob:pa@ss/w@host/iqn.x/1", Empty);
    EXPECT_EQ(colon.user, "bob");
    EXPECT_EQ(colon.password, "pa@ss/w");
    EXPECT_EQ(colon.host, "host");

    // A user in the URL, the password from the environment.
    const auto environment = environmentOf({{"LIBISCSI_CHAP_PASSWORD", "fromenv"}});
    const IscsiUrl user = parseIscsiUrl("iscsi://carol@host/iqn.x/1", environment);
    EXPECT_EQ(user.user, "carol");
    EXPECT_EQ(user.password, "fromenv");

    // Both from the environment; the URL's own password wins over it.
    const auto both =
        environmentOf({{"LIBISCSI_CHAP_USERNAME", "dave"}, {"LIBISCSI_CHAP_PASSWORD", "fromenv"}});
    EXPECT_EQ(parseIscsiUrl("iscsi://host/iqn.x", both).user, "dave");
    EXPECT_EQ(parseIscsiUrl("iscsi://host/iqn.x", both).password, "fromenv");
    EXPECT_EQ(parseIscsiUrl("iscsi://erin%own@host/iqn.x", both).password, "own");
}

TEST(IscsiUrlTest, ReadsTheOptions) {
    const IscsiUrl url = parseIscsiUrl(
        "iscsi://u%p@host/iqn.x/2?header_digest=crc32c&target_user=t&target_password=tp", Empty);
    EXPECT_TRUE(url.headerDigest);
    EXPECT_EQ(url.targetUser, "t");
    EXPECT_EQ(url.targetPassword, "tp");
    EXPECT_EQ(*url.lun, 2);
}

TEST(IscsiUrlTest, RefusesMalformedUrlsWithoutShowingTheirPassword) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"http://u%hunter2@host/iqn.x", "does not start with iscsi://"},
        {"iscsi://u%hunter2@host", "no target name"},
        {"iscsi://u%hunter2@host/", "no target name"},
        {"iscsi://u%hunter2@/iqn.x", "no host"},
        {"iscsi://u%hunter2@host:0/iqn.x", "port"},
        {"iscsi://u%hunter2@host:70000/iqn.x", "port"},
        {"iscsi://u%hunter2@host:32a/iqn.x", "port"},
        {"iscsi://u%hunter2@host:/iqn.x", "no port"},
        {"iscsi://u%hunter2@::1/iqn.x", "brackets"},
        {"iscsi://u%hunter2@[::1/iqn.x", "']'"},
        {"iscsi://u%hunter2@host/iqn.x/256", "LUN"},
        {"iscsi://u%hunter2@host/iqn.x/1a", "LUN"},
        {"iscsi://u%hunter2@host/iqn%3.x/1", "escape"},
        {"iscsi://u%hunter2@host/iqn.x/1?iser", "unknown option iser"},
        {"iscsi://u%hunter2@host/iqn.x/1?header_digest=md5", "header_digest"},
        {"iscsi://%hunter2@host/iqn.x/1", "no user name"},
    };
    for (const auto& [url, why] : cases) {
        const std::string message = refusal(url);
        EXPECT_NE(message.find(why), std::string::npos) << url << ": " << message;
        EXPECT_EQ(message.find("hunter2"), std::string::npos) << message;
    }
    // A user with no password anywhere: said so, not logged in without.
    EXPECT_NE(refusal("iscsi://frank@host/iqn.x/1").find("no password"), std::string::npos);
}

TEST(IscsiUrlTest, ScrubbingRemovesEveryCredential) {
    EXPECT_EQ(scrubIscsiUrl("iscsi://u%pw@host:3260/iqn.x/1"), "iscsi://host:3260/iqn.x/1");
    EXPECT_EQ(scrubIscsiUrl("iscsi://u:p@w/x@host/iqn.x"), "iscsi://host/iqn.x");
    EXPECT_EQ(scrubIscsiUrl("iscsi://host/iqn.x/1?target_user=t&target_password=secret"),
              "iscsi://host/iqn.x/1");
    EXPECT_EQ(scrubIscsiUrl("iscsi://host/iqn.x"), "iscsi://host/iqn.x");
    EXPECT_EQ(scrubIscsiUrl("iscs://u%secret@host/iqn.x"), "(not an iSCSI URL)");
    EXPECT_EQ(scrubIscsiUrl("/dev/sg0"), "/dev/sg0");
}

TEST(IscsiPlanTest, OnePortalIsOneAdapterWithItsTargetsInOrder) {
    const std::vector<IscsiUrl> urls{
        parseIscsiUrl("iscsi://Host/iqn.b/2", Empty),
        parseIscsiUrl("iscsi://other:3261/iqn.c", Empty),
        parseIscsiUrl("iscsi://host:3260/iqn.a/1", Empty),
        parseIscsiUrl("iscsi://host/IQN.B/0", Empty),
        parseIscsiUrl("iscsi://host/iqn.b/2", Empty),
        parseIscsiUrl("iscsi://host:3262/iqn.a", Empty),
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

TEST(IscsiTransportTest, WithoutUrlsItIsAbsentAndABadUrlIsRefusedAtOnce) {
    IscsiTransport none(std::vector<std::string>{});
    EXPECT_EQ(none.open(), Transport::Presence::Absent);
    EXPECT_EQ(none.adapterCount(), 0);
    EXPECT_THROW(IscsiTransport({"iscsi://host/iqn.x/1", "iscsi://u%pw@host"}),
                 std::invalid_argument);
}

} // namespace
} // namespace quillon::scsi
