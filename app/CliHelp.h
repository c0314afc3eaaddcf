#pragma once

#include "app/CommandTable.h"

#include <string>

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

// help [COMMAND] and completion as commands.
int RunHelp(CliSession& session, const CommandArguments& arguments);
int RunCompletion(CliSession& session, const CommandArguments& arguments);

} // namespace quillon::app
