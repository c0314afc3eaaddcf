#pragma once

#include "app/CommandArguments.h"

namespace quillon::app {

class CliSession;

// quillon-cli seek: the random seek test, launched and run as from the main
// window (--max-lba in hexadecimal, default the medium's last block;
// --max-time in ms; --count), the end question answered Abort, then the
// averages and the failed seeks printed. Optionally the plot saved as PNG
// (--plot) and every seek as a CSV row (--csv). Ctrl-C acts as STOP. Needs a
// QGuiApplication for the plot. Returns the exit status: 1 when the test
// could not start.
int RunSeekTest(CliSession& session, const CommandArguments& arguments);

} // namespace quillon::app
