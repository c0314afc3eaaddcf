#pragma once

#include "console/CopyRun.h"
#include "console/CopyWindows.h"

#include <filesystem>

namespace quillon::console {

// One Copy Disk once its range is given: the range limited to the medium,
// room for the image, the read phase that fills the image file, "Change
// Drive", the check that the new medium is ready, writable and takes the
// image, and the write phase that puts the image on it at the same
// addresses. The image stays afterwards, for a later attempt.
class DiskCopy {
public:
    DiskCopy(CopyRun& run, MediumChanger& changer, DeviceAddress at, std::int32_t chunkBlocks,
             std::filesystem::path image)
        : run_(run), changer_(changer), at_(at), chunkBlocks_(chunkBlocks),
          image_(std::move(image)) {}

    bool Run(const BlockRange& range);

private:
    void log(const std::string& line) { run_.Drive().Output().AddLog(line); }
    // Room for the image next to where it goes; false, logged, without.
    bool roomForImage();
    void readPhase();
    // The new medium, after the change: ready (its unit attention taken),
    // writable, and of the first one's block size and at least its range.
    bool checkNewMedium();
    void writePhase();
    std::size_t chunkBytes(std::int32_t n) const;

    CopyRun& run_;
    MediumChanger& changer_;
    DeviceAddress at_;
    std::int32_t chunkBlocks_;
    std::filesystem::path image_;
    std::int32_t Start_ = 0;
    std::int32_t End_ = 0;
    std::int32_t BlockSize_ = 0; // of the medium read
};

} // namespace quillon::console
