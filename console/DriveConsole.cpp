#include "DriveConsole.h"

#include "FormatText.h"
#include "drive/SenseTables.h"
#include "scsicore/ScsiConstants.h"

#include <climits>
#include <utility>

namespace quillon::console {

namespace {

using drive::TMODrive;
namespace status = scsicore::status;

// The boxes that answer a status other than GOOD and CHECK CONDITION.
constexpr std::pair<std::uint8_t, const char*> StatusBoxes[] = {
    {status::ConditionMet, "SCSI Condition Met"},
    {status::Busy, "SCSI Busy"},
    {status::Intermediate, "SCSI Intermediate"},
    {status::IntermediateConditionMet, "SCSI Intermediate-condition met"},
    {status::ReservationConflict, "SCSI Reservation conflict"},
    {status::CommandTerminated, "SCSI Command Terminated"},
    {status::QueueFull, "SCSI Queue full"},
};

constexpr const char* DeviceTypeNames[] = {
    "Disk Device",          "Tape Device",          "Printer Device", "Processor Device",
    "WriteOnce Device",     "CD-ROM Device",        "Scanner Device", "Optical Memory Device",
    "Media Changer Device", "Communication Device",
};

constexpr const char* ScsiLevelNames[] = {"CCS support", "SCSI-1 support", "SCSI-2 support"};

constexpr int OpticalMemoryDevice = 7;

} // namespace

std::vector<drive::TDeviceInfo> DriveConsole::ScanDevices(bool AllDevices) {
    std::vector<drive::TDeviceInfo> devices;
    for (int ha = 0; ha < MODrive1.HostAdapterCount; ++ha) {
        const auto& adapter = MODrive1.HostAdapters[ha];
        for (int target = 0; target < adapter.MaxTargets; ++target) {
            if (target == adapter.SCSI_ID) {
                continue;
            }
            for (std::uint8_t lun = 0; lun < 8; ++lun) {
                drive::TDeviceInfo info;
                MODrive1.Inquiry(static_cast<std::uint8_t>(ha), static_cast<std::uint8_t>(target),
                                 lun, info);
                if (info.Qualifier == 0 && (AllDevices || info.DeviceType == OpticalMemoryDevice)) {
                    devices.push_back(info);
                }
            }
        }
    }
    return devices;
}

void DriveConsole::SelectCurrent(DeviceAddress at) {
    CurrentHA = at.HA;
    CurrentTarget = at.Target;
    CurrentLUN = at.LUN;
}

std::optional<drive::TDeviceInfo> DriveConsole::BeginOperation(DeviceAddress at,
                                                               const std::string& title) {
    drive::TDeviceInfo info;
    MODrive1.Inquiry(at.HA, at.Target, at.LUN, info);
    console_.ClearLog();
    console_.AddLog("    **** " + title + " *****");
    deviceAnswered_ = info.Qualifier == 0;
    if (!deviceAnswered_) {
        return std::nullopt;
    }
    return info;
}

bool DriveConsole::TargetInfo(DeviceAddress at) {
    const auto info = BeginOperation(at, "Inquiry Data");
    if (!info) {
        return false;
    }
    console_.AddLog(
        formatText("[HA = %2d]   [SCSI ID = %2d]   [LUN NO = %2d]", at.HA, at.Target, at.LUN));
    logInquiryData(*info);
    return true;
}

void DriveConsole::logInquiryData(const drive::TDeviceInfo& info) {
    LogInquiryItem(true, "VendorID", info.Vendor);
    LogInquiryItem(true, "ProductID", info.Product);
    LogInquiryItem(true, "Revision", info.Revision);
    LogInquiryItem(true, "DeviceType", DeviceTypeName(info.DeviceType));
    LogInquiryItem(true, "DataFormat", ScsiLevelName(info.ScsiLevel));
    LogInquiryItem(info.Removable, "Media", "Removable");
    const std::pair<const char*, bool> functions[] = {
        {"AEN function", info.AsyncEvent},
        {"Terminate I/O Process Message", info.TerminateIO},
        {"Relative Block Address function", info.RelativeAddress},
        {"32bit Bus Transfer", info.Wide32},
        {"16bit Bus Transfer", info.Wide16},
        {"Synchronous Transfer", info.Sync},
        {"Linked Command", info.Linked},
        {"Command Queue with Tag", info.CommandQueue},
        {"Software Reset Condition", info.SoftReset},
    };
    for (const auto& [name, supported] : functions) {
        LogInquiryItem(supported, name, "Support");
    }
}

bool DriveConsole::Eject(DeviceAddress at) {
    if (!BeginOperation(at, "Eject Disk")) {
        return false;
    }
    const int result = MODrive1.SetStartStopUnit(at.HA, at.Target, at.LUN, true, false);
    if (result == 0) {
        console_.AddLog("Eject OK");
        return true;
    }
    console_.AddLog("Eject Error");
    showEjectFailure(at.HA, at.Target, at.LUN, result);
    return false;
}

bool DriveConsole::DiskCapacity(DeviceAddress at) {
    if (!BeginWithReadyMedium(at, "Read Disk Capacity", "Read Capcity")) {
        return false;
    }
    LogCapacityItem("Block Size", TMODrive::BlockSize);
    LogCapacityItem("Long Block Size", TMODrive::LongBlockSize);
    LogCapacityItem("Last Block LBA", TMODrive::LastBlockLBA);
    return true;
}

bool DriveConsole::BeginWithReadyMedium(DeviceAddress at, const std::string& title,
                                        const std::string& failureName) {
    SelectCurrent(at);
    if (!BeginOperation(at, title)) {
        return false;
    }
    if (!CheckUnitReady()) {
        std::string statusText;
        ShowScsiStatus(true, failureName, statusText);
        return false;
    }
    return true;
}

bool DriveConsole::CheckUnitReady() {
    MODrive1.TestUnitReady(CurrentHA, CurrentTarget, CurrentLUN);
    if (MODrive1.TestUnitReady(CurrentHA, CurrentTarget, CurrentLUN) != 0) {
        return false;
    }
    return MODrive1.Capacity(CurrentHA, CurrentTarget, CurrentLUN) == 0;
}

bool DriveConsole::CheckWriteEnable(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN,
                                    bool Eject) {
    if (MODrive1.ModeSense6(CurrentHA, CurrentTarget, CurrentLUN, 0, 127, ModeData.data()) != 0) {
        std::string statusText;
        ShowScsiStatus(true, "Mode Sense", statusText);
        return false;
    }
    if ((ModeData[2] & 0x80) == 0) {
        return true;
    }
    if (Eject) {
        if (const int result = MODrive1.SetStartStopUnit(HA, Target, LUN, true, false);
            result != 0) {
            showEjectFailure(HA, Target, LUN, result);
        }
    }
    console_.MessageBox(Console::BoxKind::Confirmation, "Error: Media Write protected");
    return false;
}

void DriveConsole::showEjectFailure(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN,
                                    int result) {
    std::string statusText;
    if (drive::command_result::Completed(result)) {
        ShowSenseData(HA, Target, LUN, true, statusText);
    } else {
        ShowScsiStatus(false, "", statusText);
    }
}

void DriveConsole::ShowScsiStatus(bool ShowError, const std::string& CommandName,
                                  std::string& StatusText) {
    const std::int32_t result = TMODrive::LastTargetStatus;
    if (ShowError) {
        console_.AddLog("Error: " + CommandName);
    }
    if (!drive::command_result::Completed(result)) {
        // No status came back: say why, in words.
        StatusText = drive::command_result::Describe(result);
        console_.MessageBox(Console::BoxKind::Error, StatusText);
        return;
    }
    StatusText = formatText("SCSI STATUS = %2x", static_cast<unsigned>(result));
    if (result == status::CheckCondition) {
        ShowSenseData(CurrentHA, CurrentTarget, CurrentLUN, ShowError, StatusText);
        return;
    }
    for (const auto& [value, text] : StatusBoxes) {
        if (value == result) {
            console_.MessageBox(Console::BoxKind::Information, text);
            return;
        }
    }
    StatusText = "??? SCSI STAUS";
}

void DriveConsole::ShowSenseData(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN,
                                 bool ShowWindow, std::string& StatusText) {
    // When REQUEST SENSE itself fails the window shows "No Sense" without an
    // address, and the log says that the sense data could not be read.
    constexpr std::int32_t NotRead = INT32_MIN;
    std::int32_t senseKey = NotRead;
    std::int32_t asc = 0;
    std::int32_t ascq = 0;
    std::int32_t lba = -1;
    MODrive1.RequestSense(HA, Target, LUN, senseKey, asc, ascq, lba);
    if (senseKey == NotRead) {
        console_.AddLog("Error: Request Sense");
        senseKey = 0;
    }
    console_.ShowSense(ShowWindow, senseKey, asc, ascq, lba);
    if (senseKey != -1) {
        if (const auto text = drive::senseCodeText(asc, ascq)) {
            StatusText = *text;
        }
    }
}

std::string DriveConsole::DeviceTypeName(int DeviceType) {
    const auto type = static_cast<std::size_t>(DeviceType & 0x7F);
    return type < std::size(DeviceTypeNames) ? DeviceTypeNames[type] : "Unknown Device";
}

std::string DriveConsole::ScsiLevelName(int ScsiLevel) {
    const auto level = static_cast<std::size_t>(ScsiLevel);
    return level < std::size(ScsiLevelNames) ? ScsiLevelNames[level] : "Unknown Device";
}

void DriveConsole::LogInquiryItem(bool Flag, const std::string& Name, const std::string& Value) {
    const std::string dashed = Name + "  ---------------------------------";
    console_.AddLog(formatText("%.32s  %s%s", dashed.c_str(), Flag ? "" : "Not ", Value.c_str()));
}

void DriveConsole::LogCapacityItem(const std::string& Name, std::int32_t Value) {
    const std::string padded = Name + "            ";
    console_.AddLog(formatText("%.15s  =  %8X", padded.c_str(), static_cast<unsigned>(Value)));
}

} // namespace quillon::console
