#pragma once

#include "IscsiUrl.h"
#include "Transport.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillon::scsi {

// One target of a portal: its target ID on the adapter and its LUNs.
struct IscsiTargetPlan {
    std::string name;               // IQN
    bool allLuns = false;           // a URL without a LUN: ask the target
    std::vector<std::uint8_t> luns; // named in URLs, ascending
    std::size_t url = 0;            // the URL whose credentials log in
};

// One portal: one host adapter, its targets in order of first appearance
// (target ID = index).
struct IscsiPortalPlan {
    std::string portal;
    std::size_t url = 0; // first URL naming the portal
    std::vector<IscsiTargetPlan> targets;
};

// Groups URLs into adapters: one per portal in order of first appearance.
// The same target named twice on a portal is one target whose LUNs are the
// union; named once without a LUN, it has all the LUNs it reports. At most
// 255 targets per portal and 255 portals; the rest are left out.
std::vector<IscsiPortalPlan> planIscsiAdapters(const std::vector<IscsiUrl>& urls);

// The LUNs of a REPORT LUNS answer that the transport can address (0-255,
// peripheral or flat space addressing), ascending without repeats.
std::vector<std::uint8_t> lunsFromReportLuns(std::span<const std::uint8_t> data);

// The adapter inquiry answer for a portal with a number of targets.
AdapterInfo iscsiAdapterInfo(const std::string& portal, std::size_t targets);

// The bytes one burst of data carries on the sessions the transport opens:
// what libiscsi offers as MaxBurstLength at login (the target may agree to
// less, and libiscsi does not tell).
inline constexpr std::uint32_t IscsiMaxBurstLength = 262144;

} // namespace quillon::scsi
