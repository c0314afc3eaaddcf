#pragma once

#include "scsi/UniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>

namespace quillon::console {

// The image file of Copy Disk: the raw blocks of the copied range back to
// back, with no header. A transfer that the file system refuses (no such
// directory, no permission, an I/O error) throws std::runtime_error naming
// the file and the reason, which ends the operation and is shown to the
// user; a transfer that moves fewer bytes than asked (a full disk, the end of
// the file) returns the count and lets the copy say so in its log.
class ImageFile {
public:
    // The name of the image wherever it is kept.
    static constexpr const char* FileName = "MoTemp$85.tmp";

    // Creates the file, or empties it, for writing.
    static ImageFile Create(const std::filesystem::path& path);
    // Opens the file for reading from its start.
    static ImageFile Open(const std::filesystem::path& path);

    // The bytes written or read by one call.
    std::size_t Write(const std::uint8_t* data, std::size_t size);
    std::size_t Read(std::uint8_t* data, std::size_t size);
    // Closes the file, so that a write the file system could not finish is
    // reported now.
    void Close();

private:
    ImageFile(std::filesystem::path path, scsi::UniqueFd fd)
        : path_(std::move(path)), fd_(std::move(fd)) {}
    [[noreturn]] void fail(const char* what) const;

    std::filesystem::path path_;
    scsi::UniqueFd fd_;
};

// Where Copy Disk keeps its image unless told otherwise: the user's cache
// directory ($XDG_CACHE_HOME/quillon, else ~/.cache/quillon).
std::filesystem::path DefaultImagePath();

// The bytes free for an image at path: those free to the user on the file
// system of its directory, plus the file's own when it is there already (it
// is emptied first); nothing when that cannot be read.
std::optional<std::uint64_t> FreeBytesForImage(const std::filesystem::path& path);

// Whether an image of that many blocks fits into freeBytes.
bool ImageFits(std::optional<std::uint64_t> freeBytes, std::int64_t blocks,
               std::uint32_t blockSize);

} // namespace quillon::console
