#pragma once

#include "app/CommandArguments.h"

#include <string>

namespace quillon::app {

class CliSession;

// quillon-cli ber: the bit error rate test in long-write mode, launched and
// run as from the main window (--start, --end, --skip in hexadecimal as the
// window's fields), the end question answered Abort; optionally the disc map
// saved as PNG (--map) and the run's figures as JSON (--report). Ctrl-C acts
// as STOP. Needs a QGuiApplication for the map. Returns the exit status.
int RunBitErrorRate(CliSession& session, const CommandArguments& arguments);

// quillon-cli safe-ber: the bit error rate test in read mode, with the same
// options, map and report; nothing is written to the medium. Ctrl-C stops
// after the track, once correction is back on.
int RunSafeBitErrorRate(CliSession& session, const CommandArguments& arguments);

} // namespace quillon::app
