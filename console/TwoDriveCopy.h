#pragma once

#include "console/CopyWindows.h"
#include "console/DriveConsole.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillon::console {

// The two-drive copy, written once for the window "Select Drive (Copy Disk)"
// and for quillon-cli: the drive lists, "Max LBA", "Cansel" and "Copy Start",
// which copies a range of blocks from the medium in one drive to the same
// addresses on the medium in another, chunk by chunk through the data
// buffer, with its progress in the progress window. Every command goes
// through the one drive component; the source drive is the current device.
class TwoDriveCopy {
public:
    // What the window does after an action.
    enum class WindowAction { Stay, Close };

    struct Result {
        WindowAction Window = WindowAction::Stay;
        bool Completed = false;
        // Why the copy did not complete, in words; empty when it did.
        std::string Shortfall;
    };

    TwoDriveCopy(DriveConsole& drive, ProgressWindow& gauge) : drive_(drive), gauge_(gauge) {}

    // The launcher's start of the log: cleared, then the header.
    void BeginLog();
    // The optical memory drives on every adapter, for both lists.
    std::vector<drive::TDeviceInfo> ScanDrives();
    // After the scan of a show: fewer than two drives are reported, and the
    // window closes.
    WindowAction DrivesFound(std::size_t count);
    // "Max LBA": the source's last block, or nothing when it is not ready
    // (silently). The source becomes the current device.
    std::optional<std::int32_t> MaxLba(DeviceAddress source);
    // "Cansel".
    WindowAction Cancel();
    // "Copy Start": blocks Start to End − 1 (End 0: up to the source's last
    // block) from source to destination.
    Result CopyStart(DeviceAddress source, DeviceAddress destination, std::int32_t Start,
                     std::int32_t End);

private:
    // The medium geometry that both drives must share.
    struct Geometry {
        std::int32_t LastBlockLBA;
        std::int32_t BlockSize;
        std::int32_t LongBlockSize;
        friend bool operator==(const Geometry&, const Geometry&) = default;
    };
    static Geometry currentGeometry();

    // A step on the destination drive: it is the current device meanwhile,
    // so that the failures of its commands are reported from it (their sense
    // data is the destination's); the source is current again after.
    bool onDestination(DeviceAddress destination, const std::function<bool()>& step);
    // Whether the current device answers, is ready and has its capacity read.
    bool ready(const drive::TDeviceInfo& info);
    Result copyLoop(DeviceAddress source, DeviceAddress destination, std::int32_t Start,
                    std::int32_t End, std::int32_t chunkBlocks);

    DriveConsole& drive_;
    ProgressWindow& gauge_;
};

} // namespace quillon::console
