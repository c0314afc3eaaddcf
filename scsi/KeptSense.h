#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <tuple>
#include <vector>

namespace quillon::scsi {

// The sense data of the last CHECK CONDITION of each logical unit, kept as a
// parallel SCSI target keeps it for its initiator. The sg driver and iSCSI
// fetch sense data with the command that failed (autosense), which clears it
// in the device, so a REQUEST SENSE sent afterwards would read NO SENSE; the
// access layer answers it from here instead. Any other command but INQUIRY
// to the logical unit drops what is kept, as it would in the device.
class KeptSense {
public:
    struct Unit {
        std::uint8_t adapter;
        std::uint8_t target;
        std::uint8_t lun;
        auto operator<=>(const Unit&) const = default;
    };

    void Keep(Unit unit, std::span<const std::uint8_t> sense) {
        kept_[unit].assign(sense.begin(), sense.end());
    }
    // The kept sense of the unit, no longer kept; nothing when none is.
    std::optional<std::vector<std::uint8_t>> Take(Unit unit) {
        const auto found = kept_.find(unit);
        if (found == kept_.end()) {
            return std::nullopt;
        }
        auto sense = std::move(found->second);
        kept_.erase(found);
        return sense;
    }
    void Drop(Unit unit) { kept_.erase(unit); }

private:
    std::map<Unit, std::vector<std::uint8_t>> kept_;
};

} // namespace quillon::scsi
