#include "DefectLists.h"

#include "FormatText.h"

#include <algorithm>

namespace quillon::console {

namespace {

const std::string Hyphens(46, '-');

std::uint32_t bigEndian(const std::uint8_t* at, int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        value = value << 8 | at[i];
    }
    return value;
}

std::string blockLine(std::int32_t number, const std::uint8_t* entry) {
    return formatText("%4d : %10X", number, bigEndian(entry, 4));
}

// A whole-track defect has the sector FFFFFFFFh, shown as -1.
std::string sectorLine(std::int32_t number, const std::uint8_t* entry) {
    return formatText("%4d : %10d %6d %6d", number, static_cast<int>(bigEndian(entry, 3)),
                      static_cast<int>(entry[3]),
                      static_cast<std::int32_t>(bigEndian(entry + 4, 4)));
}

// A list format whose entries the log shows: its code in bits 2 to 0 of
// byte 1, the size of an entry, the column header and an entry's line.
struct EntryFormat {
    std::uint8_t Code;
    std::int32_t Size;
    const char* ColumnHeader;
    std::string (*Line)(std::int32_t number, const std::uint8_t* entry);
};

constexpr EntryFormat EntryFormats[] = {
    {0, 4, "  No.    Block(Hex)", blockLine},
    {5, 8, "  No.     Sylnder    Hed    Sec", sectorLine},
};

} // namespace

DefectLists::Result DefectLists::ReadDefect(DeviceAddress at) {
    drive_.SelectCurrent(at);
    if (!drive_.BeginOperation(at, "Read Defect Data")) {
        return {false, DriveConsole::NoDeviceReason};
    }
    if (!drive_.CheckUnitReady()) {
        return {false, "the drive is not ready: " + report("Read Defect")};
    }
    const std::int32_t selection = choice_.AskSelection();
    if (selection < 1 || selection > static_cast<std::int32_t>(DefectListKinds.size())) {
        report("Read Defect(select)");
        return {false, "no list was chosen"};
    }
    const DefectListKind& kind = DefectListKinds[static_cast<std::size_t>(selection - 1)];
    if (drive_.MODrive1.ReadDefect(drive_.CurrentHA, drive_.CurrentTarget, drive_.CurrentLUN,
                                   kind.FormatByte, Length, drive_.DataBuffer.data()) != 0) {
        return {false, "READ DEFECT DATA failed: " + report(kind.FailureLabel)};
    }
    std::string why = shortfall(ShowDefectList(kind.Title, Length));
    return {why.empty(), std::move(why)};
}

// The drive sends no more than the allocation length, however long the list
// its header reports: only the entries wholly received are listed, and the
// rest are counted.
DefectLists::Listing DefectLists::ShowDefectList(const std::string& Title, std::int32_t Received) {
    Console& out = drive_.Output();
    const std::uint8_t* data = drive_.DataBuffer.data();
    Listing listing;
    listing.Format = data[1] & 0x07;
    out.AddLog(Title);
    out.AddLog(Hyphens);
    const auto format =
        std::find_if(std::begin(EntryFormats), std::end(EntryFormats),
                     [&](const EntryFormat& f) { return f.Code == listing.Format; });
    if (format != std::end(EntryFormats)) {
        listing.Known = true;
        out.AddLog(format->ColumnHeader);
        const auto length = static_cast<std::int32_t>(bigEndian(data + 2, 2));
        const std::int32_t end =
            std::min({length + 4, Received, static_cast<std::int32_t>(drive_.DataBuffer.size())});
        for (std::int32_t i = 4; i + format->Size <= end; i += format->Size) {
            out.AddLog(format->Line(listing.Count, data + i));
            ++listing.Count;
        }
        listing.Beyond = length / format->Size - listing.Count;
    }
    out.AddLog(Hyphens);
    out.AddLog(formatText(" Defect Count = %d", listing.Count));
    if (listing.Beyond > 0) {
        out.AddLog(formatText(" Defects beyond the %d bytes read = %d", Received, listing.Beyond));
    }
    return listing;
}

std::string DefectLists::report(const std::string& label) {
    std::string statusText;
    drive_.ShowScsiStatus(true, label, statusText);
    return statusText;
}

std::string DefectLists::shortfall(const Listing& listing) {
    if (!listing.Known) {
        return formatText("the drive sent its list in format %d, which is not shown (block "
                          "format is 0, physical sector format 5)",
                          listing.Format);
    }
    if (listing.Beyond > 0) {
        return formatText("%d defects lie beyond the %d bytes read", listing.Beyond, Length);
    }
    return {};
}

} // namespace quillon::console
