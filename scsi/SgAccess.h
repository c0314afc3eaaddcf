#pragma once

#include <string>
#include <vector>

namespace quillon::scsi {

// Whether opening a node failed for want of the rights to it (EACCES or
// EPERM), as opposed to a node that is missing or not an sg node.
bool isAccessRefusal(int error);

// The plain advice for sg nodes that exist but may not be opened: which nodes,
// the group that owns them (on Debian "disk" for disks and optical memory)
// and how a user joins it. Empty when no node was refused.
std::string sgAccessAdvice(const std::vector<std::string>& refusedNodes);

} // namespace quillon::scsi
