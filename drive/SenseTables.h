#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillon::drive {

// One entry of the sense key table: a sense key as REQUEST SENSE reports it
// and the name the sense window shows next to it.
struct TRequestSenseKey {
    std::int32_t Key;
    std::string_view Name;
};

// One entry of the sense code table: an additional sense code (ASC) and its
// qualifier (ASCQ), and the text the sense window shows for the pair and hands
// back to the caller for its log.
struct TRequestSenseCode {
    std::int32_t ASC;
    std::int32_t ASCQ;
    std::string_view Text;
};

// Names of the sense keys, searched from the top. Keys 8, 9 and 11 to 15 have
// no entry and so no name.
inline constexpr std::array<TRequestSenseKey, 9> SenseKeyTable{{
    {0, "No Sense"},
    {1, "Recovered Error"},
    {2, "Not Ready"},
    {3, "Medium Error"},
    {4, "Hardware Error"},
    {5, "Illegal Request"},
    {6, "Unit Attention"},
    {7, "Data Protect"},
    {10, "Copy Aborted"},
}};

// Texts of the additional sense code pairs, searched from the top; the first
// pair that matches wins. The texts are shown exactly as written here, the
// stray blanks in some of them included. The last entry, FFh/FFh, matches but
// has no text. Pairs not listed (00h/00h among them) have no text.
inline constexpr std::array<TRequestSenseCode, 190> SenseCodeTable{{
    {0x00, 0x01, "filemark detected"},
    {0x00, 0x02, "end-of-partition/medium detected"},
    {0x00, 0x03, "setmark detected"},
    {0x00, 0x04, "beginning-of-partition/medium detected"},
    {0x00, 0x05, "end-of-data detected"},
    {0x00, 0x06, "i/o process terminated"},
    {0x00, 0x11, "audio play operation in progress"},
    {0x00, 0x12, "audio play operation paused"},
    {0x00, 0x13, "audio play operation successfully completed"},
    {0x00, 0x14, "audio play operation stopped due to error"},
    {0x00, 0x15, "no current audio status to return"},
    {0x01, 0x00, "no index/sector signal"},
    {0x02, 0x00, "no seek complete"},
    {0x03, 0x00, "peripheral device write fault"},
    {0x03, 0x01, "no write current"},
    {0x03, 0x02, "excessive write errors"},
    {0x04, 0x00, "logical unit not ready, cause not reportable"},
    {0x04, 0x01, "logical unit is in process of becoming ready"},
    {0x04, 0x02, "logical unit not ready, initializing command required"},
    {0x04, 0x03, "logical unit not ready, manual intervention required"},
    {0x04, 0x04, "logical unit not ready, format in progress"},
    {0x05, 0x00, "logical unit does not respond to selection"},
    {0x06, 0x00, "reference position found"},
    {0x07, 0x00, "multiple peripheral devices selected"},
    {0x08, 0x00, "logical unit communication failure"},
    {0x08, 0x01, "logical unit communication time-out"},
    {0x08, 0x02, "logical unit communication parity error"},
    {0x09, 0x00, "track following error"},
    {0x09, 0x01, "tra cking servo failure"},
    {0x09, 0x02, "foc us servo failure"},
    {0x09, 0x03, "spi ndle servo failure"},
    {0x0A, 0x00, "error log overflow"},
    {0x0C, 0x00, "write error"},
    {0x0C, 0x01, "write error recovered with auto reallocation"},
    {0x0C, 0x02, "write error - auto reallocation failed"},
    {0x10, 0x00, "id crc or ecc error"},
    {0x11, 0x00, "unrecovered read error"},
    {0x11, 0x01, "read retries exhausted"},
    {0x11, 0x02, "error too long to correct"},
    {0x11, 0x03, "multiple read errors"},
    {0x11, 0x04, "unrecovered read error - auto reallocate failed"},
    {0x11, 0x05, "l-ec uncorrectable error"},
    {0x11, 0x06, "circ unrecovered error"},
    {0x11, 0x07, "data resychronization error"},
    {0x11, 0x08, "incomplete block read"},
    {0x11, 0x09, "no gap found"},
    {0x11, 0x0A, "miscorrected error"},
    {0x11, 0x0B, "unrecovered read error - recommend reassignment"},
    {0x11, 0x0C, "unrecovered read error - recommend rewrite the data"},
    {0x12, 0x00, "address mark not found for id field"},
    {0x13, 0x00, "address mark not found for data field"},
    {0x14, 0x00, "recorded entity not found"},
    {0x14, 0x01, "record not found"},
    {0x14, 0x02, "filemark or setmark not found"},
    {0x14, 0x03, "end-of-data not found"},
    {0x14, 0x04, "block sequence error"},
    {0x15, 0x00, "random positioning error"},
    {0x15, 0x01, "mechanical positioning error"},
    {0x15, 0x02, "positioning error detected by read of medium"},
    {0x16, 0x00, "data synchronization mark error"},
    {0x17, 0x00, "recovered data with no error correction applied"},
    {0x17, 0x01, "recovered data with retries"},
    {0x17, 0x02, "recovered data with positive head offset"},
    {0x17, 0x03, "recovered data with negative head offset"},
    {0x17, 0x04, "recovered data with retries and/or circ applied"},
    {0x17, 0x05, "recovered data using previous sector id"},
    {0x17, 0x06, "recovered data without ecc - data auto-reallocated"},
    {0x17, 0x07, "recovered data without ecc - recommend reassignment"},
    {0x17, 0x08, "recovered data without ecc - recommend rewrite"},
    {0x18, 0x00, "recovered data with error correction applied"},
    {0x18, 0x01, "recovered data with error correction & retries applied"},
    {0x18, 0x02, "recovered data - data auto-reallocated"},
    {0x18, 0x03, "recovered data with circ"},
    {0x18, 0x04, "recovered data with lec"},
    {0x18, 0x05, "recovered data - recommend reassignment"},
    {0x18, 0x06, "recovered data - recommend rewrite"},
    {0x19, 0x00, "defect list error"},
    {0x19, 0x01, "defect list not available"},
    {0x19, 0x02, "defect list error in primary list"},
    {0x19, 0x03, "defect list error in grown list"},
    {0x1A, 0x00, "parameter list length error"},
    {0x1B, 0x00, "synchronous data transfer error"},
    {0x1C, 0x00, "defect list not found"},
    {0x1C, 0x01, "primary defect list not found"},
    {0x1C, 0x02, "grown defect list not found"},
    {0x1D, 0x00, "miscompare during verify operation"},
    {0x1E, 0x00, "recovered id with ecc"},
    {0x20, 0x00, "invalid command operation code"},
    {0x21, 0x00, "logical block address out of range"},
    {0x21, 0x01, "invalid element address"},
    {0x22, 0x00, "illegal function     (should use 20 00, 24 00, or 26 00)"},
    {0x24, 0x00, "invalid field in cdb"},
    {0x25, 0x00, "logical unit not supported"},
    {0x26, 0x00, "invalid field in parameter list"},
    {0x26, 0x01, "parameter not supported"},
    {0x26, 0x02, "parameter value invalid"},
    {0x26, 0x03, "threshold parameters not supported"},
    {0x27, 0x00, "write protected"},
    {0x28, 0x00, "not ready to ready transition    (medium may have changed)"},
    {0x28, 0x01, "import or export element accessed"},
    {0x29, 0x00, "power on, reset, or bus device reset occurred"},
    {0x2A, 0x00, "parameters changed"},
    {0x2A, 0x01, "mode parameters changed"},
    {0x2A, 0x02, "log parameters changed"},
    {0x2B, 0x00, "copy cannot execute since host cannot disconnect"},
    {0x2C, 0x00, "command sequence error"},
    {0x2C, 0x01, "too many windows specified"},
    {0x2C, 0x02, "invalid combination of windows specified"},
    {0x2D, 0x00, "overwrite error on update in place"},
    {0x2F, 0x00, "commands cleared by another initiator"},
    {0x30, 0x00, "incompatible medium installed"},
    {0x30, 0x01, "cannot read medium - unknown format"},
    {0x30, 0x02, "cannot read medium - incompatible format"},
    {0x30, 0x03, "cleaning cartridge installed"},
    {0x31, 0x00, "medium format corrupted"},
    {0x31, 0x01, "format command failed"},
    {0x32, 0x00, "no defect spare location available"},
    {0x32, 0x01, "defect list update failure"},
    {0x33, 0x00, "tape length error"},
    {0x36, 0x00, "ribbon, ink, or toner failure"},
    {0x37, 0x00, "rounded parameter"},
    {0x39, 0x00, "saving parameters not supported"},
    {0x3A, 0x00, "medium not present"},
    {0x3B, 0x00, "sequential positioning error"},
    {0x3B, 0x01, "tape position error at beginning-of-medium"},
    {0x3B, 0x02, "tape position error at end-of-medium"},
    {0x3B, 0x03, "tape or electronic vertical forms unit not ready"},
    {0x3B, 0x04, "slew failure"},
    {0x3B, 0x05, "paper jam"},
    {0x3B, 0x06, "failed to sense top-of-form"},
    {0x3B, 0x07, "failed to sense bottom-of-form"},
    {0x3B, 0x08, "reposition error"},
    {0x3B, 0x09, "read past end of medium"},
    {0x3B, 0x0A, "read past beginning of medium"},
    {0x3B, 0x0B, "position past end of medium"},
    {0x3B, 0x0C, "position past beginning of medium"},
    {0x3B, 0x0D, "medium destination element full"},
    {0x3B, 0x0E, "medium source element empty"},
    {0x3D, 0x00, "invalid bits in identify message"},
    {0x3E, 0x00, "logical unit has not self-configured yet"},
    {0x3F, 0x00, "target operating conditions have changed"},
    {0x3F, 0x01, "microcode has been changed"},
    {0x3F, 0x02, "changed operating definition"},
    {0x3F, 0x03, "inquiry data has changed"},
    {0x40, 0xFF, "diagnostic failure on component "},
    {0x41, 0x00, "data path failure     (should use 40 nn)"},
    {0x42, 0x00, "power-on or self-test failure     (should use 40 nn)"},
    {0x43, 0x00, "message error"},
    {0x44, 0x00, "internal target failure"},
    {0x45, 0x00, "select or reselect failure"},
    {0x46, 0x00, "unsuccessful soft reset"},
    {0x47, 0x00, "scsi parity error"},
    {0x48, 0x00, "initiator detected error message received"},
    {0x49, 0x00, "invalid message error"},
    {0x4A, 0x00, "command phase error"},
    {0x4B, 0x00, "data phase error"},
    {0x4C, 0x00, "logical unit failed self-configuration"},
    {0x4E, 0x00, "overlapped commands attempted"},
    {0x50, 0x00, "write append error"},
    {0x50, 0x01, "write append position error"},
    {0x50, 0x02, "position error related to timing"},
    {0x51, 0x00, "erase failure"},
    {0x52, 0x00, "cartridge fault"},
    {0x53, 0x00, "media load or eject failed"},
    {0x53, 0x01, "unload tape failure"},
    {0x53, 0x02, "medium removal prevented"},
    {0x54, 0x00, "scsi to host system interface failure"},
    {0x55, 0x00, "system resource failure"},
    {0x57, 0x00, "unable to recover table-of-contents"},
    {0x58, 0x00, "generation does not exist"},
    {0x59, 0x00, "updated block read"},
    {0x5A, 0x00, "operator request or state change input     (unspecified)"},
    {0x5A, 0x01, "operator medium removal request"},
    {0x5A, 0x02, "operator selected write protect"},
    {0x5A, 0x03, "operator selected write permit"},
    {0x5B, 0x00, "log exception"},
    {0x5B, 0x01, "threshold condition met"},
    {0x5B, 0x02, "log counter at maximum"},
    {0x5B, 0x03, "log list codes exhausted"},
    {0x5C, 0x00, "rpl status change"},
    {0x5C, 0x01, "spindles synchronized"},
    {0x5C, 0x02, "spindles not synchronized"},
    {0x60, 0x00, "lamp failure"},
    {0x61, 0x00, "video acquisition error"},
    {0x61, 0x01, "unable to acquire video"},
    {0x61, 0x02, "out of focus"},
    {0x62, 0x00, "scan head positioning error"},
    {0x63, 0x00, "end of user area encountered on this track"},
    {0x64, 0x00, "illegal mode for this track"},
    {0xFF, 0xFF, ""},
}};

// Name of a sense key, or nothing when the key has no entry.
std::optional<std::string_view> senseKeyName(std::int32_t key);

// Text of the first entry whose ASC and ASCQ both match, or nothing when no
// entry matches. FFh/FFh matches and gives an empty text.
std::optional<std::string_view> senseCodeText(std::int32_t asc, std::int32_t ascq);

// A number as the sense window shows it: a blank, a dollar sign and the value
// in upper-case hexadecimal with at least minDigits digits. A negative value
// shows as its 32-bit two's complement, so -1 is " $FFFFFFFF".
std::string hexField(std::int32_t value, int minDigits);

} // namespace quillon::drive
