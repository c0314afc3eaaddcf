#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quillon::scsi {

// One iSCSI address as libiscsi writes it:
//
//   iscsi://[user[%password]@]host[:port]/target-iqn[/lun][?key=value&...]
//
// The user and password may also be separated by ':'. Without them in the
// URL they come from LIBISCSI_CHAP_USERNAME and LIBISCSI_CHAP_PASSWORD, as
// libiscsi's own tools take them, so a password need never be typed into a
// command line. The target name may carry %XX escapes (%3A for ':'). Keys:
// header_digest=none|crc32c, target_user and target_password (mutual CHAP,
// also LIBISCSI_CHAP_TARGET_USERNAME and LIBISCSI_CHAP_TARGET_PASSWORD).
struct IscsiUrl {
    std::string host; // as written; an IPv6 address keeps its brackets
    std::uint16_t port = 3260;
    std::string target;              // the target's IQN, unescaped
    std::optional<std::uint8_t> lun; // none: every LUN the target reports
    std::string user;
    std::string password;
    std::string targetUser;
    std::string targetPassword;
    bool headerDigest = false; // CRC32C header digests

    // "host:port", as libiscsi connects to it and as the adapter is known.
    std::string portal() const;
    // The URL without its credentials, for messages.
    std::string display() const;
};

// How the parser reads the environment; getenv by default.
using EnvironmentLookup = std::function<const char*(const char*)>;

// Parses one URL. Throws std::invalid_argument whose message names the URL
// without its credentials.
IscsiUrl parseIscsiUrl(std::string_view url, const EnvironmentLookup& environment = {});

// Any text given as an iSCSI URL by its location alone (host, port, target,
// LUN), without the credentials before '@' and the query after '?'; text
// that does not even look like a URL comes back as "(not an iSCSI URL)" when
// it holds an '@'.
std::string scrubIscsiUrl(std::string_view url);

// A word of a command line as a message may quote it: any iSCSI URL in it
// by its location alone, as scrubIscsiUrl gives it.
std::string shownArgument(std::string_view word);

// Overwrites the URL's passwords in memory and empties them, once they are
// needed no more.
void wipeIscsiSecrets(IscsiUrl& url);

} // namespace quillon::scsi
