#include "SimDrive.h"

#include "DriveTiming.h"
#include "Exchange.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace quillon::sim {

namespace {

constexpr std::size_t InquiryLength = 36;

void putPadded(std::vector<std::uint8_t>& out, std::size_t at, const std::string& text,
               std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
        out[at + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : ' ';
    }
}

} // namespace

// Which blocks a command addresses, for fault rules.
enum class Addressing : std::uint8_t { None, Single, Counted };

// One command of the drive's set: the bits it accepts in each CDB byte (any
// other set bit is refused as an invalid field), whether it needs a ready
// medium or writes to it, and its handler.
struct SimDrive::CommandTraits {
    std::uint8_t opcode;
    std::array<std::uint8_t, 10> accepted;
    bool needsMedium;
    bool writesMedium;
    Addressing addressing;
    void (SimDrive::*handler)(Exchange&);
};

const SimDrive::CommandTraits* SimDrive::findCommand(std::uint8_t opcode) {
    // Byte 1 bits 7-5 carry the LUN of SCSI-2 initiators and are ignored;
    // the control byte accepts only its vendor bits (no linked commands).
    static constexpr std::array<CommandTraits, 17> Commands{{
        {op::TestUnitReady,
         {0, 0xE0, 0, 0, 0, 0xC0},
         true,
         false,
         Addressing::None,
         &SimDrive::testUnitReady},
        {op::RequestSense,
         {0, 0xE0, 0, 0, 0xFF, 0xC0},
         false,
         false,
         Addressing::None,
         &SimDrive::requestSense},
        {op::FormatUnit,
         {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xC0},
         true,
         true,
         Addressing::None,
         &SimDrive::formatUnit},
        {op::Inquiry,
         {0, 0xE0, 0xFF, 0xFF, 0xFF, 0xC0},
         false,
         false,
         Addressing::None,
         &SimDrive::inquiry},
        {op::ModeSelect6,
         {0, 0xF1, 0, 0, 0xFF, 0xC0},
         false,
         false,
         Addressing::None,
         &SimDrive::modeSelect6},
        {op::ModeSense6,
         {0, 0xE8, 0xFF, 0xFF, 0xFF, 0xC0},
         false,
         false,
         Addressing::None,
         &SimDrive::modeSense6},
        {op::StartStopUnit,
         {0, 0xE1, 0, 0, 0x03, 0xC0},
         false,
         false,
         Addressing::None,
         &SimDrive::startStopUnit},
        {op::PreventAllowMediumRemoval,
         {0, 0xE0, 0, 0, 0x01, 0xC0},
         false,
         false,
         Addressing::None,
         &SimDrive::preventAllow},
        {op::ReadCapacity10,
         {0, 0xE0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0x01, 0xC0},
         true,
         false,
         Addressing::None,
         &SimDrive::readCapacity},
        {op::Read10,
         {0, 0xF8, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0xC0},
         true,
         false,
         Addressing::Counted,
         &SimDrive::read10},
        {op::Write10,
         {0, 0xF8, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0xC0},
         true,
         true,
         Addressing::Counted,
         &SimDrive::write10},
        {op::Seek10,
         {0, 0xE0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0xC0},
         true,
         false,
         Addressing::Single,
         &SimDrive::seek10},
        {op::WriteAndVerify10,
         {0, 0xF2, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0xC0},
         true,
         true,
         Addressing::Counted,
         &SimDrive::writeAndVerify10},
        {op::Verify10,
         {0, 0xF2, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0xC0},
         true,
         false,
         Addressing::Counted,
         &SimDrive::verify10},
        {op::ReadDefectData10,
         {0, 0xE0, 0x1F, 0, 0, 0, 0, 0xFF, 0xFF, 0xC0},
         true,
         false,
         Addressing::None,
         &SimDrive::readDefectData},
        {op::ReadLong10,
         {0, 0xE2, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0xC0},
         true,
         false,
         Addressing::Single,
         &SimDrive::readLong},
        {op::WriteLong10,
         {0, 0xE0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0xC0},
         true,
         true,
         Addressing::Single,
         &SimDrive::writeLong},
    }};
    for (const auto& traits : Commands) {
        if (traits.opcode == opcode) {
            return &traits;
        }
    }
    return nullptr;
}

