// The drive's commands about the medium as a whole: the error recovery mode
// page, the defect lists and the format.
#include "Bytes.h"
#include "DriveTiming.h"
#include "Exchange.h"
#include "SimDrive.h"

#include <algorithm>

namespace quillon::sim {

namespace {

constexpr std::size_t ModeHeaderLength = 4;
constexpr std::size_t BlockDescriptorLength = 8;
constexpr std::uint8_t AllPages = 0x3F;

SenseData invalidCdbField(std::size_t byte, int bit = -1) {
    return SenseData::of(sense_key::IllegalRequest, 0x24).withFieldPointer(true, byte, bit);
}

SenseData invalidListField(std::size_t byte, int bit = -1) {
    return SenseData::of(sense_key::IllegalRequest, 0x26).withFieldPointer(false, byte, bit);
}

SenseData listLengthError() {
    return SenseData::of(sense_key::IllegalRequest, 0x1A);
}

SenseData savingNotSupported() {
    return SenseData::of(sense_key::IllegalRequest, 0x39);
}

// The defects of a sorted list of blocks as physical sector entries
// (cylinder, head 0, sector) or, with bytesPerSector above 1, as bytes from
// index; a track whose every sector is listed is one entry with FFFFFFFFh.
std::vector<std::pair<std::uint32_t, std::uint32_t>>
sectorEntries(const MediaProfile& profile, std::span<const std::uint32_t> blocks,
              std::uint32_t bytesPerSector) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> entries;
    for (std::size_t first = 0; first < blocks.size();) {
        const std::uint32_t track = profile.trackOf(blocks[first]);
        const std::uint32_t trackStart = track * profile.sectorsPerTrack();
        const std::uint32_t sectors =
            std::min(profile.sectorsPerTrack(), profile.blockCount() - trackStart);
        std::size_t end = first;
        std::uint32_t distinct = 0;
        for (; end < blocks.size() && profile.trackOf(blocks[end]) == track; ++end) {
            distinct += end == first || blocks[end] != blocks[end - 1] ? 1 : 0;
        }
        if (distinct == sectors) {
            entries.emplace_back(track, 0xFFFFFFFF);
        } else {
            for (std::size_t i = first; i < end; ++i) {
                entries.emplace_back(track, profile.sectorOf(blocks[i]) * bytesPerSector);
            }
        }
        first = end;
    }
    return entries;
}

} // namespace

// Header, one block descriptor (unless DBD) and page 01h; a drive that
// cannot save has no saved values to report.
void SimDrive::modeSense6(Exchange& x) {
    const bool noDescriptors = (x.byte(1) & 0x08) != 0;
    const auto control = static_cast<ErrorRecoveryPage::Control>(x.byte(2) >> 6);
    const std::uint8_t pageCode = x.byte(2) & 0x3F;
    if (pageCode != ErrorRecoveryPage::PageCode && pageCode != AllPages) {
        fail(x, invalidCdbField(2, 5));
        return;
    }
    if (x.byte(3) != 0) {
        fail(x, invalidCdbField(3, 7));
        return;
    }
    if (control == ErrorRecoveryPage::Control::Saved && !page_.savable()) {
        fail(x, savingNotSupported());
        return;
    }
    std::array<std::uint8_t,
               ModeHeaderLength + BlockDescriptorLength + ErrorRecoveryPage::PageLength>
        data{};
    std::size_t length = ModeHeaderLength;
    data[2] = medium_ && medium_->writeProtected() ? 0x80 : 0x00;
    if (!noDescriptors) {
        data[3] = BlockDescriptorLength;
        if (medium_) {
            putBe24(data, 5, std::min<std::uint32_t>(medium_->profile().blockCount(), 0xFFFFFF));
            putBe24(data, 9, medium_->profile().blockSize);
        }
        length += BlockDescriptorLength;
    }
    page_.render(control, std::span(data).subspan(length).first<ErrorRecoveryPage::PageLength>());
    length += ErrorRecoveryPage::PageLength;
    data[0] = static_cast<std::uint8_t>(length - 1);
    x.send(std::span(data).first(length), x.byte(4));
}

