#pragma once

#include "SimTarget.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string_view>

namespace quillon::sim {

// The simulated drives on one bus, by target ID.
using DriveSet = std::map<std::uint8_t, std::unique_ptr<SimTarget>>;

// The demonstration set: an MO drive with a 230 MB cartridge at ID 2, one
// with a 640 MB cartridge at ID 4, and a fixed disk at ID 5.
DriveSet defaultDriveSet();

// A set described as comma-separated logical units, each
//   ID[.LUN]=MEDIUM[+MEDIUM...][:OPTION...]
// with target IDs 0-7 (not 7, the adapter's own), LUNs 0-7, media by profile
// name (the first is loaded, the others wait in the changer) and the options
// wp (the loaded cartridge is write-protected; wp=N the Nth of the list,
// 1 being the loaded one: the tab goes in and out with the cartridge),
// legacy-sense (4-byte
// non-extended sense), no-save (MODE SELECT cannot save pages), fixed-page
// (no field of the error recovery page may change), no-dcr (correction
// cannot be switched off: DCR may not change), ua (the power-on unit
// attention still pending; without it the drive starts as on a running
// system, whose host took that attention long ago; no-ua says so
// explicitly), seed=N,
// error-rate=R (random raw byte errors) and fail=OP-ANSWER (every command
// with operation code OP, hexadecimal, answered busy, conflict, hang or
// CHECK CONDITION with the sense KEY.ASC.ASCQ, hexadecimal) and
// burst=LBA.OFFSET.LENGTH (decimal: LENGTH raw bytes from OFFSET of that long
// sector always read back wrong), grown=LBA.COUNT (decimal: COUNT blocks
// from LBA join the grown defect list), index-defects (the defect lists are
// reported in bytes from index format, whatever format is asked) and
// image=FILE (the loaded medium's sectors and grown defects kept in that
// file from one run to the next, see MediumImage; the media waiting in the
// changer start blank).
// Example: "2=mo230+mo640:wp,5=disk:fail=1b-busy".
// Throws std::invalid_argument with a message for the user.
DriveSet parseDriveSet(std::string_view text);

// The names of the media profiles, for help texts: "mo128, mo230, …".
std::string mediaProfileNames();

} // namespace quillon::sim
