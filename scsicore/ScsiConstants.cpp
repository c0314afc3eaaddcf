#include "ScsiConstants.h"

#include <utility>

namespace quillon::scsicore::status {

namespace {

constexpr std::pair<std::uint8_t, const char*> Names[] = {
    {Good, "GOOD"},
    {CheckCondition, "CHECK CONDITION"},
    {ConditionMet, "CONDITION MET"},
    {Busy, "BUSY"},
    {Intermediate, "INTERMEDIATE"},
    {IntermediateConditionMet, "INTERMEDIATE-CONDITION MET"},
    {ReservationConflict, "RESERVATION CONFLICT"},
    {CommandTerminated, "COMMAND TERMINATED"},
    {QueueFull, "QUEUE FULL"},
};

} // namespace

const char* nameOf(std::uint8_t status) {
    for (const auto& [value, name] : Names) {
        if (value == status) {
            return name;
        }
    }
    return "";
}

} // namespace quillon::scsicore::status
