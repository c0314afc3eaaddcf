#pragma once

#include "app/CommandArguments.h"

namespace quillon::app {

class CliSession;

// quillon-cli copy-drive: the two-drive copy of "2 Drive Copy" with the two
// addresses in place of the window's list selection and --start/--end in
// place of its range fields (--end 0 or absent: the source's last block).
// Prints the log lines and the boxes' texts, with the progress line on a
// terminal. Returns 0 only when the copy completed, else 1 with the reason
// on standard error.
int RunCopyDrive(CliSession& session, const CommandArguments& arguments);

} // namespace quillon::app
