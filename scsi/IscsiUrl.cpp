#include "IscsiUrl.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <system_error>

namespace quillon::scsi {

namespace {

constexpr std::string_view Scheme = "iscsi://";

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

template <typename Number> bool parseNumber(std::string_view text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc{} && end == text.data() + text.size();
}

// Overwrites a secret's bytes before letting it go.
void wipe(std::string& secret) {
    volatile char* bytes = secret.data();
    for (std::size_t i = 0; i < secret.size(); ++i) {
        bytes[i] = 0;
    }
    secret.clear();
}

} // namespace

std::string IscsiUrl::portal() const {
    return host + ":" + std::to_string(port);
}

std::string IscsiUrl::display() const {
    std::string text = std::string(Scheme) + portal() + "/" + target;
    if (lun) {
        text += "/" + std::to_string(*lun);
    }
    return text;
}

namespace {

// The three parts of what follows "iscsi://": the credentials (user and
// password), the location (host, port, target, LUN) and the query. They are
// split before anything else is read, so that no message about the rest can
// show a password. Host and target names hold neither '@' nor '?', while a
// password may hold anything: the credentials end at the last '@' before the
// query, which starts at the first of its known keys ("?target_password=",
// which may itself hold '@'), and the location ends at the first '?' after
// the credentials.
struct UrlParts {
    std::optional<std::string_view> credentials;
    std::string_view location;
    std::string_view query;
};

UrlParts splitUrl(std::string_view rest) {
    std::size_t queryMark = std::string_view::npos;
    for (const std::string_view key : {"?header_digest=", "?target_user=", "?target_password="}) {
        queryMark = std::min(queryMark, rest.find(key));
    }
    UrlParts parts;
    if (const auto at = rest.substr(0, queryMark).rfind('@'); at != std::string_view::npos) {
        parts.credentials = rest.substr(0, at);
        rest.remove_prefix(at + 1);
    }
    const auto mark = rest.find('?');
    parts.location = rest.substr(0, mark);
    if (mark != std::string_view::npos) {
        parts.query = rest.substr(mark + 1);
    }
    return parts;
}

} // namespace

std::string scrubIscsiUrl(std::string_view url) {
    if (url.substr(0, Scheme.size()) != Scheme) {
        return url.find('@') == std::string_view::npos ? std::string(url) : "(not an iSCSI URL)";
    }
    return std::string(Scheme) + std::string(splitUrl(url.substr(Scheme.size())).location);
}

std::string shownArgument(std::string_view word) {
    const auto scheme = word.find(Scheme);
    if (scheme == std::string_view::npos) {
        return scrubIscsiUrl(word);
    }
    return std::string(word.substr(0, scheme)) + scrubIscsiUrl(word.substr(scheme));
}

void wipeIscsiSecrets(IscsiUrl& url) {
    wipe(url.password);
    wipe(url.targetPassword);
}

namespace {

// Throws invalid_argument for an unusable URL, named by its location alone.
[[noreturn]] void refuseUrl(std::string_view location, const std::string& why) {
    throw std::invalid_argument("\"" + std::string(Scheme) + std::string(location) +
                                "\" is not a usable iSCSI URL: " + why +
                                " (iscsi://[user[%password]@]host[:port]/target[/lun])");
}

// A variable of the environment (getenv when no lookup is given), "" if unset.
std::string environmentValue(const EnvironmentLookup& environment, const char* name) {
    const char* value = environment ? environment(name) : std::getenv(name);
    return value != nullptr ? value : "";
}

// Reads the user and password written before '@'.
void readCredentials(std::string_view location, std::string_view credentials, IscsiUrl& parsed) {
    auto split = credentials.find('%');
    if (split == std::string_view::npos) {
        split = credentials.find(':');
    }
    parsed.user = std::string(credentials.substr(0, split));
    if (split != std::string_view::npos) {
        parsed.password = std::string(credentials.substr(split + 1));
    }
    if (parsed.user.empty()) {
        refuseUrl(location, "no user name before '@'");
    }
    if (parsed.password.empty()) {
        refuseUrl(location,
                  "user " + parsed.user +
                      " has no password (give it after '%' or in LIBISCSI_CHAP_PASSWORD)");
    }
}

// Reads a bracketed IPv6 host into parsed.host; returns the port text after it.
std::string_view readBracketedHost(std::string_view location, std::string_view hostPort,
                                   IscsiUrl& parsed) {
    const auto close = hostPort.find(']');
    if (close == std::string_view::npos) {
        refuseUrl(location, "no ']' after the IPv6 address");
    }
    parsed.host = std::string(hostPort.substr(0, close + 1));
    const std::string_view after = hostPort.substr(close + 1);
    if (after.empty()) {
        return {};
    }
    if (after.front() != ':') {
        refuseUrl(location, "text after the IPv6 address");
    }
    const std::string_view portText = after.substr(1);
    if (portText.empty()) {
        refuseUrl(location, "no port after ':'");
    }
    return portText;
}

// Reads an unbracketed host into parsed.host; returns the port text after it.
std::string_view readPlainHost(std::string_view location, std::string_view hostPort,
                               IscsiUrl& parsed) {
    const auto colon = hostPort.find(':');
    parsed.host = std::string(hostPort.substr(0, colon));
    if (colon == std::string_view::npos) {
        return {};
    }
    const std::string_view portText = hostPort.substr(colon + 1);
    if (portText.find(':') != std::string_view::npos) {
        refuseUrl(location, "an IPv6 address must be written in brackets");
    }
    if (portText.empty()) {
        refuseUrl(location, "no port after ':'");
    }
    return portText;
}

// Reads "host[:port]" into parsed.host and parsed.port.
void readHostPort(std::string_view location, std::string_view hostPort, IscsiUrl& parsed) {
    const std::string_view portText = !hostPort.empty() && hostPort.front() == '['
                                          ? readBracketedHost(location, hostPort, parsed)
                                          : readPlainHost(location, hostPort, parsed);
    if (parsed.host.empty() || parsed.host == "[]") {
        refuseUrl(location, "no host");
    }
    if (!portText.empty()) {
        unsigned port = 0;
        if (!parseNumber(portText, port) || port == 0 || port > 65535) {
            refuseUrl(location, "the port must be a number 1-65535");
        }
        parsed.port = static_cast<std::uint16_t>(port);
    }
}

// The target name with its %XX escapes resolved.
std::string unescapedTarget(std::string_view location, std::string_view target) {
    std::string name;
    for (std::size_t i = 0; i < target.size(); ++i) {
        if (target[i] != '%') {
            name += target[i];
            continue;
        }
        const int high = i + 1 < target.size() ? hexDigit(target[i + 1]) : -1;
        const int low = i + 2 < target.size() ? hexDigit(target[i + 2]) : -1;
        if (high < 0 || low < 0) {
            refuseUrl(location, "a '%' in the target name must start an escape like %3A");
        }
        name += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return name;
}

// Reads "target[/lun]" into parsed.target and parsed.lun.
void readTargetPath(std::string_view location, std::string_view path, IscsiUrl& parsed) {
    const auto lunSlash = path.find('/');
    const std::string_view target = path.substr(0, lunSlash);
    if (target.empty()) {
        refuseUrl(location, "no target name");
    }
    parsed.target = unescapedTarget(location, target);
    if (lunSlash == std::string_view::npos) {
        return;
    }
    const std::string_view lunText = path.substr(lunSlash + 1);
    if (!lunText.empty()) {
        unsigned lun = 0;
        if (!parseNumber(lunText, lun) || lun > 255) {
            refuseUrl(location, "the LUN must be a number 0-255");
        }
        parsed.lun = static_cast<std::uint8_t>(lun);
    }
}

// An unknown option's name as a refusal may show it: a word alone, since
// other text there (a target password after ':' instead of '=', or
// credentials that the query took in) may be a secret.
std::string shownOptionName(std::string_view key) {
    const bool word = !key.empty() && std::all_of(key.begin(), key.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-';
    });
    return word ? " " + std::string(key) : "";
}

// Applies one key=value option of the query.
void readOption(std::string_view location, std::string_view item, IscsiUrl& parsed) {
    const auto equals = item.find('=');
    const std::string_view key = item.substr(0, equals);
    const std::string_view value =
        equals == std::string_view::npos ? std::string_view{} : item.substr(equals + 1);
    if (key == "header_digest") {
        if (value != "none" && value != "crc32c") {
            refuseUrl(location, "header_digest must be none or crc32c");
        }
        parsed.headerDigest = value == "crc32c";
    } else if (key == "target_user") {
        parsed.targetUser = std::string(value);
    } else if (key == "target_password") {
        parsed.targetPassword = std::string(value);
    } else {
        refuseUrl(location, "unknown option" + shownOptionName(key));
    }
}

// Applies the '&'-separated options of the query, skipping empty ones.
void readOptions(std::string_view location, std::string_view query, IscsiUrl& parsed) {
    while (!query.empty()) {
        const auto amp = query.find('&');
        const std::string_view item = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view{} : query.substr(amp + 1);
        if (!item.empty()) {
            readOption(location, item, parsed);
        }
    }
}

} // namespace

IscsiUrl parseIscsiUrl(std::string_view url, const EnvironmentLookup& environment) {
    if (url.substr(0, Scheme.size()) != Scheme) {
        throw std::invalid_argument(
            "\"" + scrubIscsiUrl(url) +
            "\" is not a usable iSCSI URL: it does not start with "
            "iscsi:// (iscsi://[user[%password]@]host[:port]/target[/lun])");
    }
    IscsiUrl parsed;
    const UrlParts parts = splitUrl(url.substr(Scheme.size()));
    const std::string_view location = parts.location;

    parsed.user = environmentValue(environment, "LIBISCSI_CHAP_USERNAME");
    parsed.password = environmentValue(environment, "LIBISCSI_CHAP_PASSWORD");
    parsed.targetUser = environmentValue(environment, "LIBISCSI_CHAP_TARGET_USERNAME");
    parsed.targetPassword = environmentValue(environment, "LIBISCSI_CHAP_TARGET_PASSWORD");

    if (parts.credentials) {
        readCredentials(location, *parts.credentials, parsed);
    }
    const auto slash = location.find('/');
    if (slash == std::string_view::npos) {
        refuseUrl(location, "no target name");
    }
    readHostPort(location, location.substr(0, slash), parsed);
    readTargetPath(location, location.substr(slash + 1), parsed);
    readOptions(location, parts.query, parsed);
    return parsed;
}

} // namespace quillon::scsi
