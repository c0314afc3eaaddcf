#include "SenseDecoder.h"

#include "ScsiConstants.h"

#include <algorithm>

namespace quillon::scsicore {

namespace {

constexpr std::size_t AdditionalLengthByte = 7;
constexpr std::size_t HeaderLength = 8; // the bytes up to the additional length
constexpr std::uint8_t InformationDescriptor = 0x00;
constexpr std::size_t InformationDescriptorLength = 12;

std::uint64_t bigEndian(std::span<const std::uint8_t> bytes) {
    std::uint64_t value = 0;
    for (const std::uint8_t b : bytes) {
        value = value << 8 | b;
    }
    return value;
}

std::uint8_t byteOr0(std::span<const std::uint8_t> bytes, std::size_t at) {
    return at < bytes.size() ? bytes[at] : 0;
}

// The bytes the target vouches for: the header and the additional sense
// length after it, no more than were received.
std::span<const std::uint8_t> validPart(std::span<const std::uint8_t> sense) {
    if (sense.size() <= AdditionalLengthByte) {
        return sense;
    }
    return sense.first(std::min(sense.size(), HeaderLength + sense[AdditionalLengthByte]));
}

DecodedSense decodeFixed(std::span<const std::uint8_t> sense) {
    const auto valid = validPart(sense);
    DecodedSense decoded;
    decoded.format = SenseFormat::Fixed;
    decoded.key = valid[2] & 0x0F;
    decoded.asc = byteOr0(valid, 12);
    decoded.ascq = byteOr0(valid, 13);
    if ((sense[0] & 0x80) != 0 && valid.size() >= 7) {
        decoded.information = bigEndian(valid.subspan(3, 4));
    }
    return decoded;
}

// The information descriptor's field, when the descriptor is whole and
// marked valid.
std::optional<std::uint64_t> informationOf(std::span<const std::uint8_t> valid) {
    for (std::size_t at = HeaderLength; at + 1 < valid.size(); at += 2u + valid[at + 1]) {
        if (valid[at] == InformationDescriptor &&
            at + InformationDescriptorLength <= valid.size()) {
            if ((valid[at + 2] & 0x80) == 0) {
                return std::nullopt;
            }
            return bigEndian(valid.subspan(at + 4, 8));
        }
    }
    return std::nullopt;
}

DecodedSense decodeDescriptor(std::span<const std::uint8_t> sense) {
    const auto valid = validPart(sense);
    DecodedSense decoded;
    decoded.format = SenseFormat::Descriptor;
    decoded.key = valid[1] & 0x0F;
    decoded.asc = byteOr0(valid, 2);
    decoded.ascq = byteOr0(valid, 3);
    decoded.information = informationOf(valid);
    return decoded;
}

DecodedSense decodeNonExtended(std::span<const std::uint8_t> sense) {
    DecodedSense decoded;
    decoded.format = SenseFormat::NonExtended;
    decoded.errorClass = (sense[0] >> 4) & 0x07;
    decoded.errorCode = sense[0] & 0x0F;
    if ((sense[0] & 0x80) != 0 && sense.size() >= 4) {
        decoded.information = bigEndian(sense.subspan(1, 3));
    }
    return decoded;
}

} // namespace

std::optional<DecodedSense> decodeSense(std::span<const std::uint8_t> sense) {
    if (sense.empty()) {
        return std::nullopt;
    }
    const std::uint8_t responseCode = sense[0] & 0x7F;
    if ((responseCode == 0x70 || responseCode == 0x71) && sense.size() >= 3) {
        auto decoded = decodeFixed(sense);
        decoded.deferred = responseCode == 0x71;
        return decoded;
    }
    if ((responseCode == 0x72 || responseCode == 0x73) && sense.size() >= 2) {
        auto decoded = decodeDescriptor(sense);
        decoded.deferred = responseCode == 0x73;
        return decoded;
    }
    if (((sense[0] >> 4) & 0x07) < 7) {
        return decodeNonExtended(sense);
    }
    return std::nullopt;
}

bool senseKeepsData(std::span<const std::uint8_t> sense) {
    const auto decoded = decodeSense(sense);
    return decoded && decoded->extended() &&
           (decoded->key == sense_key::NoSense || decoded->key == sense_key::RecoveredError);
}

} // namespace quillon::scsicore
