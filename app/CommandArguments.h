#pragma once

#include "app/CommandTable.h"
#include "console/DriveConsole.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::app {

using console::DeviceAddress;

// Checks one word against what it must be; the reason it is not, or "" when
// it is. name is the option or operand the word was given for.
std::string CheckValue(ValueKind kind, std::string_view name, const std::string& word);

// A device address as the user types it, H:T:L; throws UsageError for
// anything but three numbers 0-255 separated by colons.
DeviceAddress ParseDeviceAddress(const std::string& text);

// The operands and options of one command as given, checked against the
// command's entry, with the defaults of options not given.
class CommandArguments {
public:
    CommandArguments(const CommandSpec& command,
                     std::map<std::string, std::vector<std::string>> words)
        : command_(&command), words_(std::move(words)) {}

    const CommandSpec& Command() const { return *command_; }

    // A device address operand.
    DeviceAddress Address(std::string_view operand = "H:T:L") const;
    // The words of an operand or option, in the order given; an option not
    // given has its default, if any.
    std::vector<std::string> Words(std::string_view name) const;
    std::optional<std::string> Text(std::string_view name) const;
    std::optional<std::int32_t> Hex(std::string_view name) const;
    std::optional<std::int32_t> Decimal(std::string_view name) const;
    std::optional<std::uint32_t> Count(std::string_view name) const;
    bool Flag(std::string_view name) const;

private:
    const CommandSpec* command_;
    std::map<std::string, std::vector<std::string>> words_;
};

} // namespace quillon::app
