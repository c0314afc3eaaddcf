#pragma once

#include "console/CopyRun.h"
#include "console/CopyWindows.h"

#include <filesystem>

namespace quillon::console {

// The main window's Verify, Copy Block and Copy Disk on the current device.
// Each asks for its block range in the range dialog, shows its progress in
// the progress window and reports in the log; each returns whether it did
// all it was asked, and Shortcomings says what it did not.
//  - Verify has the drive check the range with VERIFY(10), 255 blocks a
//    command, and logs every chunk that fails.
//  - Copy Block copies the range to another address of the same medium, in
//    chunks through the data buffer, or block by block from the top when
//    the destination starts inside the range.
//  - Copy Disk copies the range to another medium in the same drive through
//    an image file (see DiskCopy).
class CopyOperations {
public:
    CopyOperations(DriveConsole& drive, RangeDialog& dialog, ProgressWindow& progress,
                   MediumChanger& changer)
        : run_(drive, progress), dialog_(dialog), changer_(changer) {}

    bool Verify(DeviceAddress at);
    bool CopyBlock(DeviceAddress at);
    // The image is kept in the file image.
    bool CopyDisk(DeviceAddress at, const std::filesystem::path& image);

    const std::vector<std::string>& Shortcomings() const { return run_.Shortcomings(); }

    struct CopyKind;

private:
    // What a copy may go on with: the blocks of a full chunk and the range.
    struct CopyStart {
        std::int32_t chunkBlocks;
        BlockRange range;
    };

    // The start of a copy: the medium ready (and writable when the copy
    // writes the medium it reads), its blocks fit for the data buffer, and
    // a range from the dialog.
    std::optional<CopyStart> beginCopy(DeviceAddress at, const CopyKind& kind);
    void log(const std::string& line) { run_.Drive().Output().AddLog(line); }
    // The range of the dialog; nothing, logged with cancelLine, when the
    // user cancelled it.
    std::optional<BlockRange> askRange(bool withDestination, const char* cancelLine);
    // Copies Start … End − 1 to Dest on: in chunks from the bottom, or one
    // block at a time from the top, so that a destination inside the range
    // takes no block before it has been read.
    void forwardCopy(std::int32_t Start, std::int32_t End, std::int32_t Dest,
                     std::int32_t chunkBlocks);
    void backwardCopy(std::int32_t Start, std::int32_t End, std::int32_t Dest);

    CopyRun run_;
    RangeDialog& dialog_;
    MediumChanger& changer_;
};

} // namespace quillon::console
