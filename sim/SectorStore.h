#pragma once

#include "MediumImage.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

namespace quillon::sim {

// The recorded contents of every sector of one medium, as raw long sectors
// (user data followed by check bytes). Identical contents are stored once and
// shared, so memory grows with the number of distinct sector contents, not
// with the size of the medium: a pattern written over every sector costs one
// copy plus a 4-byte reference per sector. Sectors never written, and every
// sector after an erase, hold zero data with matching check bytes.
//
// A store given an image keeps the contents in that file alone: every write
// goes to the file at once and every read of a written sector comes from it,
// so that memory stays small whatever is written. Not for concurrent use,
// reads included: they share one buffer.
class SectorStore {
public:
    SectorStore(std::uint32_t sectorCount, std::uint32_t blockSize, std::uint32_t longBlockSize,
                std::unique_ptr<MediumImage> image = nullptr);

    std::uint32_t sectorCount() const { return sectorCount_; }
    std::uint32_t blockSize() const { return blockSize_; }
    std::uint32_t longBlockSize() const { return longBlockSize_; }

    // The file the contents are kept in, or nullptr.
    MediumImage* image() const { return image_.get(); }

    // The raw long sector as recorded, valid until the store next changes or
    // reads another sector.
    std::span<const std::uint8_t> longSector(std::uint32_t lba) const;
    // False when the check bytes do not belong to the data (a WRITE LONG of
    // arbitrary bytes), which makes the sector uncorrectable.
    bool checkBytesMatch(std::uint32_t lba) const;

    // Records user data; the check bytes are computed from it.
    void writeData(std::uint32_t lba, std::span<const std::uint8_t> data);
    // Records a raw long sector exactly as given.
    void writeLong(std::uint32_t lba, std::span<const std::uint8_t> raw);
    void eraseAll();

    std::size_t distinctContents() const { return blobs_.size() - freeList_.size(); }
    // Bytes held in memory for sector contents and the per-sector references.
    std::size_t bytesHeld() const;

    // The check bytes the drive records for a block of user data.
    static void computeCheckBytes(std::span<const std::uint8_t> data,
                                  std::span<std::uint8_t> check);

private:
    struct Blob {
        std::unique_ptr<std::uint8_t[]> bytes;
        std::uint64_t hash = 0;
        std::uint32_t references = 0;
        bool checkBytesMatch = true;
    };

    void checkAddress(std::uint32_t lba) const;
    std::uint32_t handleOf(std::uint32_t lba) const;
    void store(std::uint32_t lba, std::span<const std::uint8_t> raw);
    std::uint32_t intern(std::span<const std::uint8_t> raw, std::uint64_t hash);
    void release(std::uint32_t handle);
    bool rawCheckBytesMatch(std::span<const std::uint8_t> raw) const;

    static constexpr std::uint32_t BlankHandle = 0;
    static constexpr std::size_t MaxCheckBytes = 512;

    std::uint32_t sectorCount_;
    std::uint32_t blockSize_;
    std::uint32_t longBlockSize_;
    std::vector<std::uint32_t> handles_; // empty until the first write: all blank
    std::vector<Blob> blobs_;
    std::vector<std::uint32_t> freeList_;
    std::unordered_multimap<std::uint64_t, std::uint32_t> byHash_;
    std::vector<std::uint8_t> scratch_;
    std::unique_ptr<MediumImage> image_;
    mutable std::vector<std::uint8_t> readBack_; // the last written sector read from the image
    mutable std::optional<std::uint32_t> readBackLba_;
};

} // namespace quillon::sim
