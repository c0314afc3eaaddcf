// The drive's block commands: reads and writes of user data and of raw long
// sectors, verification and seeks, with the error recovery they go through.
#include "DriveTiming.h"
#include "Exchange.h"
#include "SimDrive.h"

#include <algorithm>

namespace quillon::sim {

namespace {

// Surface defects spoil their bytes the same way on every read.
std::uint8_t defectMask(std::uint32_t i) {
    return static_cast<std::uint8_t>(0x80 | (i * 37));
}

// The byte length must be the whole long sector; otherwise the drive refuses
// the command with ILI set and the difference in the information field.
std::optional<SenseData> longLengthError(std::uint32_t requested, std::uint32_t actual) {
    if (requested == actual) {
        return std::nullopt;
    }
    auto sense = SenseData::of(sense_key::IllegalRequest, 0x24).withInformation(requested - actual);
    sense.incorrectLength = true;
    return sense;
}

} // namespace

bool SimDrive::checkRange(Exchange& x, std::uint32_t lba, std::uint32_t blocks) {
    const std::uint32_t last = medium_->profile().lastLba;
    if (lba > last || std::uint64_t{lba} + blocks > std::uint64_t{last} + 1) {
        fail(x, SenseData::of(sense_key::IllegalRequest, 0x21)
                    .withInformation(lba > last ? lba : last + 1));
        return false;
    }
    return true;
}

Nanos SimDrive::access(std::uint32_t lba, std::uint32_t blocks) {
    if (blocks == 0) {
        return Nanos{0};
    }
    const auto& profile = medium_->profile();
    const DriveTiming timing(profile);
    Nanos time = timing.seek(headTrack_, profile.trackOf(lba)) + timing.sectorTime() * blocks;
    if (lba != nextSequentialLba_) {
        time += timing.averageLatency();
    }
    headTrack_ = profile.trackOf(lba + blocks - 1);
    nextSequentialLba_ = lba + blocks;
    return time;
}

std::optional<std::uint32_t> SimDrive::correct(Exchange& x, std::uint32_t lba) {
    const auto length = medium_->profile().longBlockSize();
    const std::uint32_t errors =
        medium_->defectiveBytes(lba) + errors_.read(length, [](std::uint32_t, std::uint8_t) {});
    if (!medium_->sectors().checkBytesMatch(lba) || errors > correctionLimit()) {
        fail(x, SenseData::of(sense_key::MediumError, 0x11).withInformation(lba));
        return std::nullopt;
    }
    return errors;
}

void SimDrive::sendRaw(Exchange& x, std::uint32_t lba, std::uint32_t length) {
    const auto recorded = medium_->sectors().longSector(lba);
    const auto raw = std::span(scratch_).first(recorded.size());
    std::copy(recorded.begin(), recorded.end(), raw.begin());
    medium_->forEachBurst(lba, [&](std::uint32_t offset, std::uint32_t bytes) {
        for (std::uint32_t i = 0; i < bytes; ++i) {
            raw[offset + i] ^= defectMask(i);
        }
    });
    errors_.read(static_cast<std::uint32_t>(raw.size()),
                 [&](std::uint32_t offset, std::uint8_t mask) { raw[offset] ^= mask; });
    x.send(raw.first(length));
}

// With DCR set the drive returns the user data as read, errors and all; with
// it clear it corrects what it can, stops at the first block it cannot with
// MEDIUM ERROR, and with PER set reports a corrected read as RECOVERED ERROR.
void SimDrive::read10(Exchange& x) {
    const std::uint32_t lba = x.be32(2);
    const std::uint32_t blocks = x.be16(7);
    if (!checkRange(x, lba, blocks)) {
        return;
    }
    x.spend(access(lba, blocks));
    const std::uint32_t blockSize = medium_->profile().blockSize;
    const bool raw = page_.flag(ErrorRecoveryPage::DCR);
    std::optional<std::uint32_t> recovered;
    // An initiator whose buffer is full ends the transfer (its host adapter
    // reports the overrun), so the drive reads no further.
    for (std::uint32_t b = 0; b < blocks && !x.outcome().dataLengthError; ++b) {
        const std::uint32_t current = lba + b;
        if (raw) {
            sendRaw(x, current, blockSize);
            continue;
        }
        const auto corrected = correct(x, current);
        if (!corrected) {
            return;
        }
        if (*corrected > 0) {
            recovered = current;
        }
        x.send(medium_->sectors().longSector(current).first(blockSize));
    }
    if (recovered && page_.flag(ErrorRecoveryPage::PER)) {
        fail(x, SenseData::of(sense_key::RecoveredError, 0x18).withInformation(*recovered));
    }
}

bool SimDrive::writeBlocks(Exchange& x, std::uint32_t lba, std::uint32_t blocks) {
    const std::uint32_t blockSize = medium_->profile().blockSize;
    if (!checkRange(x, lba, blocks)) {
        return false;
    }
    const auto data = x.receive(std::size_t{blocks} * blockSize);
    if (x.outcome().dataLengthError) {
        return false;
    }
    x.spend(access(lba, blocks));
    for (std::uint32_t b = 0; b < blocks; ++b) {
        medium_->sectors().writeData(lba + b, data.subspan(std::size_t{b} * blockSize, blockSize));
    }
    return true;
}

void SimDrive::write10(Exchange& x) {
    writeBlocks(x, x.be32(2), x.be16(7));
}

bool SimDrive::verifyBlocks(Exchange& x, std::uint32_t lba, std::uint32_t blocks) {
    for (std::uint32_t b = 0; b < blocks; ++b) {
        if (!correct(x, lba + b)) {
            return false;
        }
    }
    return true;
}

void SimDrive::writeAndVerify10(Exchange& x) {
    const std::uint32_t lba = x.be32(2);
    const std::uint32_t blocks = x.be16(7);
    if (writeBlocks(x, lba, blocks)) {
        const DriveTiming timing(medium_->profile());
        x.spend(timing.revolution() + timing.sectorTime() * blocks);
        verifyBlocks(x, lba, blocks);
    }
}

// Without BytChk the drive checks that every block can be read back; with it
// the blocks must also equal the data sent.
void SimDrive::verify10(Exchange& x) {
    const std::uint32_t lba = x.be32(2);
    const std::uint32_t blocks = x.be16(7);
    const bool byteCheck = (x.byte(1) & 0x02) != 0;
    if (!checkRange(x, lba, blocks)) {
        return;
    }
    const std::uint32_t blockSize = medium_->profile().blockSize;
    std::span<const std::uint8_t> expected;
    if (byteCheck) {
        expected = x.receive(std::size_t{blocks} * blockSize);
        if (x.outcome().dataLengthError) {
            return;
        }
    }
    x.spend(access(lba, blocks));
    if (!verifyBlocks(x, lba, blocks) || !byteCheck) {
        return;
    }
    for (std::uint32_t b = 0; b < blocks; ++b) {
        const auto recorded = medium_->sectors().longSector(lba + b).first(blockSize);
        if (!std::equal(recorded.begin(), recorded.end(),
                        expected.begin() + std::ptrdiff_t{b} * blockSize)) {
            fail(x, SenseData::of(sense_key::Miscompare, 0x1D).withInformation(lba + b));
            return;
        }
    }
}

void SimDrive::seek10(Exchange& x) {
    const std::uint32_t lba = x.be32(2);
    if (!checkRange(x, lba, 1)) {
        return;
    }
    const auto& profile = medium_->profile();
    x.spend(DriveTiming(profile).seek(headTrack_, profile.trackOf(lba)));
    headTrack_ = profile.trackOf(lba);
    nextSequentialLba_ = UINT32_MAX; // on the track, anywhere in its turn
}

void SimDrive::readLong(Exchange& x) {
    const std::uint32_t lba = x.be32(2);
    const std::uint32_t length = x.be16(7);
    const bool corrected = (x.byte(1) & 0x02) != 0;
    if (!checkRange(x, lba, 1) || length == 0) {
        return;
    }
    if (auto sense = longLengthError(length, medium_->profile().longBlockSize())) {
        fail(x, *sense);
        return;
    }
    x.spend(access(lba, 1));
    if (!corrected) {
        sendRaw(x, lba, length);
    } else if (correct(x, lba)) {
        x.send(medium_->sectors().longSector(lba));
    }
}

void SimDrive::writeLong(Exchange& x) {
    const std::uint32_t lba = x.be32(2);
    const std::uint32_t length = x.be16(7);
    if (!checkRange(x, lba, 1) || length == 0) {
        return;
    }
    if (auto sense = longLengthError(length, medium_->profile().longBlockSize())) {
        fail(x, *sense);
        return;
    }
    const auto raw = x.receive(length);
    if (x.outcome().dataLengthError) {
        return;
    }
    x.spend(access(lba, 1));
    medium_->sectors().writeLong(lba, raw);
}

} // namespace quillon::sim
