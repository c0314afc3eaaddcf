#include "MediumGeometry.h"
#include "drive/MODrive.h"
#include "sim/MediaProfile.h"

#include <gtest/gtest.h>
#include <map>

using namespace quillon;
using mediatests::MediumGeometry;

namespace {

MediumGeometry geometryFor(std::int32_t blockSize, std::int32_t lastLba) {
    drive::TMODrive::BlockSize = blockSize;
    drive::TMODrive::LastBlockLBA = lastLba;
    MediumGeometry geometry;
    geometry.ComputeGeometry();
    return geometry;
}

struct Place {
    std::int32_t track;
    std::int32_t sector;
    std::int32_t sectorsPerTrack;
    bool operator==(const Place&) const = default;
};

Place place(const MediumGeometry& geometry, std::int32_t lba) {
    std::int32_t trackCount = 0;
    Place p{};
    const auto returned =
        geometry.LbaToTrackSector(lba, trackCount, p.track, p.sector, p.sectorsPerTrack);
    EXPECT_EQ(returned, p.sectorsPerTrack);
    EXPECT_EQ(trackCount, geometry.TrackCount);
    return p;
}

} // namespace

TEST(MediumGeometry, EverySimulatedMediumHasItsClass) {
    const std::map<std::string_view, int> expected{{"mo128", 1},  {"mo230", 2},  {"mo300", 3},
                                                   {"mo650", 4},  {"mo540", 5},  {"mo640", 6},
                                                   {"mo1300", 7}, {"mo2300", 0}, {"disk", 1}};
    for (const auto& profile : sim::allMediaProfiles()) {
        const auto geometry = geometryFor(static_cast<std::int32_t>(profile.blockSize),
                                          static_cast<std::int32_t>(profile.lastLba));
        EXPECT_EQ(geometry.MediaType, expected.at(profile.name)) << profile.name;
    }
    EXPECT_EQ(geometryFor(512, 0x3E000 - 1).BurstThreshold, 15);
    EXPECT_EQ(geometryFor(512, 0x3E000).BurstThreshold, 50); // first MediaType 2
    EXPECT_EQ(geometryFor(4096, 1000).MediaType, 0);
}

TEST(MediumGeometry, FixedZoneTablesPlaceBlocks) {
    const auto type2 = geometryFor(512, 446324);
    EXPECT_EQ(place(type2, 0), (Place{0, 5, 30}));
    EXPECT_EQ(place(type2, 34225), (Place{1141, 0, 30})); // last block of zone 1
    EXPECT_EQ(place(type2, 34226), (Place{1141, 26, 32}));
    EXPECT_EQ(place(type2, 446324).sectorsPerTrack, 48); // the last zone is open-ended

    // The first block of zone 4 lies one sector before its first track's start.
    const auto type6 = geometryFor(2048, 310351);
    EXPECT_EQ(place(type6, 67474), (Place{4217, -1, 18}));

    const auto type7 = geometryFor(2048, 605846);
    EXPECT_EQ(place(type7, 43080), (Place{1050, 20, 40}));
    EXPECT_FLOAT_EQ(type7.TrackRadius(0), 59.5f); // tracks run inwards
    EXPECT_LT(type7.TrackRadius(19278), 30.0f);
}

TEST(MediumGeometry, ComputedZonesAndConstantLayouts) {
    const auto type5 = geometryFor(512, 1041499);
    EXPECT_EQ(type5.ZoneEnd[1], 70051);
    EXPECT_EQ(place(type5, 70050), (Place{1401, 0, 50}));
    EXPECT_EQ(place(type5, 70051), (Place{1401, 0, 51}));

    const auto type1 = geometryFor(512, 248825);
    EXPECT_EQ(place(type1, 500), (Place{20, 0, 25}));
    EXPECT_FLOAT_EQ(type1.TrackRadius(0), 30.0f);
    EXPECT_FLOAT_EQ(type1.TrackRadius(10000), 60.0f);

    // An unrecognised medium keeps 30 sectors per track but places blocks
    // 25 to a track.
    const auto unknown = geometryFor(2048, 983040);
    EXPECT_EQ(unknown.MediaType, 0);
    EXPECT_EQ(place(unknown, 1000), (Place{40, 0, 30}));
}
