#include "Medium.h"

#include <algorithm>
#include <stdexcept>

namespace quillon::sim {

namespace {

// A few defects spread over the medium, the same for every medium of a
// profile, as a factory would leave them.
DefectLists factoryDefects(const MediaProfile& p) {
    const std::uint32_t n = p.blockCount();
    DefectLists lists;
    lists.primary = {n / 97, n / 13 + 5, n / 5 + 17, n / 2 + 3, n - n / 7};
    lists.grown = {n / 3 + 11, n - n / 11};
    std::sort(lists.primary.begin(), lists.primary.end());
    std::sort(lists.grown.begin(), lists.grown.end());
    return lists;
}

std::unique_ptr<MediumImage> openImage(const std::string& path, const MediaProfile& profile) {
    if (path.empty()) {
        return nullptr;
    }
    return std::make_unique<MediumImage>(path, profile, factoryDefects(profile).grown);
}

} // namespace

Medium::Medium(const MediaProfile& profile, const std::string& imagePath)
    : profile_(&profile), sectors_(profile.blockCount(), profile.blockSize, profile.longBlockSize(),
                                   openImage(imagePath, profile)),
      defects_(factoryDefects(profile)) {
    if (const auto* image = sectors_.image()) {
        defects_.grown = image->grownDefectsAtOpen();
    }
}

Medium Medium::named(const std::string& profileName, const std::string& imagePath) {
    const auto* profile = findMediaProfile(profileName);
    if (profile == nullptr) {
        throw std::invalid_argument("unknown medium \"" + profileName + "\"");
    }
    return Medium(*profile, imagePath);
}

void Medium::setGrownDefects(std::vector<std::uint32_t> grown) {
    std::sort(grown.begin(), grown.end());
    grown.erase(std::unique(grown.begin(), grown.end()), grown.end());
    if (auto* image = sectors_.image()) {
        image->writeGrownDefects(grown);
    }
    defects_.grown = std::move(grown);
}

void Medium::addBurst(const BurstDefect& burst) {
    if (burst.lba > profile_->lastLba || burst.offset >= profile_->longBlockSize() ||
        burst.length == 0) {
        throw std::invalid_argument("burst defect outside the medium");
    }
    bursts_.emplace(burst.lba, burst);
}

std::vector<std::uint32_t> Medium::burstBlocks() const {
    std::vector<std::uint32_t> blocks;
    for (auto it = bursts_.begin(); it != bursts_.end(); it = bursts_.upper_bound(it->first)) {
        blocks.push_back(it->first);
    }
    return blocks;
}

std::uint32_t Medium::defectiveBytes(std::uint32_t lba) const {
    std::uint32_t bytes = 0;
    forEachBurst(lba, [&](std::uint32_t, std::uint32_t length) { bytes += length; });
    return bytes;
}

} // namespace quillon::sim