// Takes a header, an optional block descriptor that must describe the medium
// as it is, and any number of page 01h copies. Nothing is applied unless the
// whole list is valid.
void SimDrive::modeSelect6(Exchange& x) {
    const bool pageFormat = (x.byte(1) & 0x10) != 0;
    const bool save = (x.byte(1) & 0x01) != 0;
    const std::size_t length = x.byte(4);
    if (length == 0) {
        return;
    }
    if (!pageFormat) {
        fail(x, invalidCdbField(1, 4));
        return;
    }
    if (save && !page_.savable()) {
        fail(x, savingNotSupported());
        return;
    }
    const auto list = x.receive(length);
    if (x.outcome().dataLengthError) {
        return;
    }
    std::vector<std::size_t> pages;
    auto refused = checkModeHeader(list);
    if (!refused) {
        refused = findModePages(list, pages);
    }
    if (refused) {
        fail(x, *refused);
        return;
    }
    for (const auto at : pages) {
        page_.apply(list.subspan(at, ErrorRecoveryPage::PageLength));
    }
    if (save) {
        page_.save();
    }
}

std::optional<SenseData> SimDrive::checkModeHeader(std::span<const std::uint8_t> list) const {
    if (list.size() < ModeHeaderLength) {
        return listLengthError();
    }
    if (list[0] != 0 || list[1] != 0) { // mode data length is reserved; one medium type
        return invalidListField(list[0] != 0 ? 0 : 1);
    }
    const std::size_t descriptors = list[3];
    if (descriptors != 0 && descriptors != BlockDescriptorLength) {
        return invalidListField(3);
    }
    if (ModeHeaderLength + descriptors > list.size()) {
        return listLengthError();
    }
    if (descriptors == 0 || !medium_) {
        return std::nullopt;
    }
    const auto& profile = medium_->profile();
    const std::uint32_t blocks = getBe32(list, 4) & 0xFFFFFF;
    if (list[4] != 0) {
        return invalidListField(4);
    }
    if (blocks != 0 && blocks != std::min<std::uint32_t>(profile.blockCount(), 0xFFFFFF)) {
        return invalidListField(5);
    }
    if ((getBe32(list, 8) & 0xFFFFFF) != profile.blockSize) {
        return invalidListField(9);
    }
    return std::nullopt;
}

std::optional<SenseData> SimDrive::findModePages(std::span<const std::uint8_t> list,
                                                 std::vector<std::size_t>& pages) const {
    for (std::size_t at = ModeHeaderLength + list[3]; at < list.size();) {
        if (list.size() - at < 2 || at + 2 + list[at + 1] > list.size()) {
            return listLengthError();
        }
        if (auto refused = page_.validate(list.subspan(at, 2 + list[at + 1]), at)) {
            return refused;
        }
        pages.push_back(at);
        at += 2 + list[at + 1];
    }
    return std::nullopt;
}

// Lists the primary and/or grown defects in block format (000b), physical
// sector format (101b: cylinder, head, sector) or, on a drive that keeps its
// lists so, bytes from index format (100b), which it then answers to every
// request. Another format gets the block format and RECOVERED ERROR "defect
// list not found". The header always states the whole length, however much
// the allocation length lets through.
void SimDrive::readDefectData(Exchange& x) {
    const std::uint8_t request = x.byte(2);
    const bool primary = (request & 0x10) != 0;
    const bool grown = (request & 0x08) != 0;
    const std::uint8_t requested = request & 0x07;
    const bool supported = config_.indexDefects || requested == 0 || requested == 5;
    const std::uint8_t format = config_.indexDefects ? 4 : supported ? requested : 0;

    const auto& lists = medium_->defects();
    std::vector<std::uint32_t> blocks;
    if (primary) {
        blocks.insert(blocks.end(), lists.primary.begin(), lists.primary.end());
    }
    if (grown) {
        blocks.insert(blocks.end(), lists.grown.begin(), lists.grown.end());
    }
    std::sort(blocks.begin(), blocks.end());

    const auto& profile = medium_->profile();
    const std::size_t entrySize = format == 0 ? 4 : 8;
    auto entries = format == 0
                       ? std::vector<std::pair<std::uint32_t, std::uint32_t>>{}
                       : sectorEntries(profile, blocks, format == 4 ? profile.longBlockSize() : 1);
    const std::size_t count =
        std::min(format == 0 ? blocks.size() : entries.size(), 0xFFFF / entrySize);
    std::vector<std::uint8_t> data(4 + count * entrySize, 0);
    data[1] = static_cast<std::uint8_t>((request & 0x18) | format);
    putBe16(data, 2, static_cast<std::uint32_t>(count * entrySize));
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = 4 + i * entrySize;
        if (format == 0) {
            putBe32(data, at, blocks[i]);
        } else {
            putBe24(data, at, entries[i].first);
            putBe32(data, at + 4, entries[i].second);
        }
    }
    x.spend(DriveTiming(profile).revolution());
    x.send(data, x.be16(7));
    if (!supported) {
        fail(x, SenseData::of(sense_key::RecoveredError, 0x1C));
    }
}