SimDrive::SimDrive(const DriveConfig& config)
    : config_(config), optical_(config.media.empty() || config.media.front() != "disk"),
      page_(config.canSavePages), errors_(config.byteErrorRate, config.seed),
      correctionLimit_(config.correctionLimit), scratch_(2380) {
    if (!optical_ && config.media.size() != 1) {
        throw std::invalid_argument("a disk drive holds exactly one fixed disk");
    }
    for (const auto& name : config.media) {
        const auto* profile = findMediaProfile(name);
        if (profile == nullptr) {
            throw std::invalid_argument("unknown medium \"" + name + "\"");
        }
        if (profile->removable != optical_) {
            throw std::invalid_argument("a drive holds either MO media or one fixed disk");
        }
    }
    // The image is the first medium's; the others start blank.
    for (const auto& name : config.media) {
        if (medium_) {
            changer_.push_back(Medium::named(name));
        } else {
            medium_.emplace(Medium::named(name, config.image));
        }
    }
    for (const std::size_t place : config.protectedMedia) {
        if (place >= config.media.size()) {
            throw std::invalid_argument("no medium " + std::to_string(place + 1) + " to protect");
        }
        (place == 0 ? *medium_ : changer_[place - 1]).setWriteProtected(true);
    }
}

SimDrive::~SimDrive() = default;

CommandOutcome SimDrive::execute(const CommandRequest& request) {
    std::lock_guard lock(mutex_);
    CommandOutcome outcome;
    outcome.duration = DriveTiming::CommandOverhead;
    Exchange x(request, outcome);
    commandStart_ = request.at.value_or(now_);
    finishFormatIfDone();

    if (request.cdb.empty()) {
        fail(x, SenseData::of(sense_key::IllegalRequest, 0x20));
    } else if (!applyFault(x)) {
        if (x.opcode() != op::RequestSense) {
            pendingSense_.reset();
        }
        const auto* traits = findCommand(x.opcode());
        if (admit(x, traits)) {
            run(x, *traits);
        }
    }
    if (!outcome.hang) {
        now_ = std::max(now_, commandStart_ + outcome.duration);
    }
    return outcome;
}

// A medium kept in an image file fails as a real one does when the file
// fails: MEDIUM ERROR, write error or unrecovered read error.
void SimDrive::run(Exchange& x, const CommandTraits& traits) {
    try {
        (this->*traits.handler)(x);
    } catch (const MediumImageError&) {
        fail(x, SenseData::of(sense_key::MediumError, traits.writesMedium ? 0x0C : 0x11));
    }
}

bool SimDrive::admit(Exchange& x, const CommandTraits* traits) {
    const bool exempt = x.opcode() == op::Inquiry || x.opcode() == op::RequestSense;
    if (!exempt && unitAttention_ != UnitAttention::None) {
        const std::uint8_t asc = unitAttention_ == UnitAttention::PowerOn ? 0x29 : 0x28;
        unitAttention_ = UnitAttention::None;
        fail(x, SenseData::of(sense_key::UnitAttention, asc));
        return false;
    }
    if (traits == nullptr) {
        fail(x, SenseData::of(sense_key::IllegalRequest, 0x20).withFieldPointer(true, 0, 7));
        return false;
    }
    const std::size_t length = cdbLengthOf(traits->opcode);
    if (x.cdb().size() < length) {
        fail(x,
             SenseData::of(sense_key::IllegalRequest, 0x24).withFieldPointer(true, x.cdb().size()));
        return false;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const std::uint8_t accepted = i == length - 1 ? 0xC0 : traits->accepted[i];
        const std::uint8_t refused = x.byte(i) & static_cast<std::uint8_t>(~accepted);
        if (refused != 0) {
            int bit = 7;
            while (((refused >> bit) & 1) == 0) {
                --bit;
            }
            fail(x, SenseData::of(sense_key::IllegalRequest, 0x24).withFieldPointer(true, i, bit));
            return false;
        }
    }
    if (!exempt && formatStart_) {
        fail(x, formatInProgress());
        return false;
    }
    if (traits->needsMedium) {
        if (auto sense = notReadySense()) {
            fail(x, *sense);
            return false;
        }
    }
    if (traits->writesMedium && medium_->writeProtected()) {
        fail(x, SenseData::of(sense_key::DataProtect, 0x27));
        return false;
    }
    return true;
}

