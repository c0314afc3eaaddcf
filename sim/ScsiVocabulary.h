#pragma once

#include "scsicore/ScsiConstants.h"
#include "scsicore/SenseData.h"

#include <chrono>

// The simulated drive speaks the SCSI vocabulary every layer shares; these
// names bring it into the simulator, with the time unit of its model.
namespace quillon::sim {

using Nanos = std::chrono::nanoseconds;

namespace op = scsicore::op;
namespace status = scsicore::status;
namespace sense_key = scsicore::sense_key;
using scsicore::cdbLengthOf;
using scsicore::SenseData;

} // namespace quillon::sim
