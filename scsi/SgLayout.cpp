#include "SgLayout.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <set>
#include <system_error>
#include <tuple>

namespace quillon::scsi {

namespace {

std::string address(const SgDevice& device) {
    return std::to_string(device.hostNo) + ":" + std::to_string(device.channel) + ":" +
           std::to_string(device.scsiId) + ":" + std::to_string(device.lun);
}

std::string versionText(int version) {
    // 30536 -> 3.5.36
    return std::to_string(version / 10000) + "." + std::to_string(version / 100 % 100) + "." +
           std::to_string(version % 100);
}

} // namespace

SgLayout layoutAdapters(const std::vector<SgDevice>& devices) {
    std::vector<std::size_t> order(devices.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const SgDevice& x = devices[a];
        const SgDevice& y = devices[b];
        return std::tie(x.hostNo, x.channel, x.scsiId, x.lun) <
               std::tie(y.hostNo, y.channel, y.scsiId, y.lun);
    });

    SgLayout layout;
    for (std::size_t index : order) {
        const SgDevice& device = devices[index];
        std::string problem;
        if (device.hostNo < 0 || device.channel < 0 || device.scsiId < 0 || device.lun < 0) {
            problem = "invalid address";
        } else if (device.scsiId > 255) {
            problem = "target ID above 255";
        } else if (device.lun > 255) {
            problem = "LUN above 255";
        }
        if (!problem.empty()) {
            layout.unreachable.push_back(device.path + " (" + address(device) + "): " + problem);
            continue;
        }
        if (layout.adapters.empty() || layout.adapters.back().hostNo != device.hostNo ||
            layout.adapters.back().channel != device.channel) {
            SgAdapterLayout adapter;
            adapter.hostNo = device.hostNo;
            adapter.channel = device.channel;
            layout.adapters.push_back(adapter);
        }
        SgAdapterLayout& adapter = layout.adapters.back();
        const auto key = std::make_pair(static_cast<std::uint8_t>(device.scsiId),
                                        static_cast<std::uint8_t>(device.lun));
        const auto [at, inserted] = adapter.devices.emplace(key, index);
        if (!inserted) {
            layout.unreachable.push_back(device.path + " (" + address(device) +
                                         "): same address as " + devices[at->second].path);
            continue;
        }
        adapter.highestTarget = std::max(adapter.highestTarget, device.scsiId);
    }
    return layout;
}

AdapterInfo adapterInfoFor(const SgAdapterLayout& adapter, const SgHostFacts& facts) {
    AdapterInfo info;
    const int targets = std::min(std::max(8, adapter.highestTarget + 1), 255);
    info.maxTargets = static_cast<std::uint8_t>(targets);

    std::set<int> used;
    for (const auto& entry : adapter.devices) {
        used.insert(entry.first.first);
    }
    int own = 7;
    if (used.count(own) != 0) {
        own = targets; // past the IDs a scan visits when every one is taken
        for (int id = targets - 1; id >= 0; --id) {
            if (used.count(id) == 0) {
                own = id;
                break;
            }
        }
    }
    info.scsiId = static_cast<std::uint8_t>(std::min(own, 255));

    info.managerId =
        facts.driverVersion > 0 ? "Linux sg " + versionText(facts.driverVersion) : "Linux sg";
    info.identifier =
        facts.procName.empty() ? "host" + std::to_string(adapter.hostNo) : facts.procName;
    info.managerId.resize(std::min<std::size_t>(info.managerId.size(), 16));
    info.identifier.resize(std::min<std::size_t>(info.identifier.size(), 16));
    info.bufferAlignment = 0; // data goes through the transport's own buffer
    info.residualSupport = false;
    info.maxTransferLength = facts.maxTransfer;
    return info;
}

std::vector<std::string> sgNodeNames(const std::string& directory) {
    std::vector<std::pair<unsigned, std::string>> found;
    std::error_code error;
    std::filesystem::directory_iterator it(directory, error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.size() < 3 || name.compare(0, 2, "sg") != 0) {
            continue;
        }
        unsigned number = 0;
        const char* first = name.data() + 2;
        const char* last = name.data() + name.size();
        const auto [end, problem] = std::from_chars(first, last, number);
        if (problem == std::errc() && end == last) {
            found.emplace_back(number, name);
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    for (auto& entry : found) {
        names.push_back(std::move(entry.second));
    }
    return names;
}

} // namespace quillon::scsi
