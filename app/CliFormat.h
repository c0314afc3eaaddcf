#pragma once

namespace quillon::app {

class CliSession;
class CommandArguments;

// quillon-cli format and zero-format: the main window's Format and
// ZeroFormat. The question is asked on the terminal (standard input), or
// answered OK by --yes; without a terminal on standard input and without
// --yes the command refuses to run (a usage error), as a format destroys the
// medium's contents. While the drive formats, the elapsed time is shown on
// the progress line. Returns 0 only when the format completed, else 1 with
// the reason on standard error.
int RunFormat(CliSession& session, const CommandArguments& arguments);
int RunZeroFormat(CliSession& session, const CommandArguments& arguments);

} // namespace quillon::app
