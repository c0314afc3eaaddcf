#pragma once

#include "MediaProfile.h"
#include "SectorStore.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quillon::sim {

// A persistent surface defect: `length` bytes from `offset` of the raw long
// sector `lba` read back wrong every time.
struct BurstDefect {
    std::uint32_t lba = 0;
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
};

// The drive's lists of defective blocks: found at manufacture (primary) and
// found since (grown), as sorted logical block addresses.
struct DefectLists {
    std::vector<std::uint32_t> primary;
    std::vector<std::uint32_t> grown;
};

// One cartridge (or the fixed disk): its profile, recorded sectors, defect
// lists, surface defects and write-protect tab. Its recorded sectors and
// grown defect list may be kept in an image file (see MediumImage), so that
// they outlast the program; surface defects and the tab are not kept.
class Medium {
public:
    // With an image path, the medium is the one in that file, created when
    // missing; throws std::invalid_argument when the file cannot be used.
    explicit Medium(const MediaProfile& profile, const std::string& imagePath = {});
    // The profile of that name; throws std::invalid_argument for an unknown name.
    static Medium named(const std::string& profileName, const std::string& imagePath = {});

    const MediaProfile& profile() const { return *profile_; }
    SectorStore& sectors() { return sectors_; }
    const SectorStore& sectors() const { return sectors_; }
    const DefectLists& defects() const { return defects_; }
    // Replaces the grown list (sorted, each block once), in the image too.
    void setGrownDefects(std::vector<std::uint32_t> grown);

    bool writeProtected() const { return writeProtected_; }
    void setWriteProtected(bool on) { writeProtected_ = on; }

    void addBurst(const BurstDefect& burst);
    void clearBursts() { bursts_.clear(); }
    // Calls f(offset, length) for every surface defect of the sector, clipped
    // to the long sector.
    template <typename F> void forEachBurst(std::uint32_t lba, F&& f) const {
        auto [first, last] = bursts_.equal_range(lba);
        for (auto it = first; it != last; ++it) {
            const std::uint32_t room = profile_->longBlockSize() - it->second.offset;
            f(it->second.offset, std::min(it->second.length, room));
        }
    }
    bool hasBursts(std::uint32_t lba) const { return bursts_.count(lba) != 0; }
    // The blocks that have surface defects, each once.
    std::vector<std::uint32_t> burstBlocks() const;
    // How many bytes of the sector its surface defects spoil.
    std::uint32_t defectiveBytes(std::uint32_t lba) const;

private:
    const MediaProfile* profile_;
    SectorStore sectors_;
    DefectLists defects_;
    std::multimap<std::uint32_t, BurstDefect> bursts_;
    bool writeProtected_ = false;
};

} // namespace quillon::sim
