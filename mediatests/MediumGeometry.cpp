#include "MediumGeometry.h"

#include "drive/MODrive.h"

#include <algorithm>
#include <span>

namespace quillon::mediatests {

namespace {

// One medium class of the geometry table; a negative BurstThreshold leaves
// the threshold as it is.
struct MediumClass {
    std::int32_t blockSize;
    std::int32_t lastLbaBelow; // the class applies below this last LBA
    std::uint8_t mediaType;
    std::int32_t trackCount;
    std::int32_t sectorsPerTrack;
    std::int32_t tracksPerZone;
    std::int32_t zoneCount;
    std::int32_t zoneSptStep;
    std::int32_t burstThreshold;
};

constexpr std::int32_t Unbounded = INT32_MAX;

constexpr MediumClass MediumClasses[] = {
    {512, 0x3E000, 1, 10000, 25, 0, 0, 0, 15},      {512, 0x70000, 2, 11400, 30, 1140, 10, 2, 50},
    {512, 0xF0000, 3, 18750, 31, 0, 0, 0, 15},      {512, Unbounded, 5, 15924, 50, 1401, 11, 1, 15},
    {1024, Unbounded, 4, 18750, 17, 0, 0, 0, 15},   {2048, 0x50000, 6, 15924, 15, 1401, 11, 1, 50},
    {2048, 0xF0000, 7, 19278, 41, 1035, 18, 1, 50}, {2048, Unbounded, 0, 11400, 30, 0, 0, 0, -1},
};

// A zone of a fixed zone table: its first block, sectors per track, first
// track, and the sector offset of its first block.
struct FixedZone {
    std::int32_t firstLba;
    std::int32_t sectorsPerTrack;
    std::int32_t firstTrack;
    std::int32_t offset;
};

constexpr FixedZone MediaType2Zones[] = {
    {0, 30, 0, 5},          {34226, 32, 1141, 26},   {70873, 34, 2282, 14},  {109756, 36, 3423, 31},
    {150974, 38, 4564, 11}, {194474, 40, 5705, 9},   {240266, 42, 6846, 41}, {288397, 44, 7987, 28},
    {338751, 46, 9128, 5},  {391470, 48, 10269, 47},
};

constexpr FixedZone MediaType6Zones[] = {
    {0, 15, 0, 10},          {21021, 16, 1401, 10},  {43538, 17, 2809, 1},
    {67474, 18, 4217, -1},   {92837, 19, 5626, 15},  {119613, 20, 7036, 18},
    {147796, 21, 8445, 2},   {177503, 22, 9860, 18}, {208573, 23, 11273, 11},
    {241085, 24, 12687, 18}, {275005, 25, 14101, 5},
};

constexpr FixedZone MediaType7Zones[] = {
    {0, 41, 0, 11},          {43080, 40, 1050, 20},   {84579, 39, 2087, 19},
    {125043, 38, 3125, 16},  {164433, 37, 4162, 0},   {202765, 36, 5197, 29},
    {240068, 35, 6233, 31},  {276332, 34, 7269, 31},  {311559, 33, 8305, 31},
    {345716, 32, 9340, 15},  {378853, 31, 10376, 2},  {410935, 30, 11411, 3},
    {441982, 29, 12446, 23}, {471945, 28, 13480, 13}, {500883, 27, 14513, 25},
    {528776, 26, 15547, 9},  {555625, 25, 16580, 13}, {581411, 24, 17612, 8},
};

std::span<const FixedZone> fixedZones(std::uint8_t mediaType) {
    switch (mediaType) {
    case 2:
        return MediaType2Zones;
    case 6:
        return MediaType6Zones;
    default:
        return MediaType7Zones;
    }
}

// Track and sector of a position counted in sectors from a zone's first
// track (C++ division truncates toward zero, the remainder keeps the sign).
void place(std::int32_t relative, std::int32_t firstTrack, std::int32_t spt, std::int32_t& Track,
           std::int32_t& Sector) {
    Track = firstTrack + relative / spt;
    Sector = relative % spt;
}

} // namespace

std::uint8_t MediumGeometry::ComputeGeometry() {
    MediumClass chosen{0, 0, 0, 11400, 30, 0, 0, 0, -1};
    for (const MediumClass& candidate : MediumClasses) {
        if (candidate.blockSize == drive::TMODrive::BlockSize &&
            drive::TMODrive::LastBlockLBA < candidate.lastLbaBelow) {
            chosen = candidate;
            break;
        }
    }
    MediaType = chosen.mediaType;
    TrackCount = chosen.trackCount;
    SectorsPerTrack = chosen.sectorsPerTrack;
    TracksPerZone = chosen.tracksPerZone;
    ZoneCount = chosen.zoneCount;
    ZoneSptStep = chosen.zoneSptStep;
    if (chosen.burstThreshold >= 0) {
        BurstThreshold = chosen.burstThreshold;
    }
    fillZoneTable();
    return MediaType;
}

void MediumGeometry::fillZoneTable() {
    std::int32_t running = 1;
    for (std::int32_t z = 1; z <= ZoneCount; ++z) {
        ZoneFirstTrack[z] = (z - 1) * TracksPerZone;
        ZoneSpt[z] = SectorsPerTrack + (z - 1) * ZoneSptStep;
        running += TracksPerZone * ZoneSpt[z];
        ZoneEnd[z] = running;
    }
}

std::int32_t MediumGeometry::LbaToTrackSector(std::int32_t LBA, std::int32_t& TrackCountOut,
                                              std::int32_t& Track, std::int32_t& Sector,
                                              std::int32_t& SectorsPerTrackOut) const {
    TrackCountOut = TrackCount;
    SectorsPerTrackOut = SectorsPerTrack;
    switch (MediaType) {
    case 1:
    case 3:
    case 4:
        place(LBA, 0, SectorsPerTrack, Track, Sector);
        break;
    case 2:
    case 6:
    case 7: {
        const auto zones = fixedZones(MediaType);
        const auto zone = std::prev(std::upper_bound(
            zones.begin() + 1, zones.end(), LBA,
            [](std::int32_t lba, const FixedZone& z) { return lba < z.firstLba; }));
        SectorsPerTrackOut = zone->sectorsPerTrack;
        place(LBA - zone->firstLba + zone->offset, zone->firstTrack, zone->sectorsPerTrack, Track,
              Sector);
        break;
    }
    case 5: {
        std::int32_t z = 1;
        while (z <= 10 && LBA >= ZoneEnd[z]) {
            ++z;
        }
        SectorsPerTrackOut = ZoneSpt[z];
        place(z == 1 ? LBA : LBA - ZoneEnd[z - 1], ZoneFirstTrack[z], ZoneSpt[z], Track, Sector);
        break;
    }
    default:
        place(LBA, 0, 25, Track, Sector);
        break;
    }
    return SectorsPerTrackOut;
}

float MediumGeometry::TrackRadius(std::int32_t Track) const {
    const auto track = static_cast<float>(Track);
    const auto tracks = static_cast<float>(TrackCount);
    return MediaType == 7 ? 59.5f - (29.8f / tracks) * track : (30.0f / tracks) * track + 30.0f;
}

} // namespace quillon::mediatests
