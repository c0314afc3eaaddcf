#pragma once

#include "app/CommandArguments.h"
#include "app/ProgramOptions.h"

#include <optional>

namespace quillon::app {

// A quillon-cli command line, read: the program's own options and the
// command to run with its arguments.
struct Invocation {
    AdapterOptions adapters;
    bool verbose = false;
    bool quiet = false;
    bool version = false;                    // --version: nothing else is run
    std::optional<CommandArguments> command; // set unless version
};

// Reads a quillon-cli command line against the command table. --help
// anywhere asks for the help of the command named (or the overview), before
// anything else is checked. Throws UsageError, naming the command when one
// was recognised.
Invocation ParseCommandLine(int argc, const char* const* argv);

} // namespace quillon::app
