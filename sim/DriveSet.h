#pragma once

#include "SimTarget.h"

#include <cstdint>
#include <map>
#include <memory>

namespace quillon::sim {

// The simulated drives on one bus, by target ID.
using DriveSet = std::map<std::uint8_t, std::unique_ptr<SimTarget>>;

// The demonstration set: an MO drive with a 230 MB cartridge at ID 2, one
// with a 640 MB cartridge at ID 4, and a fixed disk at ID 5.
DriveSet defaultDriveSet();

} // namespace quillon::sim