// NOT READY "format in progress", with the fraction done.
SenseData SimDrive::formatInProgress() const {
    const auto total = (formatEnd_ - *formatStart_).count();
    const auto done = std::clamp((commandStart_ - *formatStart_).count(), Nanos::rep{0}, total - 1);
    return SenseData::of(sense_key::NotReady, 0x04, 0x04)
        .withProgress(static_cast<std::uint16_t>(done * 65536 / total));
}

std::optional<SenseData> SimDrive::notReadySense() const {
    if (!medium_) {
        return SenseData::of(sense_key::NotReady, 0x3A);
    }
    if (!started_) {
        return SenseData::of(sense_key::NotReady, 0x04, 0x02);
    }
    return std::nullopt;
}

bool SimDrive::applyFault(Exchange& x) {
    const auto* traits = findCommand(x.opcode());
    std::optional<BlockRange> blocks;
    if (traits != nullptr && traits->addressing != Addressing::None) {
        const std::uint32_t count =
            traits->addressing == Addressing::Counted ? std::max<std::uint32_t>(1, x.be16(7)) : 1;
        blocks = BlockRange{x.be32(2), count};
    }
    for (std::size_t i = 0; i < faults_.size(); ++i) {
        const auto& rule = faults_[i];
        if (rule.opcode && *rule.opcode != x.opcode()) {
            continue;
        }
        std::uint32_t firstHit = 0;
        if (blocks) {
            const std::uint64_t last = std::uint64_t{blocks->first} + blocks->count - 1;
            if (last < rule.firstLba || blocks->first > rule.lastLba) {
                continue;
            }
            firstHit = std::max(blocks->first, rule.firstLba);
        } else if (!rule.coversEveryAddress()) {
            continue;
        }
        const std::uint32_t seen = ++faultMatches_[i];
        if (seen <= rule.skip || (rule.count != 0 && seen > rule.skip + rule.count)) {
            continue;
        }
        switch (rule.kind) {
        case FaultKind::Busy:
            x.outcome().status = status::Busy;
            break;
        case FaultKind::ReservationConflict:
            x.outcome().status = status::ReservationConflict;
            break;
        case FaultKind::Hang:
            x.outcome().hang = true;
            break;
        case FaultKind::CheckCondition: {
            auto sense = SenseData::of(rule.senseKey, rule.asc, rule.ascq);
            if (blocks) {
                sense.withInformation(firstHit);
            }
            fail(x, sense);
            break;
        }
        }
        return true;
    }
    return false;
}

void SimDrive::fail(Exchange& x, const SenseData& sense) {
    auto& out = x.outcome();
    const auto encoded = sense.encode(config_.legacySense);
    out.status = status::CheckCondition;
    out.sense = encoded.bytes;
    out.senseLength = encoded.length;
    pendingSense_ = sense;
}

void SimDrive::finishFormatIfDone() {
    if (formatStart_ && commandStart_ >= formatEnd_) {
        formatStart_.reset();
    }
}

void SimDrive::loadNext() {
    if (!changer_.empty()) {
        medium_.emplace(std::move(changer_.front()));
        changer_.pop_front();
        started_ = true;
        headTrack_ = 0;
        if (unitAttention_ == UnitAttention::None) {
            unitAttention_ = UnitAttention::MediumChanged;
        }
    }
}

std::uint32_t SimDrive::correctionLimit() const {
    return correctionLimit_.value_or(medium_->profile().checkByteCount() / 2);
}

// ---- Control interface -------------------------------------------------------------

std::uint8_t SimDrive::peripheralByte() const {
    return optical_ ? 0x07 : 0x00;
}

std::vector<std::uint8_t> SimDrive::inquiryData(std::uint8_t peripheral) const {
    std::vector<std::uint8_t> data(InquiryLength, 0);
    data[0] = peripheral;
    data[1] = optical_ ? 0x80 : 0x00; // removable medium
    data[2] = 0x02;                   // SCSI-2
    data[3] = 0x02;                   // response data format 2
    data[4] = InquiryLength - 5;
    data[7] = 0x10; // synchronous transfers
    const std::string product =
        config_.product.empty() ? (optical_ ? "SIM MO DRIVE" : "SIM DISK") : config_.product;
    putPadded(data, 8, config_.vendor, 8);
    putPadded(data, 16, product, 16);
    putPadded(data, 32, config_.revision, 4);
    return data;
}

