#include "IscsiUrl.h"

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
        {"iscsi://u%pw@host/iqn.x/1?target_password:hunter2", "unknown option"},
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

TEST(IscsiUrlTest, CredentialsAreSplitOffBeforeAnythingElse) {
    // A password may hold '?', '@', '/' and '%'; a target password may hold '@'.
    const IscsiUrl url = parseIscsiUrl("iscsi://user%Se?c@r/et@host/iqn.x/1", Empty);
    EXPECT_EQ(url.user, "user");
    EXPECT_EQ(url.password, "Se?c@r/et");
    EXPECT_EQ(url.display(), "iscsi://host:3260/iqn.x/1");
    const IscsiUrl target =
        parseIscsiUrl("iscsi://u%p@host/iqn.x?target_user=t@x&target_password=a@b/c", Empty);
    EXPECT_EQ(target.password, "p");
    EXPECT_EQ(target.targetUser, "t@x");
    EXPECT_EQ(target.targetPassword, "a@b/c");
    EXPECT_EQ(parseIscsiUrl("iscsi://host/iqn.x?target_password=a@b/c", Empty).user, "");

    // Messages show the location alone, whole: a password of one letter or
    // of the characters used to hide it changes nothing in them.
    for (const char* password : {"Secret?x", "e", "*", "n"}) {
        const std::string message =
            refusal("iscsi://user%" + std::string(password) + "@host/iqn.x/1?header_digest=md5");
        EXPECT_EQ(message, "\"iscsi://host/iqn.x/1\" is not a usable iSCSI URL: header_digest "
                           "must be none or crc32c (iscsi://[user[%password]@]host[:port]/"
                           "target[/lun])")
            << password;
    }
}

TEST(IscsiUrlTest, ArgumentsAreShownWithoutTheirCredentials) {
    EXPECT_EQ(shownArgument("iscsi://user%Secret?x@host/iqn.x"), "iscsi://host/iqn.x");
    EXPECT_EQ(shownArgument("--iscsi=iscsi://u%pw@host/iqn.x?target_password=tp"),
              "--iscsi=iscsi://host/iqn.x");
    EXPECT_EQ(shownArgument("u%pw@host"), "(not an iSCSI URL)");
    EXPECT_EQ(shownArgument("0:2:0"), "0:2:0");
}

TEST(IscsiUrlTest, WipingForgetsThePasswordsAndKeepsTheRest) {
    IscsiUrl url = parseIscsiUrl(
        "iscsi://u%hunter2@host/iqn.x/1?target_user=t&target_password=swordfish", Empty);
    wipeIscsiSecrets(url);
    EXPECT_TRUE(url.password.empty());
    EXPECT_TRUE(url.targetPassword.empty());
    EXPECT_EQ(url.user, "u");
    EXPECT_EQ(url.targetUser, "t");
    EXPECT_EQ(url.display(), "iscsi://host:3260/iqn.x/1");
}

} // namespace
} // namespace quillon::scsi
