#pragma once

#include "app/CommandArguments.h"

namespace quillon::app {

class CliSession;

// quillon-cli read-defect: the main window's "Read Defect" with --list
// (primary or grown) and --format (physical or block) in place of the
// selection dialog. Prints the log lines; returns 0 only when the whole list
// was read and shown, else 1 with the reason on standard error. Throws
// UsageError for a --list or --format it does not know.
int RunReadDefect(CliSession& session, const CommandArguments& arguments);

} // namespace quillon::app
