#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
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
class SectorStore {
public:
    SectorStore(std::uint32_t sectorCount, std::uint32_t blockSize, std::uint32_t longBlockSize);

    std::uint32_t sectorCount() const { return sectorCount_; }
    std::uint32_t blockSize() const { return blockSize_; }
    std::uint32_t longBlockSize() const { return longBlockSize_; }

    // The raw long sector as recorded.
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
    // Bytes held for sector contents and the per-sector references.
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
};

} // namespace quillon::sim
