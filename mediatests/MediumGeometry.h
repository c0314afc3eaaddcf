#pragma once

#include <array>
#include <cstdint>

namespace quillon::mediatests {

// Where a logical block lies on the disc, for the bit error rate tests: the
// medium class chosen from the block size and the last block address, its
// track and sector layout (constant, zoned by fixed tables, or zoned by a
// computed table), and the radius and angles at which a block is drawn on the
// disc map. Shared by the long-write and the read-mode test.
class MediumGeometry {
public:
    // Chooses the medium class from the drive's BlockSize and LastBlockLBA,
    // sets the layout and fills the computed zone table; returns MediaType
    // (0: not recognised).
    std::uint8_t ComputeGeometry();
    // Places one block: its track and sector, the track count used for the
    // map and the sectors per track of its track, which is also returned.
    std::int32_t LbaToTrackSector(std::int32_t LBA, std::int32_t& TrackCount, std::int32_t& Track,
                                  std::int32_t& Sector, std::int32_t& SectorsPerTrack) const;
    // The radius of a track on the map, in world units of 64.
    float TrackRadius(std::int32_t Track) const;

    std::uint8_t MediaType = 0;
    std::int32_t TrackCount = 11400;
    std::int32_t SectorsPerTrack = 30;
    std::int32_t TracksPerZone = 0;
    std::int32_t ZoneCount = 0;
    std::int32_t ZoneSptStep = 0;
    // The longest run of erroneous bytes that still counts as byte errors.
    std::int32_t BurstThreshold = 15;

    // The computed zone table, zones 1 to 30 (index 0 unused).
    static constexpr int MaxZones = 30;
    std::array<std::int32_t, MaxZones + 1> ZoneEnd{};
    std::array<std::int32_t, MaxZones + 1> ZoneFirstTrack{};
    std::array<std::int32_t, MaxZones + 1> ZoneSpt{};

private:
    void fillZoneTable();
};

} // namespace quillon::mediatests
