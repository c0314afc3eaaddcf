#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillon::drive {

// What the sense window shows for the outputs of RequestSense, as lines of
// text for a terminal or a log: its caption, then each label with its boxes
// (" $" and hexadecimal) and its meaning from the sense tables. For extended
// sense the block address line appears only when the address is valid.
std::vector<std::string> senseReport(std::int32_t SenseKey, std::int32_t ASC, std::int32_t ASCQ,
                                     std::int32_t LBA);

} // namespace quillon::drive
