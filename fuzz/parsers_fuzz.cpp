// Feeds arbitrary input to the parsers of what a user types and what an iSCSI
// target answers. The first byte picks one (its value modulo 3, so the seeds
// start with a readable '0', '1' or '2') and the rest is its input:
//   0  a simulated drive set: it is built or refused with invalid_argument;
//   1  an iSCSI URL with credentials, "user\npassword\nrest": no message, no
//      scrubbed or displayed form of the URL may show the password;
//   2  a REPORT LUNS answer: the LUNs come ascending, at most one per entry
//      that was received.
#include "scsi/IscsiPlan.h"
#include "scsi/IscsiUrl.h"
#include "sim/DriveSet.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace {

using namespace quillon;

void require(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "parsers_fuzz: %s\n", what);
        std::abort();
    }
}

void fuzzDriveSet(std::string_view text) {
    if (text.find("image=") != std::string_view::npos) {
        return; // an image file would be created or read: the file system is not fuzzed here
    }
    try {
        const sim::DriveSet set = sim::parseDriveSet(text);
        require(set.empty() || set.rbegin()->first < 7, "a drive at the adapter's own ID");
    } catch (const std::invalid_argument&) {
        // Refused: the only other outcome allowed.
    }
}

// The password starts with a byte no other part of the URL may hold, not
// even as the escape a target name may write it in, so any copy of it in a
// message came from the password.
constexpr char PasswordMark = '\x01';
constexpr std::string_view EscapedMark = "%01";

bool holdsMark(std::string_view part) {
    return part.find(PasswordMark) != std::string_view::npos ||
           part.find(EscapedMark) != std::string_view::npos;
}

// Where the query after the credentials starts: at the first option the
// parser knows, the only '?' that ends credentials.
std::size_t queryStart(std::string_view text) {
    std::size_t start = std::string_view::npos;
    for (const std::string_view key : {"?header_digest=", "?target_user=", "?target_password="}) {
        start = std::min(start, text.find(key));
    }
    return start;
}

// Whether "iscsi://user%password@rest" gives exactly that user and password:
// neither may hold a query option, the user no '%', and no '@' may follow
// in the rest before its query (the credentials end at the last one).
bool namesItsPassword(std::string_view user, std::string_view password, std::string_view rest) {
    return queryStart(user) == std::string_view::npos &&
           queryStart(password) == std::string_view::npos &&
           user.find('%') == std::string_view::npos &&
           rest.substr(0, queryStart(rest)).find('@') == std::string_view::npos;
}

void requireHidden(std::string_view shown, const std::string& password, const char* what) {
    require(shown.find(password) == std::string_view::npos, what);
}

// Cuts the next field, up to a newline, off the front of the input.
std::string_view nextField(std::string_view& input) {
    const auto end = input.find('\n');
    const std::string_view field = input.substr(0, end);
    input = end == std::string_view::npos ? std::string_view{} : input.substr(end + 1);
    return field;
}

void fuzzIscsiUrl(std::string_view input) {
    const std::string_view user = nextField(input);
    const std::string password = PasswordMark + std::string(nextField(input));
    const std::string_view rest = input;
    if (holdsMark(user) || holdsMark(rest)) {
        return;
    }
    const std::string url =
        "iscsi://" + std::string(user) + "%" + password + "@" + std::string(rest);
    requireHidden(scsi::scrubIscsiUrl(url), password, "scrubIscsiUrl shows the password");
    requireHidden(scsi::shownArgument(url), password, "shownArgument shows the password");
    const scsi::EnvironmentLookup noEnvironment = [](const char*) -> const char* {
        return nullptr;
    };
    try {
        const scsi::IscsiUrl parsed = scsi::parseIscsiUrl(url, noEnvironment);
        requireHidden(parsed.display(), password, "display() shows the password");
        require(parsed.password == password || !namesItsPassword(user, password, rest),
                "the parsed password is not the one in the URL");
    } catch (const std::invalid_argument& refusal) {
        requireHidden(refusal.what(), password, "the refusal shows the password");
    }
}

void fuzzReportLuns(std::span<const std::uint8_t> answer) {
    const auto luns = scsi::lunsFromReportLuns(answer);
    const std::size_t received = answer.size() < 8 ? 0 : (answer.size() - 8) / 8;
    require(luns.size() <= received, "more LUNs than entries received");
    for (std::size_t i = 1; i < luns.size(); ++i) {
        require(luns[i - 1] < luns[i], "the LUNs are not ascending without repeats");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const auto rest = std::span(data + 1, size - 1);
    const std::string_view text(reinterpret_cast<const char*>(rest.data()), rest.size());
    switch (data[0] % 3) {
    case 0:
        fuzzDriveSet(text);
        break;
    case 1:
        fuzzIscsiUrl(text);
        break;
    default:
        fuzzReportLuns(rest);
        break;
    }
    return 0;
}
