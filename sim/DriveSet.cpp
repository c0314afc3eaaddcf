#include "DriveSet.h"

namespace quillon::sim {

DriveSet defaultDriveSet() {
    DriveSet set;
    const auto add = [&set](std::uint8_t id, const char* medium) {
        DriveConfig config;
        config.media = {medium};
        config.seed = id;
        set.emplace(id, std::make_unique<SimTarget>(config));
    };
    add(2, "mo230");
    add(4, "mo640");
    add(5, "disk");
    return set;
}

} // namespace quillon::sim
