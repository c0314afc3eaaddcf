#pragma once

#include "app/CommandTable.h"

#include <span>
#include <string>
#include <utility>
#include <vector>

namespace quillon::app {

// The help texts of quillon-cli and its bash completion, all made from the
// command table.

// quillon-cli --help: the commands with their one-line summaries and the
// program's options.
std::string CliOverview();
// quillon-cli help COMMAND: the command's usage, what it does, its operands
// and its options with their defaults.
std::string CommandHelp(const CommandSpec& command);
// "Usage: quillon-cli [OPTION]... COMMAND OPERANDS [OPTIONS]", shown with a
// usage error; the general one for no command.
std::string UsageLine(const CommandSpec* command);
// A bash completion script for quillon-cli: commands, options, and file
// names for the options that take a file.
std::string BashCompletion();

// The pieces the help texts are made of, which the manual page shows too.

// What quillon-cli is and how drives are addressed, one paragraph.
std::string_view CliIntroduction();
// --verbose, --quiet, --help and --version as --help lists them.
std::string_view CliProgramFlagsHelp();
// The paragraph "Exit status: ..." of --help.
std::string_view CliExitStatusHelp();
// Each group of commands with the line that introduces it in the overview.
std::span<const std::pair<CommandGroup, std::string_view>> CommandGroupTitles();
// The command's synopsis in words: name, operands, options (two options that
// exclude each other in one bracket).
std::vector<std::string> CommandSynopsis(const CommandSpec& command);
// The command's summary as a sentence of its own.
std::string CommandSentence(const CommandSpec& command);
// "--NAME VALUE", or "--NAME" for a flag.
std::string OptionWithValue(const OptionSpec& option);
// The option's help with its default.
std::string OptionHelp(const OptionSpec& option);

// help [COMMAND] and completion as commands.
int RunHelp(CliSession& session, const CommandArguments& arguments);
int RunCompletion(CliSession& session, const CommandArguments& arguments);

} // namespace quillon::app
