#pragma once

#include <cstdint>

namespace quillon::console {

// The chunks in which the copies move blocks through the data buffer: at
// most CopyBufferBytes a command, and a full chunk one block short of what
// fits. A chunk of ChunkBlocks − 1 blocks makes progress only while
// ChunkBlocks is at least 2, that is for blocks of up to 49980 bytes.
inline constexpr std::uint32_t CopyBufferBytes = 99960;

// 99960 div BlockSize; 0 for a block size of 0.
inline std::int32_t ChunkBlocks(std::uint32_t BlockSize) {
    return BlockSize == 0 ? 0 : static_cast<std::int32_t>(CopyBufferBytes / BlockSize);
}

// The blocks of the next chunk when Remaining blocks are left to copy.
inline std::int32_t NextChunk(std::int32_t Remaining, std::int32_t ChunkBlocks) {
    return Remaining < ChunkBlocks ? Remaining : ChunkBlocks - 1;
}

} // namespace quillon::console
