#pragma once

#include "app/ProgramOptions.h"
#include "scsi/Transport.h"

#include <memory>
#include <string>
#include <vector>

namespace quillon::app {

// The transports the options ask for, in adapter order, with a note for
// each one that is unusable or found nothing (for the log or standard error).
struct OpenedTransports {
    std::vector<std::unique_ptr<scsi::Transport>> transports;
    std::vector<std::string> notes;
};

// The simulated bus first when asked for, then the Linux SCSI generic hosts,
// then the iSCSI portals. defaultTimeScale is the simulated drives' speed when the
// options do not give one.
OpenedTransports openTransports(const AdapterOptions& options, double defaultTimeScale);

} // namespace quillon::app
