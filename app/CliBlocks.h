#pragma once

namespace quillon::app {

class CliSession;
class CommandArguments;

// quillon-cli read, long-read, write and long-write: the main window's
// single-block buttons with the sector editor on a terminal. A read prints
// the block as the editor shows it (line label, sixteen bytes, the ASCII
// text) and with --out saves its raw bytes; a write puts the bytes of --in
// FILE into the editor and presses its WRITE once, at the command's LBA.
// Each returns the exit status.
int RunReadBlock(CliSession& session, const CommandArguments& arguments);
int RunLongReadBlock(CliSession& session, const CommandArguments& arguments);
int RunWriteBlock(CliSession& session, const CommandArguments& arguments);
int RunLongWriteBlock(CliSession& session, const CommandArguments& arguments);

} // namespace quillon::app