void SimDrive::insertMedium(Medium medium) {
    std::lock_guard lock(mutex_);
    if (!optical_ || !medium.profile().removable) {
        throw std::invalid_argument("only an MO drive takes cartridges");
    }
    changer_.push_back(std::move(medium));
    if (!medium_) {
        loadNext();
    }
}

bool SimDrive::ejectMedium() {
    std::lock_guard lock(mutex_);
    if (!medium_) {
        return false;
    }
    medium_.reset();
    formatStart_.reset(); // a format ends with its medium
    loadNext();
    return true;
}

bool SimDrive::hasMedium() const {
    std::lock_guard lock(mutex_);
    return medium_.has_value();
}

std::size_t SimDrive::waitingMedia() const {
    std::lock_guard lock(mutex_);
    return changer_.size();
}

void SimDrive::setWriteProtected(bool on) {
    std::lock_guard lock(mutex_);
    if (!medium_) {
        throw std::logic_error("no medium in the drive");
    }
    medium_->setWriteProtected(on);
}

void SimDrive::addBurst(const BurstDefect& burst) {
    std::lock_guard lock(mutex_);
    if (!medium_) {
        throw std::logic_error("no medium in the drive");
    }
    medium_->addBurst(burst);
}

void SimDrive::addGrownDefects(std::uint32_t first, std::uint32_t count) {
    std::lock_guard lock(mutex_);
    if (!medium_) {
        throw std::logic_error("no medium in the drive");
    }
    if (count == 0 || first > medium_->profile().lastLba ||
        count - 1 > medium_->profile().lastLba - first) {
        throw std::invalid_argument("grown defects outside the medium");
    }
    auto grown = medium_->defects().grown;
    for (std::uint32_t i = 0; i < count; ++i) {
        grown.push_back(first + i);
    }
    medium_->setGrownDefects(std::move(grown));
}

void SimDrive::addFault(const FaultRule& rule) {
    std::lock_guard lock(mutex_);
    faults_.push_back(rule);
    faultMatches_.push_back(0);
}

void SimDrive::clearFaults() {
    std::lock_guard lock(mutex_);
    faults_.clear();
    faultMatches_.clear();
}

void SimDrive::setErrorModel(double byteErrorRate, std::uint64_t seed) {
    std::lock_guard lock(mutex_);
    errors_.reset(byteErrorRate, seed);
}

void SimDrive::setCorrectionLimit(std::uint32_t bytes) {
    std::lock_guard lock(mutex_);
    correctionLimit_ = bytes;
}

ErrorRecoveryPage SimDrive::modePage() const {
    std::lock_guard lock(mutex_);
    return page_;
}

void SimDrive::setModePage(const ErrorRecoveryPage::Parameters& current,
                           const ErrorRecoveryPage::Parameters& changeable) {
    std::lock_guard lock(mutex_);
    page_.setCurrent(current);
    page_.setChangeable(changeable);
}

void SimDrive::powerOn() {
    std::lock_guard lock(mutex_);
    unitAttention_ = UnitAttention::PowerOn;
    pendingSense_.reset();
    page_.restoreSaved();
    preventRemoval_ = false;
    started_ = true;
    formatStart_.reset();
}

void SimDrive::advanceTime(Nanos by) {
    std::lock_guard lock(mutex_);
    now_ += by;
}

Nanos SimDrive::now() const {
    std::lock_guard lock(mutex_);
    return now_;
}

std::vector<std::uint8_t> SimDrive::recordedSector(std::uint32_t lba) const {
    std::lock_guard lock(mutex_);
    if (!medium_) {
        throw std::logic_error("no medium in the drive");
    }
    const auto raw = medium_->sectors().longSector(lba);
    return {raw.begin(), raw.end()};
}

DefectLists SimDrive::defectLists() const {
    std::lock_guard lock(mutex_);
    if (!medium_) {
        throw std::logic_error("no medium in the drive");
    }
    return medium_->defects();
}

} // namespace quillon::sim
