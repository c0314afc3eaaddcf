#pragma once

#include <cstdint>

namespace quillon::console {

// How the copies split a range into commands: each moves at most
// CopyBufferBytes through the data buffer. ChunkBlocks is how many blocks of
// the medium fit that, and a full chunk is one block fewer. With blocks of
// more than half the buffer (or none) a full chunk would be empty: a copy
// then cannot go on and must refuse the medium first.
inline constexpr std::uint32_t CopyBufferBytes = 99960;

inline std::int32_t ChunkBlocks(std::uint32_t BlockSize) {
    return BlockSize == 0 ? 0 : static_cast<std::int32_t>(CopyBufferBytes / BlockSize);
}

// The blocks of the next chunk when Remaining blocks are left to copy.
inline std::int32_t NextChunk(std::int32_t Remaining, std::int32_t ChunkBlocks) {
    return Remaining < ChunkBlocks ? Remaining : ChunkBlocks - 1;
}

} // namespace quillon::console
