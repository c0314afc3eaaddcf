#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quillon::console {

struct DeviceAddress;

// The fields of the "Set LBA Address" dialog: the first block, the end of the
// range and the first destination block, with the values the dialog starts with.
struct BlockRange {
    std::int32_t Start = 4096;
    std::int32_t End = 8192;
    std::int32_t Dest = 12288;
};

// The range dialog of the copies and of verify (TForm5, or the command line's
// options): shown modally, with or without its destination field; nothing
// when the user cancelled.
class RangeDialog {
public:
    virtual ~RangeDialog() = default;

    virtual std::optional<BlockRange> AskRange(bool withDestination) = 0;
};

// The progress window of the copies and of verify (TForm3, or a progress line
// on a terminal): a line saying what runs and a gauge of the percentage done.
// It is not modal; after each chunk the operation lets the front end process
// pending input, so the window stays responsive and paints.
class ProgressWindow {
public:
    virtual ~ProgressWindow() = default;

    virtual void ShowGauge(const std::string& text) = 0;
    // Percent done; values outside 0..100 are shown as the nearest bound.
    virtual void SetGauge(std::int64_t percent) = 0;
    virtual void HideGauge() = 0;
    virtual void ProcessMessages() = 0;
};

// The hand that changes the cartridge while Copy Disk waits at "Change
// Drive" and the user has answered OK. At a drive within reach the user has
// changed it already, and there is nothing left to do; a drive nobody can
// reach has its cartridge changed here, as the user would have.
class MediumChanger {
public:
    virtual ~MediumChanger() = default;

    virtual void ChangeMedium(const DeviceAddress& at) = 0;
};

} // namespace quillon::console
