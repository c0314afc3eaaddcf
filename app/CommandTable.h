#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace quillon::app {

class CliSession;
class CommandArguments;

// What an operand or an option value must be; checked when the command line
// is read, before anything is sent to a drive.
enum class ValueKind : std::uint8_t {
    Flag,        // an option without a value
    Address,     // H:T:L
    Hex,         // a 32-bit number in hexadecimal, a leading minus allowed
    Decimal,     // a 32-bit number in decimal, a leading minus allowed
    Count,       // a byte count, 0 to 16 MiB
    Text,        // anything
    InputFile,   // a file that is read
    OutputFile,  // a file that is written
    CommandName, // the name of a quillon-cli command
};

// One option of a command, "--NAME VALUE".
struct OptionSpec {
    std::string_view Name; // with the dashes
    ValueKind Kind;
    std::string_view ValueName; // in the usage line; empty for a flag
    std::string_view Help;
    std::string_view Default = {};  // the value when the option is not given
    bool Repeatable = false;        // given any number of times
    std::string_view Excludes = {}; // an option it cannot go with
    bool Required = false;          // must be given
};

// One operand of a command, in the order they are given.
struct OperandSpec {
    std::string_view Name; // as the usage line shows it
    ValueKind Kind;
    std::string_view Help;
    bool Optional = false;
    bool Rest = false; // takes every remaining word
};

// Where a command is listed in the overview.
enum class CommandGroup : std::uint8_t { Operations, Requests, Program };

// One quillon-cli command: the dispatch, both help texts, the usage errors
// and the bash completion are all made from these entries.
struct CommandSpec {
    std::string_view Name;
    CommandGroup Group;
    std::span<const OperandSpec> Operands;
    std::span<const OptionSpec> Options;
    std::string_view Summary; // one line of the overview
    std::string_view Details; // the rest of "help COMMAND"
    // Runs the command; returns the exit status.
    int (*Run)(CliSession& session, const CommandArguments& arguments);
    bool Draws = false;          // needs Qt's graphics (a map, a plot)
    double DefaultTimeScale = 0; // the simulated drives' speed without --time-scale
};

// Every command, in the order the overview lists them.
std::span<const CommandSpec> Commands();
// The command of that name, or nullptr.
const CommandSpec* FindCommand(std::string_view name);

} // namespace quillon::app
