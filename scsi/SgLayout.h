#pragma once

#include "Transport.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace quillon::scsi {

// One /dev/sgN node and the address SG_GET_SCSI_ID gave for it.
struct SgDevice {
    std::string path;
    int hostNo = 0;
    int channel = 0;
    int scsiId = 0;
    int lun = 0;
    int scsiType = 0;   // peripheral device type
    int queueDepth = 1; // commands the kernel queues to the device at once
};

// One host adapter as the transport presents it: the devices of one channel
// of one Linux SCSI host.
struct SgAdapterLayout {
    int hostNo = 0;
    int channel = 0;
    // (target ID, LUN) -> index into the device list given to layoutAdapters.
    std::map<std::pair<std::uint8_t, std::uint8_t>, std::size_t> devices;
    int highestTarget = -1;
};

struct SgLayout {
    std::vector<SgAdapterLayout> adapters;
    // Devices that no (adapter, target, LUN) can reach, with the reason.
    std::vector<std::string> unreachable;
};

// Groups discovered devices into adapters: one per (host, channel) pair, in
// ascending host then channel order, so a one-channel host is one adapter.
// Target IDs and LUNs above 255 do not fit the transport's addresses and are
// left out; so is a second node at an address already taken.
SgLayout layoutAdapters(const std::vector<SgDevice>& devices);

// What the system tells about a host besides its devices.
struct SgHostFacts {
    std::string procName;          // the low-level driver, from sysfs
    int driverVersion = 0;         // SG_GET_VERSION_NUM, e.g. 30536
    std::uint32_t maxTransfer = 0; // bytes one command may move; 0: unknown
};

// The adapter inquiry answer for a layout. The adapter's own SCSI ID is 7
// unless a device sits there (virtio-scsi, USB and SAS hosts have no
// initiator ID on the bus); then the highest free ID.
AdapterInfo adapterInfoFor(const SgAdapterLayout& adapter, const SgHostFacts& facts);
// The names of the sg nodes in a directory ("sg0", "sg2", "sg10"), in the
// order of their numbers.
std::vector<std::string> sgNodeNames(const std::string& directory);

} // namespace quillon::scsi