// Entries of a FORMAT UNIT defect list as logical blocks; a physical sector
// entry with sector FFFFFFFFh stands for its whole track.
bool SimDrive::parseDefectList(Exchange& x, std::span<const std::uint8_t> list, std::uint8_t format,
                               std::vector<std::uint32_t>& blocks) {
    const auto& profile = medium_->profile();
    const std::size_t entrySize = format == 0 ? 4 : 8;
    for (std::size_t at = 0; at < list.size(); at += entrySize) {
        const std::size_t listOffset = 4 + at;
        if (format == 0) {
            const std::uint32_t lba = getBe32(list, at);
            if (lba > profile.lastLba) {
                fail(x, invalidListField(listOffset));
                return false;
            }
            blocks.push_back(lba);
            continue;
        }
        const std::uint32_t track = getBe32(list, at) >> 8;
        const std::uint32_t sector = getBe32(list, at + 4);
        const std::uint64_t first = std::uint64_t{track} * profile.sectorsPerTrack();
        if (list[at + 3] != 0 || first > profile.lastLba) {
            fail(x, invalidListField(listOffset));
            return false;
        }
        if (sector == 0xFFFFFFFF) {
            const auto end =
                std::min<std::uint64_t>(first + profile.sectorsPerTrack(), profile.blockCount());
            for (auto lba = first; lba < end; ++lba) {
                blocks.push_back(static_cast<std::uint32_t>(lba));
            }
        } else if (sector >= profile.sectorsPerTrack() || first + sector > profile.lastLba) {
            fail(x, invalidListField(listOffset + 4));
            return false;
        } else {
            blocks.push_back(static_cast<std::uint32_t>(first + sector));
        }
    }
    return true;
}

// Sectors whose surface defects are beyond correction join the grown list.
void SimDrive::certify(std::vector<std::uint32_t>& grown) {
    for (const auto lba : medium_->burstBlocks()) {
        if (medium_->defectiveBytes(lba) > correctionLimit()) {
            grown.push_back(lba);
        }
    }
}

// Without FmtData the drive formats with its defaults: lists kept, surface
// certified. With FmtData the parameter list header (FOV, DPRY, DCRT, IP,
// Immed) and a defect list in block or physical sector format follow; CmpLst
// makes that list the new grown list instead of adding to it. A format erases
// every sector; with Immed the drive answers at once and stays NOT READY
// "format in progress" until it is done.
void SimDrive::formatUnit(Exchange& x) {
    const bool formatData = (x.byte(1) & 0x10) != 0;
    const bool completeList = (x.byte(1) & 0x08) != 0;
    const std::uint8_t listFormat = x.byte(1) & 0x07;
    bool certification = true;
    bool immediate = false;
    std::vector<std::uint32_t> given;
    if (formatData) {
        if (listFormat != 0 && listFormat != 5) {
            fail(x, invalidCdbField(1, 2));
            return;
        }
        const auto header = x.receive(4);
        if (x.outcome().dataLengthError) {
            return;
        }
        const std::uint8_t flags = header[1];
        const bool options = (flags & 0x80) != 0;
        if (header[0] != 0 || (!options && (flags & 0x7C) != 0) || (flags & 0x08) != 0) {
            fail(x, header[0] != 0 ? invalidListField(0) : invalidListField(1));
            return;
        }
        const std::size_t listLength = getBe16(header, 2);
        if (listLength % (listFormat == 0 ? 4 : 8) != 0) {
            fail(x, invalidListField(2));
            return;
        }
        const auto list = x.receive(4 + listLength);
        if (x.outcome().dataLengthError ||
            !parseDefectList(x, list.subspan(4), listFormat, given)) {
            return;
        }
        certification = (flags & 0x20) == 0;
        immediate = (flags & 0x02) != 0;
    }

    auto grown = medium_->defects().grown;
    if (formatData && completeList) {
        grown.clear();
    }
    grown.insert(grown.end(), given.begin(), given.end());
    medium_->sectors().eraseAll();
    if (certification) {
        certify(grown);
    }
    medium_->setGrownDefects(std::move(grown));

    const Nanos duration = DriveTiming(medium_->profile()).format(certification ? 2 : 1);
    formatStart_ = commandStart_;
    formatEnd_ = commandStart_ + DriveTiming::CommandOverhead + duration;
    headTrack_ = medium_->profile().trackCount - 1;
    if (!immediate) {
        x.spend(duration);
    }
}

} // namespace quillon::sim
