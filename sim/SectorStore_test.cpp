#include "SectorStore.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

using quillon::sim::SectorStore;
using Bytes = std::vector<std::uint8_t>;

namespace {

// 512 bytes of data whose first four bytes hold `seed`.
Bytes block(std::uint32_t seed) {
    Bytes b(512);
    for (std::size_t i = 0; i < b.size(); ++i) {
        b[i] = static_cast<std::uint8_t>(i < 4 ? seed >> (8 * i) : i * 7 + (i >> 8));
    }
    return b;
}

Bytes longSector(const SectorStore& store, std::uint32_t lba) {
    const auto raw = store.longSector(lba);
    return {raw.begin(), raw.end()};
}

} // namespace

TEST(SectorStore, SharesIdenticalContents) {
    constexpr std::uint32_t Sectors = 200000;
    SectorStore store(Sectors, 512, 600);
    const Bytes blank = longSector(store, 0);
    const auto a = block(1);
    for (std::uint32_t lba = 0; lba < Sectors; ++lba) {
        store.writeData(lba, a);
    }
    EXPECT_EQ(store.distinctContents(), 2u);
    EXPECT_LT(store.bytesHeld(), Sectors * 4 + 4096); // not 200000 copies of 600 bytes

    for (std::uint32_t lba = 0; lba < 1000; ++lba) {
        store.writeData(lba, block(lba + 2));
    }
    EXPECT_EQ(store.distinctContents(), 1002u);
    EXPECT_EQ(Bytes(store.longSector(500).begin(), store.longSector(500).begin() + 512),
              block(502));
    EXPECT_EQ(longSector(store, 1000), longSector(store, Sectors - 1));
    for (std::uint32_t lba = 0; lba < 1000; ++lba) {
        store.writeData(lba, a);
    }
    EXPECT_EQ(store.distinctContents(), 2u); // contents no sector holds are released

    store.writeData(7, Bytes(512, 0)); // zero data is the blank sector
    EXPECT_EQ(longSector(store, 7), blank);
    store.eraseAll();
    EXPECT_EQ(store.distinctContents(), 1u);
    EXPECT_EQ(longSector(store, 500), blank);
}

TEST(SectorStore, CheckBytesBelongToTheData) {
    SectorStore store(8, 512, 600);
    EXPECT_TRUE(store.checkBytesMatch(0));
    const auto data = block(4);
    store.writeData(1, data);
    const auto raw = longSector(store, 1);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), raw.begin()));
    store.writeLong(2, raw);
    EXPECT_TRUE(store.checkBytesMatch(2));
    for (std::size_t j = 0; j < 512; j += 37) { // any wrong data byte shows
        auto wrong = raw;
        wrong[j] ^= 0x40;
        store.writeLong(3, wrong);
        EXPECT_FALSE(store.checkBytesMatch(3)) << j;
        EXPECT_EQ(longSector(store, 3), wrong);
    }
    // Nor does a long sector filled with one byte carry its own check bytes.
    for (const auto& [blockSize, longSize] :
         {std::pair{512u, 600u}, {1024u, 1200u}, {2048u, 2380u}}) {
        SectorStore one(1, blockSize, longSize);
        for (unsigned fill = 0; fill < 256; ++fill) {
            one.writeLong(0, Bytes(longSize, static_cast<std::uint8_t>(fill)));
            EXPECT_FALSE(one.checkBytesMatch(0)) << blockSize << " " << fill;
        }
    }
    EXPECT_THROW(SectorStore(1, 512, 512), std::invalid_argument);
}
