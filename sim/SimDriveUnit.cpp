// The drive's commands that concern the unit as a whole: readiness, sense
// data, identity, capacity, spindle and cartridge.
#include "Bytes.h"
#include "DriveTiming.h"
#include "Exchange.h"
#include "SimDrive.h"

namespace quillon::sim {

void SimDrive::testUnitReady(Exchange&) {}

// Returns the sense of the last command if it ended in CHECK CONDITION, else
// a pending unit attention, else the progress of a running format, else no
// sense. A drive configured for legacy sense answers in 4 bytes.
void SimDrive::requestSense(Exchange& x) {
    SenseData sense;
    if (pendingSense_) {
        sense = *pendingSense_;
        pendingSense_.reset();
    } else if (unitAttention_ != UnitAttention::None) {
        sense = SenseData::of(sense_key::UnitAttention,
                              unitAttention_ == UnitAttention::PowerOn ? 0x29 : 0x28);
        unitAttention_ = UnitAttention::None;
    } else if (formatStart_) {
        sense = formatInProgress();
    }
    // An allocation length of zero asks for the four bytes of early SCSI.
    x.send(sense.encode(config_.legacySense).span(), x.byte(4) == 0 ? 4 : x.byte(4));
}

void SimDrive::inquiry(Exchange& x) {
    if (x.byte(2) != 0) { // a page code without EVPD
        fail(x, SenseData::of(sense_key::IllegalRequest, 0x24).withFieldPointer(true, 2));
        return;
    }
    x.send(inquiryData(peripheralByte()), x.be16(3));
}

void SimDrive::readCapacity(Exchange& x) {
    const bool partialMediumIndicator = (x.byte(8) & 0x01) != 0;
    if (!partialMediumIndicator && x.be32(2) != 0) {
        fail(x, SenseData::of(sense_key::IllegalRequest, 0x24).withFieldPointer(true, 2));
        return;
    }
    const auto& profile = medium_->profile();
    std::array<std::uint8_t, 8> data{};
    putBe32(data, 0, profile.lastLba);
    putBe32(data, 4, profile.blockSize);
    x.send(data);
}

// Byte 4: 02h ejects (LoEj without Start), 00h stops, 01h starts, 03h loads
// and starts. With Immed the drive answers before the mechanism has moved.
void SimDrive::startStopUnit(Exchange& x) {
    const bool immediate = (x.byte(1) & 0x01) != 0;
    const bool loadEject = (x.byte(4) & 0x02) != 0;
    const bool start = (x.byte(4) & 0x01) != 0;
    if (loadEject && !optical_) {
        fail(x, SenseData::of(sense_key::IllegalRequest, 0x24).withFieldPointer(true, 4, 1));
        return;
    }
    if (loadEject && !start && preventRemoval_) {
        fail(x, SenseData::of(sense_key::IllegalRequest, 0x53, 0x02));
        return;
    }
    if ((start || loadEject) && !medium_) {
        fail(x, SenseData::of(sense_key::NotReady, 0x3A));
        return;
    }
    Nanos mechanism{0};
    if (loadEject && !start) {
        medium_.reset();
        loadNext();
        mechanism = DriveTiming::EjectTime + (medium_ ? DriveTiming::SpinUp : Nanos{0});
    } else if (start) {
        mechanism = started_ ? Nanos{0} : DriveTiming::SpinUp;
        started_ = true;
    } else {
        mechanism = started_ && medium_ ? DriveTiming::SpinDown : Nanos{0};
        started_ = false;
    }
    if (!immediate) {
        x.spend(mechanism);
    }
}

void SimDrive::preventAllow(Exchange& x) {
    preventRemoval_ = (x.byte(4) & 0x01) != 0;
}

} // namespace quillon::sim
