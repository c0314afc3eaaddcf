#pragma once

#include "app/CommandArguments.h"

namespace quillon::app {

class CliSession;

// quillon-cli mode-sense: the main window's Mode Sense, with the error
// recovery editor printed as one line per control (caption, quillon-cli
// name, value). Returns the exit status.
int RunModeSense(CliSession& session, const CommandArguments& arguments);

// quillon-cli mode-select: the main window's Mode Select, the editor's
// controls changed by the --set FIELD=VALUE options (FIELD a quillon-cli
// name of RecoveryFields; a flag takes 0 or 1, a count a decimal number) and
// printed with whether the drive lets each change. Throws UsageError for a
// bad edit before anything is sent. Returns the exit status.
int RunModeSelect(CliSession& session, const CommandArguments& arguments);

} // namespace quillon::app
