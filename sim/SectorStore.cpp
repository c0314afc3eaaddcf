#include "SectorStore.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>

namespace quillon::sim {

namespace {

std::uint64_t hashBytes(std::span<const std::uint8_t> bytes) {
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ bytes.size();
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, sizeof word);
        h = (h ^ word) * 0xBF58476D1CE4E5B9ull;
        h ^= h >> 31;
    }
    for (; i < bytes.size(); ++i) {
        h = (h ^ bytes[i]) * 0x94D049BB133111EBull;
    }
    return h ^ (h >> 29);
}

} // namespace

SectorStore::SectorStore(std::uint32_t sectorCount, std::uint32_t blockSize,
                         std::uint32_t longBlockSize, std::unique_ptr<MediumImage> image)
    : sectorCount_(sectorCount), blockSize_(blockSize), longBlockSize_(longBlockSize),
      scratch_(longBlockSize), image_(std::move(image)), readBack_(image_ ? longBlockSize : 0) {
    if (longBlockSize <= blockSize || longBlockSize - blockSize > MaxCheckBytes) {
        throw std::invalid_argument("unsupported long block size");
    }
    std::fill(scratch_.begin(), scratch_.end(), std::uint8_t{0});
    computeCheckBytes(std::span(scratch_).first(blockSize_),
                      std::span(scratch_).subspan(blockSize_));
    const auto blank = intern(scratch_, hashBytes(scratch_));
    blobs_[blank].references = 1; // never released
}

// An interleaved code: check byte k covers every data byte j with
// j mod n == k, each rotated by its interleave row, so that a pattern filling
// the whole long sector never matches its own check bytes.
void SectorStore::computeCheckBytes(std::span<const std::uint8_t> data,
                                    std::span<std::uint8_t> check) {
    const std::size_t n = check.size();
    for (std::size_t k = 0; k < n; ++k) {
        check[k] = static_cast<std::uint8_t>(0x3C + 7 * k);
    }
    for (std::size_t j = 0; j < data.size(); ++j) {
        const unsigned row = static_cast<unsigned>((j / n) % 7 + 1);
        const unsigned byte = data[j];
        check[j % n] ^= static_cast<std::uint8_t>((byte << row) | (byte >> (8 - row)));
    }
}

void SectorStore::checkAddress(std::uint32_t lba) const {
    if (lba >= sectorCount_) {
        throw std::out_of_range("sector beyond the medium");
    }
}

std::uint32_t SectorStore::handleOf(std::uint32_t lba) const {
    checkAddress(lba);
    return handles_.empty() ? BlankHandle : handles_[lba];
}

// With an image, a sector never written is the blank one; any other is
// read from the file, once for the calls in a row that ask for it.
std::span<const std::uint8_t> SectorStore::longSector(std::uint32_t lba) const {
    const auto handle = handleOf(lba);
    if (image_ && image_->written(lba)) {
        if (readBackLba_ != lba) {
            readBackLba_.reset();
            image_->readSector(lba, readBack_);
            readBackLba_ = lba;
        }
        return readBack_;
    }
    return {blobs_[handle].bytes.get(), longBlockSize_};
}

bool SectorStore::checkBytesMatch(std::uint32_t lba) const {
    const auto handle = handleOf(lba);
    if (image_ && image_->written(lba)) {
        return rawCheckBytesMatch(longSector(lba));
    }
    return blobs_[handle].checkBytesMatch;
}

void SectorStore::writeData(std::uint32_t lba, std::span<const std::uint8_t> data) {
    std::memcpy(scratch_.data(), data.data(), blockSize_);
    computeCheckBytes(std::span(scratch_).first(blockSize_),
                      std::span(scratch_).subspan(blockSize_));
    store(lba, scratch_);
}

void SectorStore::writeLong(std::uint32_t lba, std::span<const std::uint8_t> raw) {
    store(lba, raw.first(longBlockSize_));
}

void SectorStore::eraseAll() {
    if (image_) {
        readBackLba_.reset();
        image_->eraseSectors();
    }
    for (const auto handle : handles_) {
        release(handle);
    }
    handles_ = {};
}

std::size_t SectorStore::bytesHeld() const {
    return distinctContents() * (longBlockSize_ + sizeof(Blob)) +
           handles_.size() * sizeof(std::uint32_t);
}

void SectorStore::store(std::uint32_t lba, std::span<const std::uint8_t> raw) {
    checkAddress(lba);
    if (image_) {
        readBackLba_.reset();
        image_->writeSector(lba, raw);
        return;
    }
    if (handles_.empty()) {
        handles_.assign(sectorCount_, BlankHandle);
    }
    auto& slot = handles_[lba];
    const auto handle = intern(raw, hashBytes(raw));
    release(slot);
    slot = handle;
}

std::uint32_t SectorStore::intern(std::span<const std::uint8_t> raw, std::uint64_t hash) {
    auto [first, last] = byHash_.equal_range(hash);
    for (auto it = first; it != last; ++it) {
        auto& blob = blobs_[it->second];
        if (std::memcmp(blob.bytes.get(), raw.data(), longBlockSize_) == 0) {
            ++blob.references;
            return it->second;
        }
    }
    std::uint32_t handle;
    if (freeList_.empty()) {
        handle = static_cast<std::uint32_t>(blobs_.size());
        blobs_.emplace_back();
    } else {
        handle = freeList_.back();
        freeList_.pop_back();
    }
    auto& blob = blobs_[handle];
    blob.bytes = std::make_unique<std::uint8_t[]>(longBlockSize_);
    std::memcpy(blob.bytes.get(), raw.data(), longBlockSize_);
    blob.hash = hash;
    blob.references = 1;
    blob.checkBytesMatch = rawCheckBytesMatch(raw);
    byHash_.emplace(hash, handle);
    return handle;
}

void SectorStore::release(std::uint32_t handle) {
    auto& blob = blobs_[handle];
    if (handle == BlankHandle || --blob.references > 0) {
        return;
    }
    auto [first, last] = byHash_.equal_range(blob.hash);
    for (auto it = first; it != last; ++it) {
        if (it->second == handle) {
            byHash_.erase(it);
            break;
        }
    }
    blob.bytes.reset();
    freeList_.push_back(handle);
}

bool SectorStore::rawCheckBytesMatch(std::span<const std::uint8_t> raw) const {
    std::array<std::uint8_t, MaxCheckBytes> expected;
    const auto check = std::span(expected).first(longBlockSize_ - blockSize_);
    computeCheckBytes(raw.first(blockSize_), check);
    return std::equal(check.begin(), check.end(), raw.begin() + blockSize_);
}

} // namespace quillon::sim
