#include "MediaProfile.h"

#include <array>

namespace quillon::sim {

namespace {

// MO cartridges turn at 3600 rpm; the fixed disk at 5400 rpm.
constexpr std::array<MediaProfile, 9> Profiles{{
    {"mo128", 512, 248825, 10000, 3600, true},
    {"mo230", 512, 446324, 11400, 3600, true},
    {"mo300", 512, 581249, 18750, 3600, true},
    {"mo650", 1024, 318768, 18750, 3600, true},
    {"mo540", 512, 1041499, 15924, 3600, true},
    {"mo640", 2048, 310351, 15924, 3600, true},
    {"mo1300", 2048, 605846, 19278, 3600, true},
    {"mo2300", 2048, 1142799, 20000, 3600, true},
    {"disk", 512, 204799, 3200, 5400, false},
}};

} // namespace

std::uint32_t MediaProfile::longBlockSize() const {
    switch (blockSize) {
    case 512:
        return 600;
    case 1024:
        return 1200;
    default:
        return 2380;
    }
}

std::span<const MediaProfile> allMediaProfiles() {
    return Profiles;
}

const MediaProfile* findMediaProfile(std::string_view name) {
    for (const auto& p : Profiles) {
        if (p.name == name) {
            return &p;
        }
    }
    return nullptr;
}

} // namespace quillon::sim
