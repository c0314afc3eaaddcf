#include "ScsiConstants.h"
#include "SenseData.h"
#include "SenseDecoder.h"

#include <gtest/gtest.h>
#include <vector>

using namespace quillon::scsicore;

namespace {

using Bytes = std::vector<std::uint8_t>;

std::optional<DecodedSense> decode(const Bytes& bytes) {
    return decodeSense(bytes);
}

} // namespace

TEST(SenseDecoder, FixedFormatAsTheDriveBuildsIt) {
    const auto built = SenseData::of(sense_key::MediumError, 0x11, 0x02).withInformation(0x06A5B3);
    const auto fixed = built.encode(false);
    const auto decoded = decodeSense(fixed.span());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->format, SenseFormat::Fixed);
    EXPECT_FALSE(decoded->deferred);
    EXPECT_EQ(decoded->key, sense_key::MediumError);
    EXPECT_EQ(decoded->asc, 0x11);
    EXPECT_EQ(decoded->ascq, 0x02);
    EXPECT_EQ(decoded->information, 0x06A5B3u);

    const auto noAddress =
        decodeSense(SenseData::of(sense_key::NotReady, 0x3A).encode(false).span());
    ASSERT_TRUE(noAddress);
    EXPECT_FALSE(noAddress->information);
}

TEST(SenseDecoder, FixedFormatReadsOnlyWhatTheTargetSentAndVouchesFor) {
    // Deferred, and an additional length of 4 that ends before ASC and ASCQ.
    const auto shortened = decode({0xF1, 0, 0x04, 0, 0, 0x12, 0x34, 4, 0, 0, 0, 0, 0x11, 0x22});
    ASSERT_TRUE(shortened);
    EXPECT_TRUE(shortened->deferred);
    EXPECT_EQ(shortened->key, 4);
    EXPECT_EQ(shortened->asc, 0);
    EXPECT_EQ(shortened->ascq, 0);
    EXPECT_EQ(shortened->information, 0x1234u);

    // Three bytes hold the key and nothing else; the valid bit promises an
    // information field that never came.
    const auto keyOnly = decode({0xF0, 0, 0x06});
    ASSERT_TRUE(keyOnly);
    EXPECT_EQ(keyOnly->key, 6);
    EXPECT_FALSE(keyOnly->information);

    EXPECT_FALSE(decode({0x70, 0}));
    EXPECT_FALSE(decode({}));
}

TEST(SenseDecoder, DescriptorFormatWithItsInformationDescriptor) {
    // A stream command descriptor (04h) first, then the information
    // descriptor with a 64-bit block address.
    const Bytes withInformation{0x72, 0x03, 0x11, 0x01, 0, 0, 0, 0x10, 0x04, 0x02, 0,    0x20,
                                0x00, 0x0A, 0x80, 0,    0, 0, 0, 0x01, 0,    0,    0x12, 0x34};
    const auto decoded = decode(withInformation);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->format, SenseFormat::Descriptor);
    EXPECT_EQ(decoded->key, 3);
    EXPECT_EQ(decoded->asc, 0x11);
    EXPECT_EQ(decoded->ascq, 0x01);
    EXPECT_EQ(decoded->information, 0x0000000100001234u);

    // Cut off inside the descriptor, or the valid bit clear: no address.
    EXPECT_FALSE(decodeSense(std::span(withInformation).first(20))->information);
    Bytes invalid = withInformation;
    invalid[14] = 0;
    EXPECT_FALSE(decode(invalid)->information);
    // A descriptor length that runs past the data ends the walk.
    const auto runaway = decode({0x73, 0x05, 0x24, 0x00, 0, 0, 0, 0x04, 0x00, 0xFF, 0x80, 0});
    ASSERT_TRUE(runaway);
    EXPECT_TRUE(runaway->deferred);
    EXPECT_FALSE(runaway->information);

    // Two bytes hold the key; one does not.
    EXPECT_EQ(decode({0x72, 0x02})->key, 2);
    EXPECT_FALSE(decode({0x72}));
}

TEST(SenseDecoder, NonExtendedSenseOfEarlyDevices) {
    const auto legacy = decodeSense(SenseData::of(sense_key::UnitAttention, 0x29)
                                        .withInformation(0x1F0203)
                                        .encode(true)
                                        .span());
    ASSERT_TRUE(legacy);
    EXPECT_EQ(legacy->format, SenseFormat::NonExtended);
    EXPECT_FALSE(legacy->extended());
    EXPECT_EQ(legacy->errorClass, 0);
    EXPECT_EQ(legacy->errorCode, 6);
    EXPECT_EQ(legacy->information, 0x1F0203u);

    // The address needs all four bytes.
    const auto cut = decode({0xA3, 0x01});
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->errorClass, 2);
    EXPECT_EQ(cut->errorCode, 3);
    EXPECT_FALSE(cut->information);

    // Class 7 with a response code no format has.
    EXPECT_FALSE(decode({0x74, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x20, 0}));
    EXPECT_FALSE(decode({0x7F, 0, 0x05}));
}

TEST(SenseDecoder, DataIsKeptOnlyForNoSenseAndRecoveredError) {
    EXPECT_TRUE(
        senseKeepsData(SenseData::of(sense_key::RecoveredError, 0x18).encode(false).span()));
    EXPECT_TRUE(senseKeepsData(Bytes{0x72, 0x00, 0x00, 0x00}));
    EXPECT_FALSE(senseKeepsData(SenseData::of(sense_key::MediumError, 0x11).encode(false).span()));
    // Non-extended sense has no key to vouch for the data.
    EXPECT_FALSE(senseKeepsData(SenseData::of(sense_key::NoSense, 0).encode(true).span()));
    EXPECT_FALSE(senseKeepsData(Bytes{}));
}

TEST(ScsiConstants, StatusNames) {
    EXPECT_STREQ(status::nameOf(status::Good), "GOOD");
    EXPECT_STREQ(status::nameOf(status::ReservationConflict), "RESERVATION CONFLICT");
    EXPECT_STREQ(status::nameOf(0x3F), "");
    EXPECT_EQ(cdbLengthOf(op::Inquiry), 6u);
    EXPECT_EQ(cdbLengthOf(op::ReadLong10), 10u);
    EXPECT_EQ(cdbLengthOf(op::ReportLuns), 12u);
}
