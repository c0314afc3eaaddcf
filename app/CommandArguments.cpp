#include "CommandArguments.h"

#include "ProgramOptions.h"
#include "scsi/IscsiUrl.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace quillon::app {

namespace {

constexpr std::uint32_t MaxByteCount = 1u << 24;

// A 32-bit number in the base, a leading minus allowed.
std::optional<std::int32_t> parseInt32(std::string_view text, int base) {
    const bool negative = text.starts_with('-');
    const char* begin = text.data() + (negative ? 1 : 0);
    const char* end = text.data() + text.size();
    std::uint32_t value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value, base);
    if (begin == end || error != std::errc{} || stop != end || value > 0x7FFFFFFFu) {
        return std::nullopt;
    }
    const auto magnitude = static_cast<std::int32_t>(value);
    return negative ? -magnitude : magnitude;
}

std::optional<std::uint32_t> parseUnsigned(std::string_view text, std::uint32_t max) {
    std::uint32_t value = 0;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || stop != text.data() + text.size() || value > max) {
        return std::nullopt;
    }
    return value;
}

// A value as a message quotes it; one that may hold a password is shown
// without it.
std::string inQuotes(std::string_view text) {
    return "\"" + scsi::shownArgument(text) + "\"";
}

// A file the command will read: one that opens, not a directory.
std::string inputFileProblem(const std::string& option, const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        return option + " names a directory: " + path;
    }
    return std::ifstream(path, std::ios::binary) ? "" : "cannot read " + path;
}

// A file the command will write: not a directory, and a file that may be
// written or one that may be made in its directory.
std::string outputFileProblem(const std::string& option, const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        return option + " names a directory: " + path;
    }
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    const std::string target = std::filesystem::exists(path, error) ? path
                               : parent.empty()                     ? "."
                                                                    : parent.string();
    if (access(target.c_str(), W_OK) != 0) {
        return "cannot write " + path + ": " + std::strerror(errno);
    }
    return {};
}

} // namespace

DeviceAddress ParseDeviceAddress(const std::string& text) {
    const auto first = text.find(':');
    const auto second = first == std::string::npos ? first : text.find(':', first + 1);
    const std::string problem = inQuotes(text) + " is not a device address H:T:L";
    if (second == std::string::npos) {
        throw UsageError(problem);
    }
    const std::string_view view(text);
    const auto ha = parseUnsigned(view.substr(0, first), 255);
    const auto target = parseUnsigned(view.substr(first + 1, second - first - 1), 255);
    const auto lun = parseUnsigned(view.substr(second + 1), 255);
    if (!ha || !target || !lun) {
        throw UsageError(problem);
    }
    return {static_cast<std::uint8_t>(*ha), static_cast<std::uint8_t>(*target),
            static_cast<std::uint8_t>(*lun)};
}

std::string CheckValue(ValueKind kind, std::string_view name, const std::string& word) {
    const std::string subject(name);
    switch (kind) {
    case ValueKind::Flag:
    case ValueKind::Text:
        return {};
    case ValueKind::Address:
        try {
            ParseDeviceAddress(word);
            return {};
        } catch (const UsageError& error) {
            return error.what();
        }
    case ValueKind::Hex:
        return parseInt32(word, 16)
                   ? ""
                   : subject + " needs a hexadecimal number, not " + inQuotes(word);
    case ValueKind::Decimal:
        return parseInt32(word, 10) ? ""
                                    : subject + " needs a decimal number, not " + inQuotes(word);
    case ValueKind::Count:
        return parseUnsigned(word, MaxByteCount)
                   ? ""
                   : subject + " needs a byte count from 0 to 16777216, not " + inQuotes(word);
    case ValueKind::InputFile:
        return inputFileProblem(subject, word);
    case ValueKind::OutputFile:
        return outputFileProblem(subject, word);
    case ValueKind::CommandName:
        return FindCommand(word) != nullptr ? "" : "unknown command " + inQuotes(word);
    }
    return {};
}

DeviceAddress CommandArguments::Address(std::string_view operand) const {
    return ParseDeviceAddress(Words(operand).at(0));
}

std::vector<std::string> CommandArguments::Words(std::string_view name) const {
    const auto given = words_.find(std::string(name));
    if (given != words_.end()) {
        return given->second;
    }
    const auto options = command_->Options;
    const auto option = std::find_if(options.begin(), options.end(),
                                     [&](const OptionSpec& known) { return known.Name == name; });
    if (option != options.end() && !option->Default.empty()) {
        return {std::string(option->Default)};
    }
    return {};
}

std::optional<std::string> CommandArguments::Text(std::string_view name) const {
    const auto words = Words(name);
    return words.empty() ? std::nullopt : std::optional(words.front());
}

std::optional<std::int32_t> CommandArguments::Hex(std::string_view name) const {
    const auto text = Text(name);
    return text ? parseInt32(*text, 16) : std::nullopt;
}

std::optional<std::int32_t> CommandArguments::Decimal(std::string_view name) const {
    const auto text = Text(name);
    return text ? parseInt32(*text, 10) : std::nullopt;
}

std::optional<std::uint32_t> CommandArguments::Count(std::string_view name) const {
    const auto text = Text(name);
    return text ? parseUnsigned(*text, MaxByteCount) : std::nullopt;
}

bool CommandArguments::Flag(std::string_view name) const {
    return words_.contains(std::string(name));
}

} // namespace quillon::app
