#include "MediumImage.h"

#include "Bytes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon::sim {

namespace {

constexpr std::string_view Magic = "QUILLON MO IMAGE";
constexpr std::uint32_t FormatVersion = 1;
constexpr std::size_t VersionAt = 16;
constexpr std::size_t NameAt = 20;
constexpr std::size_t NameLength = 16;
constexpr std::size_t SectorCountAt = 36;
constexpr std::size_t BlockSizeAt = 40;
constexpr std::size_t LongBlockSizeAt = 44;
constexpr std::size_t HeaderLength = 48; // the rest of the header area is zero
constexpr std::uint64_t Alignment = 4096;
constexpr std::uint64_t DefectsOffset = Alignment;

std::uint64_t roundUp(std::uint64_t bytes) {
    return (bytes + Alignment - 1) / Alignment * Alignment;
}

// The profile name a header holds, printable.
std::string nameIn(std::span<const std::uint8_t> header) {
    std::string name;
    for (const auto c : header.subspan(NameAt, NameLength)) {
        if (c == 0) {
            break;
        }
        name += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    }
    return name;
}

} // namespace

MediumImage::Descriptor::~Descriptor() {
    if (fd >= 0) {
        ::close(fd);
    }
}

MediumImage::MediumImage(const std::string& path, const MediaProfile& profile,
                         const std::vector<std::uint32_t>& grown)
    : path_(path), profile_(profile) {
    const std::uint64_t sectors = profile.blockCount();
    mapOffset_ = DefectsOffset + roundUp(4 + 4 * sectors);
    sectorsOffset_ = mapOffset_ + roundUp((sectors + 7) / 8);
    fileSize_ = sectorsOffset_ + sectors * profile.longBlockSize();
    writtenMap_.assign((sectors + 7) / 8, 0);

    file_.fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (file_.fd < 0) {
        refuse(std::string("cannot be opened: ") + std::strerror(errno));
    }
    if (::flock(file_.fd, LOCK_EX | LOCK_NB) != 0) {
        refuse(errno == EWOULDBLOCK ? "is in use by another simulated drive or program"
                                    : std::string("cannot be locked: ") + std::strerror(errno));
    }
    struct stat status {};
    if (::fstat(file_.fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        refuse("is not a regular file");
    }
    try {
        if (status.st_size == 0) {
            create(grown);
        } else {
            load(static_cast<std::uint64_t>(status.st_size));
        }
    } catch (const MediumImageError& error) {
        throw std::invalid_argument(error.what());
    }
}

MediumImage::~MediumImage() = default;

// The header and the grown defect list in one write, then the size: an
// image is never seen with its header but without its list.
void MediumImage::create(const std::vector<std::uint32_t>& grown) {
    auto bytes = header();
    bytes.resize(DefectsOffset, 0);
    const auto list = defectArea(grown);
    bytes.insert(bytes.end(), list.begin(), list.end());
    writeAt(0, bytes);
    resize(fileSize_);
    grownAtOpen_ = grown;
}

void MediumImage::load(std::uint64_t size) {
    std::vector<std::uint8_t> found(HeaderLength, 0);
    readAt(0, std::span(found).first(std::min<std::uint64_t>(size, HeaderLength)));
    if (!std::equal(Magic.begin(), Magic.end(), found.begin())) {
        refuse("is not a Quillon medium image");
    }
    if (getBe32(found, VersionAt) != FormatVersion) {
        refuse("has format version " + std::to_string(getBe32(found, VersionAt)) +
               ", which this program does not read");
    }
    if (found != header()) {
        refuse("holds a " + nameIn(found) + " medium (" +
               std::to_string(getBe32(found, SectorCountAt)) + " sectors of " +
               std::to_string(getBe32(found, LongBlockSizeAt)) + " bytes), not a " +
               std::string(profile_.name));
    }
    if (size < fileSize_) {
        resize(fileSize_);
    }
    std::vector<std::uint8_t> count(4);
    readAt(DefectsOffset, count);
    const std::uint32_t entries = getBe32(count, 0);
    if (entries > profile_.blockCount()) {
        refuse("has a damaged grown defect list");
    }
    std::vector<std::uint8_t> list(std::size_t{entries} * 4);
    readAt(DefectsOffset + 4, list);
    for (std::size_t i = 0; i < entries; ++i) {
        const std::uint32_t lba = getBe32(list, 4 * i);
        if (lba > profile_.lastLba) {
            refuse("has a damaged grown defect list");
        }
        grownAtOpen_.push_back(lba);
    }
    std::sort(grownAtOpen_.begin(), grownAtOpen_.end());
    grownAtOpen_.erase(std::unique(grownAtOpen_.begin(), grownAtOpen_.end()), grownAtOpen_.end());
    readAt(mapOffset_, writtenMap_);
}

std::vector<std::uint8_t> MediumImage::header() const {
    std::vector<std::uint8_t> bytes(HeaderLength, 0);
    std::copy(Magic.begin(), Magic.end(), bytes.begin());
    putBe32(bytes, VersionAt, FormatVersion);
    std::copy_n(profile_.name.begin(), std::min(profile_.name.size(), NameLength),
                bytes.begin() + NameAt);
    putBe32(bytes, SectorCountAt, profile_.blockCount());
    putBe32(bytes, BlockSizeAt, profile_.blockSize);
    putBe32(bytes, LongBlockSizeAt, profile_.longBlockSize());
    return bytes;
}

void MediumImage::readSector(std::uint32_t lba, std::span<std::uint8_t> raw) const {
    readAt(sectorsOffset_ + std::uint64_t{lba} * profile_.longBlockSize(), raw);
}

// The sector first, then its bit: a write cut short leaves the sector as it
// was (unwritten) rather than marked written with half its bytes.
void MediumImage::writeSector(std::uint32_t lba, std::span<const std::uint8_t> raw) {
    writeAt(sectorsOffset_ + std::uint64_t{lba} * profile_.longBlockSize(), raw);
    auto& byte = writtenMap_[lba / 8];
    const auto updated = static_cast<std::uint8_t>(byte | 1u << (lba % 8));
    if (updated != byte) {
        writeAt(mapOffset_ + lba / 8, std::span(&updated, 1));
        byte = updated;
    }
}

// Cutting the file back to the defect list and extending it again frees the
// written map and every sector at once, on any file system.
void MediumImage::eraseSectors() {
    resize(mapOffset_);
    std::fill(writtenMap_.begin(), writtenMap_.end(), std::uint8_t{0});
    resize(fileSize_);
}

void MediumImage::writeGrownDefects(std::span<const std::uint32_t> grown) {
    writeAt(DefectsOffset, defectArea(grown));
}

// The count and the entries, written at once.
std::vector<std::uint8_t> MediumImage::defectArea(std::span<const std::uint32_t> grown) {
    std::vector<std::uint8_t> bytes(4 + 4 * grown.size());
    putBe32(bytes, 0, static_cast<std::uint32_t>(grown.size()));
    for (std::size_t i = 0; i < grown.size(); ++i) {
        putBe32(bytes, 4 + 4 * i, grown[i]);
    }
    return bytes;
}

void MediumImage::readAt(std::uint64_t offset, std::span<std::uint8_t> bytes) const {
    while (!bytes.empty()) {
        const auto n = ::pread(file_.fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n == 0) {
            errno = 0;
            failed("ends before its medium does");
        }
        if (n < 0) {
            failed("could not be read");
        }
        bytes = bytes.subspan(static_cast<std::size_t>(n));
        offset += static_cast<std::uint64_t>(n);
    }
}

void MediumImage::writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const auto n = ::pwrite(file_.fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            failed("could not be written");
        }
        bytes = bytes.subspan(static_cast<std::size_t>(n));
        offset += static_cast<std::uint64_t>(n);
    }
}

void MediumImage::resize(std::uint64_t size) {
    if (::ftruncate(file_.fd, static_cast<off_t>(size)) != 0) {
        failed("could not be resized");
    }
}

void MediumImage::refuse(const std::string& why) const {
    throw std::invalid_argument("the image " + path_ + " " + why);
}

void MediumImage::failed(const char* what) const {
    std::string message = "the image " + path_ + " " + what;
    if (errno != 0) {
        message += std::string(": ") + std::strerror(errno);
    }
    throw MediumImageError(message);
}

} // namespace quillon::sim
