#pragma once

#include "app/ProgramOptions.h"
#include "scsi/Transport.h"

#include <memory>
#include <string>
#include <vector>

namespace quillon::app {

// The transports the options ask for, in adapter order, with a note for
// each one that is unusable or found nothing (for the log, or standard error
// with --verbose) and the warnings a user must see even without it (for the
// log and standard error).
struct OpenedTransports {
    std::vector<std::unique_ptr<scsi::Transport>> transports;
    std::vector<std::string> notes;
    std::vector<std::string> warnings;

    // The warnings, then the notes: the lines of the window's log.
    std::vector<std::string> logLines() const;
};

// The simulated bus first when asked for, then the Linux SCSI generic hosts,
// then the iSCSI portals. defaultTimeScale is the simulated drives' speed when the
// options do not give one.
OpenedTransports openTransports(const AdapterOptions& options, double defaultTimeScale);

} // namespace quillon::app
