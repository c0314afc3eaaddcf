#pragma once

namespace quillon::app {

class CliSession;
class CommandArguments;

// quillon-cli verify, copy-block and copy-disk: the main window's Verify,
// Copy Block and Copy Disk, with the fields of the range dialog given as
// options (OK pressed at once) and the progress window as the progress
// line. copy-disk asks "Change Drive" on the terminal unless --yes answers
// OK. Each prints the operation's log lines and returns the exit status: 0
// only when every block asked for was verified or copied.
int RunVerify(CliSession& session, const CommandArguments& arguments);
int RunCopyBlock(CliSession& session, const CommandArguments& arguments);
int RunCopyDisk(CliSession& session, const CommandArguments& arguments);

} // namespace quillon::app
