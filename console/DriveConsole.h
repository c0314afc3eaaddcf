#pragma once

#include "console/Console.h"
#include "console/ModePage.h"
#include "drive/MODrive.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillon::console {

// The address of one logical unit: host adapter, target ID and LUN.
struct DeviceAddress {
    std::uint8_t HA = 0;
    std::uint8_t Target = 0;
    std::uint8_t LUN = 0;

    friend bool operator==(const DeviceAddress&, const DeviceAddress&) = default;
};

// The drive console's shared machinery and the operations of the main window,
// independent of the front end: the device scan, Target Info, Eject and the
// disk capacity display, the current device, the log conventions every
// operation follows, the readiness and write-protect checks, and the failure
// reporter that turns a command's status into log lines, message boxes and
// the sense window.
class DriveConsole {
public:
    DriveConsole(drive::TMODrive& drive, Console& console) : MODrive1(drive), console_(console) {}

    // Every device that answers INQUIRY on any adapter, in adapter, target
    // and LUN order; only optical memory devices unless AllDevices.
    std::vector<drive::TDeviceInfo> ScanDevices(bool AllDevices);

    // The three operations; each returns whether it succeeded.
    bool TargetInfo(DeviceAddress at);
    bool Eject(DeviceAddress at);
    bool DiskCapacity(DeviceAddress at);

    // Makes at the device of the running operation.
    void SelectCurrent(DeviceAddress at);
    // Sends INQUIRY to at, clears the log and writes the operation's header;
    // returns the inquiry data when a device answers there, the condition for
    // going on.
    std::optional<drive::TDeviceInfo> BeginOperation(DeviceAddress at, const std::string& title);
    // Why an operation whose BeginOperation found no device did nothing, as
    // quillon-cli reports it.
    static constexpr const char* NoDeviceReason = "no device answers at this address";
    // Whether a device answered the last BeginOperation.
    bool DeviceAnswered() const { return deviceAnswered_; }

    // The start of an operation on the medium (the capacity display, a media
    // test): the device becomes the current one, the log gets the header, and
    // the medium must be ready, else the failure is reported under
    // failureName; returns whether the operation may go on.
    bool BeginWithReadyMedium(DeviceAddress at, const std::string& title,
                              const std::string& failureName);
    // Absorbs a pending unit attention, then checks readiness and refreshes
    // the block geometry of the current device.
    bool CheckUnitReady();
    // False (with the message shown, and the medium ejected first when Eject
    // is set) when the current device's medium is write protected.
    bool CheckWriteEnable(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, bool Eject);
    // Reports the failed command by LastTargetStatus: CHECK CONDITION in the
    // sense window, other statuses in a box, and a request that did not
    // complete (no status came back) in an error box that says why.
    void ShowScsiStatus(bool ShowError, const std::string& CommandName, std::string& StatusText);
    // REQUEST SENSE to the device and the sense window filled with its answer.
    void ShowSenseData(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, bool ShowWindow,
                       std::string& StatusText);

    static std::string DeviceTypeName(int DeviceType);
    static std::string ScsiLevelName(int ScsiLevel);
    void LogInquiryItem(bool Flag, const std::string& Name, const std::string& Value);
    void LogCapacityItem(const std::string& Name, std::int32_t Value);

    // The front end's log, boxes and sense window.
    Console& Output() { return console_; }

    drive::TMODrive& MODrive1;
    std::uint8_t CurrentHA = 0;
    std::uint8_t CurrentTarget = 0;
    std::uint8_t CurrentLUN = 0;
    // Mode parameter data of the last MODE SENSE(6); bit 7 of byte 2 is the
    // medium's write protect.
    ModeBuffer ModeData{};
    // The changeable and the current values of the error recovery page, as
    // Mode Select and the read-mode test use them.
    ModeBuffer ModeChangeable{};
    ModeBuffer ModeCurrent{};
    // Block data of the operations: read-back data of the media tests, one
    // block of the single-block routines, defect lists, block copies.
    std::array<std::uint8_t, 99964> DataBuffer{};
    // The block of the last single-block operation, and what the sector
    // editor was last opened for (BlockOperations' modes).
    std::int32_t CurrentLBA = 0;
    std::uint8_t EditMode = 0;
    // The bytes the media tests write.
    std::array<std::uint8_t, 3004> PatternBuffer{};

private:
    void logInquiryData(const drive::TDeviceInfo& info);
    // A failed eject: the sense data in the sense window, or why the command
    // did not complete.
    void showEjectFailure(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, int result);

    Console& console_;
    bool deviceAnswered_ = true;
};

} // namespace quillon::console
