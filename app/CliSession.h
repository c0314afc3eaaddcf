#pragma once

#include "app/StreamConsole.h"
#include "console/DriveConsole.h"
#include "drive/MODrive.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace quillon::app {

using console::DeviceAddress;

// A device address as the user types it, H:T:L; throws UsageError for
// anything but three numbers 0-255 separated by colons.
DeviceAddress parseDeviceAddress(const std::string& text);

// Runs one quillon-cli command against the drive component and prints its
// result; returns the exit status.
class CliSession {
public:
    CliSession(drive::TMODrive& drive, std::ostream& out)
        : drive_(drive), out_(out), console_(out), operations_(drive, console_) {}

    int run(const std::vector<std::string>& words);
    // Whether the command draws (a disc map, a plot), which needs a
    // QGuiApplication.
    static bool NeedsGraphics(const std::vector<std::string>& words);
    // The simulated drives' speed when --time-scale is not given: at once,
    // except for the seek test, which times the modelled mechanism.
    static double DefaultTimeScale(const std::vector<std::string>& words);

private:
    int scan(bool allDevices);
    int operation(const std::string& command, DeviceAddress at);
    int inquiry(const DeviceAddress& at);
    int capacity(const DeviceAddress& at);
    int sense(const DeviceAddress& at);
    int raw(const DeviceAddress& at, const std::vector<std::string>& operands);
    void printStatus(bool answered, std::uint8_t status, std::uint8_t hostStatus);
    void printSense(std::int32_t key, std::int32_t asc, std::int32_t ascq, std::int32_t lba);

    drive::TMODrive& drive_;
    std::ostream& out_;
    StreamConsole console_;
    console::DriveConsole operations_;
};

} // namespace quillon::app
