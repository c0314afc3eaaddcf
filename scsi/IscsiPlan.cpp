#include "IscsiPlan.h"

#include <algorithm>
#include <cctype>

#ifndef QUILLON_LIBISCSI_VERSION
#define QUILLON_LIBISCSI_VERSION ""
#endif

namespace quillon::scsi {

namespace {

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

} // namespace

std::vector<IscsiPortalPlan> planIscsiAdapters(const std::vector<IscsiUrl>& urls) {
    std::vector<IscsiPortalPlan> plan;
    std::vector<std::string> portalKeys;
    std::vector<std::vector<std::string>> targetKeys;
    for (std::size_t u = 0; u < urls.size(); ++u) {
        const IscsiUrl& url = urls[u];
        const std::string portalKey = lowered(url.host) + ":" + std::to_string(url.port);
        auto portal = std::find(portalKeys.begin(), portalKeys.end(), portalKey);
        if (portal == portalKeys.end()) {
            if (plan.size() >= 255) {
                continue;
            }
            plan.push_back({url.portal(), u, {}});
            portalKeys.push_back(portalKey);
            targetKeys.emplace_back();
            portal = portalKeys.end() - 1;
        }
        const auto p = static_cast<std::size_t>(portal - portalKeys.begin());
        auto& keys = targetKeys[p];
        const std::string targetKey = lowered(url.target);
        auto found = std::find(keys.begin(), keys.end(), targetKey);
        if (found == keys.end()) {
            if (keys.size() >= 255) {
                continue;
            }
            plan[p].targets.push_back({url.target, false, {}, u});
            keys.push_back(targetKey);
            found = keys.end() - 1;
        }
        IscsiTargetPlan& target = plan[p].targets[static_cast<std::size_t>(found - keys.begin())];
        if (!url.lun) {
            target.allLuns = true;
        } else if (std::find(target.luns.begin(), target.luns.end(), *url.lun) ==
                   target.luns.end()) {
            target.luns.insert(std::upper_bound(target.luns.begin(), target.luns.end(), *url.lun),
                               *url.lun);
        }
    }
    return plan;
}

std::vector<std::uint8_t> lunsFromReportLuns(std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> luns;
    if (data.size() < 8) {
        return luns;
    }
    const std::size_t listed = (std::size_t{data[0]} << 24 | std::size_t{data[1]} << 16 |
                                std::size_t{data[2]} << 8 | data[3]) /
                               8;
    const std::size_t entries = std::min(listed, (data.size() - 8) / 8);
    for (std::size_t i = 0; i < entries; ++i) {
        const auto entry = data.subspan(8 + 8 * i, 8);
        if (std::any_of(entry.begin() + 2, entry.end(), [](std::uint8_t b) { return b != 0; })) {
            continue; // a second level: not a LUN of this target's own
        }
        const unsigned method = entry[0] >> 6;
        unsigned lun = 256;
        if (method == 0 && (entry[0] & 0x3F) == 0) {
            lun = entry[1]; // peripheral device addressing, bus 0
        } else if (method == 1) {
            lun = (entry[0] & 0x3Fu) << 8 | entry[1]; // flat space
        }
        if (lun <= 255) {
            luns.push_back(static_cast<std::uint8_t>(lun));
        }
    }
    std::sort(luns.begin(), luns.end());
    luns.erase(std::unique(luns.begin(), luns.end()), luns.end());
    return luns;
}

AdapterInfo iscsiAdapterInfo(const std::string& portal, std::size_t targets) {
    AdapterInfo info;
    const std::size_t count = std::min<std::size_t>(targets, 255);
    // The initiator's own ID must be none of the targets' (0 .. count-1): 7
    // while they are fewer, else just past them.
    info.scsiId = static_cast<std::uint8_t>(count < 8 ? 7 : count);
    info.maxTargets = static_cast<std::uint8_t>(std::max<std::size_t>(8, count));
    const std::string version = QUILLON_LIBISCSI_VERSION;
    info.managerId = version.empty() ? "libiscsi" : "libiscsi " + version;
    info.managerId.resize(std::min<std::size_t>(info.managerId.size(), 16));
    info.identifier = portal.substr(0, 16);
    info.bufferAlignment = 0; // data goes through the transport's own buffer
    info.residualSupport = false;
    info.maxTransferLength = IscsiMaxBurstLength;
    return info;
}

} // namespace quillon::scsi
