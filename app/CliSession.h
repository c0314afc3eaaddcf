#pragma once

#include "drive/MODrive.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace quillon::app {

// A device address as the user types it: H:T:L.
struct DeviceAddress {
    std::uint8_t ha = 0;
    std::uint8_t target = 0;
    std::uint8_t lun = 0;

    // Throws UsageError for anything but three numbers 0-255 separated by colons.
    static DeviceAddress parse(const std::string& text);
};

// Runs one quillon-cli command against the drive component and prints its
// result; returns the exit status.
class CliSession {
public:
    CliSession(drive::TMODrive& drive, std::ostream& out) : drive_(drive), out_(out) {}

    int run(const std::vector<std::string>& words);

private:
    int scan();
    int inquiry(const DeviceAddress& at);
    int capacity(const DeviceAddress& at);
    int sense(const DeviceAddress& at);
    int raw(const DeviceAddress& at, const std::vector<std::string>& operands);
    void printStatus(bool answered, std::uint8_t status, std::uint8_t hostStatus);
    void printSense(std::int32_t key, std::int32_t asc, std::int32_t ascq, std::int32_t lba);

    drive::TMODrive& drive_;
    std::ostream& out_;
};

} // namespace quillon::app
