#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace quillon::sim {

// One kind of medium the simulated drive can hold: its block size and last
// logical block address as READ CAPACITY reports them, and the physical layout
// (tracks of equal length, one recording surface) used for the timing model
// and for defect lists in physical sector format.
struct MediaProfile {
    std::string_view name;
    std::uint32_t blockSize;
    std::uint32_t lastLba;
    std::uint32_t trackCount;
    std::uint32_t rpm;
    bool removable; // an MO cartridge; false for the fixed disk

    std::uint32_t blockCount() const { return lastLba + 1; }
    std::uint32_t sectorsPerTrack() const { return (blockCount() + trackCount - 1) / trackCount; }
    // Bytes of one raw long sector: user data followed by the check bytes.
    std::uint32_t longBlockSize() const;
    std::uint32_t checkByteCount() const { return longBlockSize() - blockSize; }

    std::uint32_t trackOf(std::uint32_t lba) const { return lba / sectorsPerTrack(); }
    std::uint32_t sectorOf(std::uint32_t lba) const { return lba % sectorsPerTrack(); }
};

// Every profile, in the order they are listed to users.
std::span<const MediaProfile> allMediaProfiles();

// The profile of that name, or nullptr.
const MediaProfile* findMediaProfile(std::string_view name);

} // namespace quillon::sim
