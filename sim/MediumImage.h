#pragma once

#include "MediaProfile.h"

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillon::sim {

// A read or write of an image file that failed (a full disk, an I/O error, a
// file cut short behind the drive's back).
class MediumImageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file that keeps one medium's recorded sectors and grown defect list from
// one program run to the next. Every change is written to the file before
// the call returns, with pwrite and without fsync: the data is then in the
// kernel's page cache, which outlives the process however it ends (SIGKILL
// included); only a crash of the whole machine could lose the last writes.
//
// Layout, integers big-endian, every area starting on a 4096-byte boundary:
//
//   0      header: "QUILLON MO IMAGE" (16 bytes), format version 1 (4),
//          profile name padded with NULs (16), sector count (4), block
//          size (4), long block size (4); the rest of the 4096 bytes zero
//   4096   grown defect list: entry count (4), then that many logical block
//          addresses (4 each), room for one entry per sector
//   M      written map: one bit per sector, bit (lba % 8) of byte lba / 8,
//          set once the sector has been written. A sector whose bit is
//          clear holds the blank sector (zero data, its check bytes),
//          whatever the file holds there, so that a hole of the sparse file
//          is told apart from a sector written raw with zero bytes.
//   S      the raw long sectors as recorded, data then check bytes: sector n
//          at S + n × long block size
//
// The file is sparse: it costs disk space only for the sectors written. A
// missing or empty file is made a new image; any other file that is not an
// image of this medium is refused and left as it is; an image shorter than
// its medium (a format cut short) is extended, the missing sectors
// unwritten. The file is locked
// (flock) while open, so that two drives, or two programs, never share it.
class MediumImage {
public:
    // Opens or creates the image of a medium of `profile`; a new image gets
    // `grown` as its grown defect list. Throws std::invalid_argument with a
    // message for the user when the file cannot be opened, is in use, or is
    // not an image of such a medium.
    MediumImage(const std::string& path, const MediaProfile& profile,
                const std::vector<std::uint32_t>& grown);
    ~MediumImage();
    MediumImage(const MediumImage&) = delete;
    MediumImage& operator=(const MediumImage&) = delete;

    const std::string& path() const { return path_; }
    // The grown defect list as the file held it when it was opened.
    const std::vector<std::uint32_t>& grownDefectsAtOpen() const { return grownAtOpen_; }

    bool written(std::uint32_t lba) const { return (writtenMap_[lba / 8] >> (lba % 8) & 1) != 0; }

    // The following throw MediumImageError when the file fails them.
    void readSector(std::uint32_t lba, std::span<std::uint8_t> raw) const;
    void writeSector(std::uint32_t lba, std::span<const std::uint8_t> raw);
    // Every sector back to unwritten; the grown defect list stays.
    void eraseSectors();
    void writeGrownDefects(std::span<const std::uint32_t> grown);

private:
    // The one owner of the open file: closed when the image ends, or when
    // the constructor gives up half-way.
    struct Descriptor {
        int fd = -1;
        ~Descriptor();
    };

    void create(const std::vector<std::uint32_t>& grown);
    void load(std::uint64_t size);
    std::vector<std::uint8_t> header() const;
    static std::vector<std::uint8_t> defectArea(std::span<const std::uint32_t> grown);
    void readAt(std::uint64_t offset, std::span<std::uint8_t> bytes) const;
    void writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes);
    void resize(std::uint64_t size);
    [[noreturn]] void refuse(const std::string& why) const;
    [[noreturn]] void failed(const char* what) const;

    Descriptor file_;
    std::string path_;
    const MediaProfile& profile_;
    std::uint64_t mapOffset_ = 0;
    std::uint64_t sectorsOffset_ = 0;
    std::uint64_t fileSize_ = 0;
    std::vector<std::uint8_t> writtenMap_;
    std::vector<std::uint32_t> grownAtOpen_;
};

} // namespace quillon::sim
