#include "SgAccess.h"

#include <cerrno>
#include <grp.h>
#include <set>
#include <sys/stat.h>

namespace quillon::scsi {

namespace {

// The name of the group that owns the node, or its number when the group
// database does not know it; empty when the node cannot be looked at.
std::string ownerGroup(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return {};
    }
    if (const group* entry = ::getgrgid(status.st_gid)) {
        return entry->gr_name;
    }
    return std::to_string(status.st_gid);
}

std::string joined(const std::set<std::string>& items, const std::string& quote) {
    std::string text;
    for (const std::string& item : items) {
        text += (text.empty() ? "" : ", ") + quote + item + quote;
    }
    return text;
}

} // namespace

bool isAccessRefusal(int error) {
    return error == EACCES || error == EPERM;
}

std::string sgAccessAdvice(const std::vector<std::string>& refusedNodes) {
    if (refusedNodes.empty()) {
        return {};
    }
    std::set<std::string> groups;
    for (const std::string& path : refusedNodes) {
        if (const std::string group = ownerGroup(path); !group.empty()) {
            groups.insert(group);
        }
    }
    std::string text = refusedNodes.front();
    if (refusedNodes.size() > 1) {
        text += " and " + std::to_string(refusedNodes.size() - 1) + " other sg node" +
                (refusedNodes.size() > 2 ? "s" : "");
    }
    text += " cannot be opened: permission denied, so real drives cannot be reached.";
    if (groups.empty()) {
        return text;
    }
    const bool one = groups.size() == 1;
    return text + " The sg nodes belong to the group" + (one ? " " : "s ") + joined(groups, "\"") +
           "; add yourself to " + (one ? "it" : "them") + " (sudo adduser $USER " +
           *groups.begin() + ") and log in again.";
}

} // namespace quillon::scsi
