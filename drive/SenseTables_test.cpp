#include "SenseTables.h"

#include <gtest/gtest.h>

using namespace quillon::drive;

static_assert(SenseKeyTable.size() == 9);
static_assert(SenseCodeTable.size() == 190);

TEST(SenseKeyName, NamesTheListedKeys) {
    EXPECT_EQ(senseKeyName(0), "No Sense");
    EXPECT_EQ(senseKeyName(3), "Medium Error");
    EXPECT_EQ(senseKeyName(7), "Data Protect");
    EXPECT_EQ(senseKeyName(10), "Copy Aborted");
}

TEST(SenseKeyName, UnlistedKeysHaveNoName) {
    for (const std::int32_t key : {8, 9, 11, 15, -1}) {
        EXPECT_EQ(senseKeyName(key), std::nullopt) << "key " << key;
    }
}

TEST(SenseCodeText, MatchesBothCodeAndQualifier) {
    EXPECT_EQ(senseCodeText(0x11, 0x00), "unrecovered read error");
    EXPECT_EQ(senseCodeText(0x11, 0x0C), "unrecovered read error - recommend rewrite the data");
    EXPECT_EQ(senseCodeText(0x00, 0x01), "filemark detected");
    EXPECT_EQ(senseCodeText(0x3A, 0x00), "medium not present");
    EXPECT_EQ(senseCodeText(0x64, 0x00), "illegal mode for this track");
    // The ASC of one entry with the ASCQ of another.
    EXPECT_EQ(senseCodeText(0x11, 0x0D), std::nullopt);
    EXPECT_EQ(senseCodeText(0x01, 0x01), std::nullopt);
}

TEST(SenseCodeText, KeepsTextsExactlyAsListed) {
    EXPECT_EQ(senseCodeText(0x09, 0x01), "tra cking servo failure");
    EXPECT_EQ(senseCodeText(0x11, 0x07), "data resychronization error");
    EXPECT_EQ(senseCodeText(0x28, 0x00),
              "not ready to ready transition    (medium may have changed)");
    EXPECT_EQ(senseCodeText(0x42, 0x00), "power-on or self-test failure     (should use 40 nn)");
}

TEST(SenseCodeText, DiagnosticFailureNeedsQualifierFF) {
    EXPECT_EQ(senseCodeText(0x40, 0xFF), "diagnostic failure on component ");
    EXPECT_EQ(senseCodeText(0x40, 0x80), std::nullopt);
    EXPECT_EQ(senseCodeText(0x40, 0x00), std::nullopt);
}

TEST(SenseCodeText, UnlistedAndEmptyEntries) {
    EXPECT_EQ(senseCodeText(0x00, 0x00), std::nullopt);
    EXPECT_EQ(senseCodeText(0x0B, 0x00), std::nullopt);
    EXPECT_EQ(senseCodeText(-1, -1), std::nullopt); // not the same as FFh/FFh

    const auto last = senseCodeText(0xFF, 0xFF);
    ASSERT_TRUE(last.has_value());
    EXPECT_TRUE(last->empty());
}

// A repeated key or pair would hide every later entry behind the first one.
TEST(SenseTables, NoEntryIsShadowedByAnEarlierOne) {
    for (std::size_t i = 0; i < SenseKeyTable.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            EXPECT_NE(SenseKeyTable[j].Key, SenseKeyTable[i].Key) << "entries " << j << ", " << i;
        }
    }
    for (std::size_t i = 0; i < SenseCodeTable.size(); ++i) {
        const auto& c = SenseCodeTable[i];
        EXPECT_TRUE(c.ASC >= 0 && c.ASC <= 0xFF && c.ASCQ >= 0 && c.ASCQ <= 0xFF) << "entry " << i;
        for (std::size_t j = 0; j < i; ++j) {
            EXPECT_FALSE(SenseCodeTable[j].ASC == c.ASC && SenseCodeTable[j].ASCQ == c.ASCQ)
                << "entries " << j << ", " << i;
        }
        if (i + 1 < SenseCodeTable.size()) {
            EXPECT_FALSE(c.Text.empty()) << "entry " << i;
        }
    }
}

TEST(HexField, PadsToTheMinimumWidth) {
    EXPECT_EQ(hexField(3, 2), " $03");
    EXPECT_EQ(hexField(0x0B, 2), " $0B");
    EXPECT_EQ(hexField(0, 2), " $00");
    EXPECT_EQ(hexField(0x1234, 8), " $00001234");
    EXPECT_EQ(hexField(0xABCDEF, 2), " $ABCDEF"); // wider than the minimum, never cut
    EXPECT_EQ(hexField(0x7FFFFFFF, 2), " $7FFFFFFF");
}

TEST(HexField, NegativeValuesShowEightDigits) {
    EXPECT_EQ(hexField(-1, 2), " $FFFFFFFF");
    EXPECT_EQ(hexField(-1, 8), " $FFFFFFFF");
    EXPECT_EQ(hexField(-2, 2), " $FFFFFFFE");
    EXPECT_EQ(hexField(INT32_MIN, 2), " $80000000");
}
