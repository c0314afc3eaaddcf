// The command table of quillon-cli: each command's operands, options, help
// and the function that runs it.
#include "CliBitErrorRate.h"
#include "CliBlocks.h"
#include "CliCopies.h"
#include "CliDefectList.h"
#include "CliDriveCopy.h"
#include "CliFormat.h"
#include "CliHelp.h"
#include "CliModePage.h"
#include "CliRequests.h"
#include "CliSeekTest.h"
#include "CliSession.h"
#include "CommandTable.h"
#include "console/FormatText.h"

#include <algorithm>
#include <array>

namespace quillon::app {

namespace {

using console::formatText;

// scan: the devices of the main window's list, a line each.
int runScan(CliSession& session, const CommandArguments& arguments) {
    std::ostream& out = session.Out();
    const auto devices = session.Operations().ScanDevices(arguments.Flag("--all"));
    out << "H:T:L    Type  Vendor    Product           Rev   Removable\n";
    for (const drive::TDeviceInfo& info : devices) {
        out << formatText("%-8s %02Xh   %-8s  %-16s  %-4s  %s\n",
                          formatText("%u:%u:%u", info.HA, info.Target, info.LUN).c_str(),
                          static_cast<unsigned>(info.DeviceType), info.Vendor.c_str(),
                          info.Product.c_str(), info.Revision.c_str(),
                          info.Removable ? "yes" : "no");
    }
    if (devices.empty()) {
        out << "No devices found.\n";
    }
    return 0;
}

int runTargetInfo(CliSession& session, const CommandArguments& arguments) {
    return session.Outcome(session.Operations().TargetInfo(arguments.Address()));
}

int runEject(CliSession& session, const CommandArguments& arguments) {
    return session.Outcome(session.Operations().Eject(arguments.Address()));
}

int runDiskCapacity(CliSession& session, const CommandArguments& arguments) {
    return session.Outcome(session.Operations().DiskCapacity(arguments.Address()));
}

constexpr OperandSpec Device[] = {
    {"H:T:L", ValueKind::Address, "the drive: host adapter, target ID and logical unit"}};

constexpr OptionSpec ScanOptions[] = {
    {"--all", ValueKind::Flag, "", "every device that answers INQUIRY, not only optical memory"}};

constexpr std::string_view MapHelp = "save the disc error map as PNG";
constexpr std::string_view ReportHelp =
    "save the figures as JSON: device, start, end, skip, mediaType, longBlockSize, blocksTested, "
    "erroneousBytes, errorRate, burstLines";

constexpr OptionSpec BerOptions[] = {
    {"--start", ValueKind::Hex, "HEX", "the first block", "100"},
    {"--end", ValueKind::Hex, "HEX", "the last block (default: the medium's last block)"},
    {"--skip", ValueKind::Hex, "HEX", "tracks skipped after each tested track", "80"},
    {"--map", ValueKind::OutputFile, "FILE.png", MapHelp},
    {"--report", ValueKind::OutputFile, "FILE.json", ReportHelp},
};

constexpr OptionSpec SafeBerOptions[] = {
    {"--start", ValueKind::Hex, "HEX", "the first block", "100"},
    {"--end", ValueKind::Hex, "HEX",
     "passes start below this block, or at it when Start lies inside the track before; a pass "
     "reads its whole track (default: the medium's last block)"},
    {"--skip", ValueKind::Hex, "HEX", "tracks skipped after each tested track", "10"},
    {"--map", ValueKind::OutputFile, "FILE.png", MapHelp},
    {"--report", ValueKind::OutputFile, "FILE.json", ReportHelp},
};

constexpr OptionSpec SeekOptions[] = {
    {"--max-lba", ValueKind::Hex, "HEX",
     "seeks go to random blocks below this one (default: the medium's last block)"},
    {"--max-time", ValueKind::Decimal, "MS", "the top of the time axis in milliseconds", "80"},
    {"--count", ValueKind::Decimal, "N", "how many random seeks", "1000"},
    {"--plot", ValueKind::OutputFile, "FILE.png", "save the plot of time against distance as PNG"},
    {"--csv", ValueKind::OutputFile, "FILE",
     "save every seek as a row: index, from, to, distance, ms, status (hexadecimal, 00 = GOOD)"},
};

constexpr OptionSpec ModeSelectOptions[] = {
    {"--set", ValueKind::Text, "FIELD=VALUE",
     "an edit of the editor's control FIELD: the flags awre, arre, tb, rc, eer, per, dte, dcr "
     "take 0 or 1; read-retry, write-retry, correction-span, head-offset, strobe-offset take a "
     "number whose low 8 bits are sent, recovery-time one whose low 16 bits are sent; each "
     "field once",
     "", true},
};

constexpr OptionSpec ReadDefectOptions[] = {
    {"--list", ValueKind::Text, "primary|grown",
     "the list: found at manufacture (primary) or since (grown)", "primary"},
    {"--format", ValueKind::Text, "physical|block",
     "the format asked for: physical sector (cylinder, head, sector) or block address", "physical"},
};

constexpr OperandSpec RawOperands[] = {
    {"H:T:L", ValueKind::Address, "the device"},
    {"CDB", ValueKind::Text,
     "the command descriptor block in hexadecimal, 6, 10, 12 or 16 bytes; blanks may separate "
     "the digits, in one word or several",
     false, true},
};

constexpr OptionSpec RawOptions[] = {
    {"--in", ValueKind::Count, "N", "read N bytes and print them in hexadecimal", "", false,
     "--out"},
    {"--out", ValueKind::InputFile, "FILE", "send the bytes of FILE as the command's data"},
};

constexpr OperandSpec DeviceAndBlock[] = {
    {"H:T:L", ValueKind::Address, "the drive: host adapter, target ID and logical unit"},
    {"LBA", ValueKind::Hex, "the logical block, in hexadecimal as the window's LBA field"},
};

constexpr OptionSpec ReadOptions[] = {
    {"--out", ValueKind::OutputFile, "FILE", "save the block's raw bytes"}};

constexpr OptionSpec WriteOptions[] = {
    {"--in", ValueKind::InputFile, "FILE",
     "the bytes to write: exactly one block (or long block) of the medium", "", false, "", true}};

constexpr OperandSpec TwoDrives[] = {
    {"SRC-H:T:L", ValueKind::Address, "the drive copied from"},
    {"DST-H:T:L", ValueKind::Address,
     "the drive copied to: its blocks in the range are overwritten"},
};

constexpr OptionSpec CopyDriveOptions[] = {
    {"--start", ValueKind::Hex, "HEX", "the first block", "0"},
    {"--end", ValueKind::Hex, "HEX",
     "the block the copy stops before; 0 means the source's last block", "0"},
};

constexpr OptionSpec StartOption{"--start", ValueKind::Hex, "HEX",
                                 "the first block of the range, as the range dialog's Start LBA",
                                 "1000"};
constexpr OptionSpec EndOption{"--end", ValueKind::Hex, "HEX",
                               "the block the range stays below, as the range dialog's End LBA "
                               "(cut to the medium's last block, which is never included)",
                               "2000"};

constexpr OptionSpec VerifyOptions[] = {StartOption, EndOption};

constexpr OptionSpec CopyBlockOptions[] = {
    {"--start", ValueKind::Hex, "HEX", "the first block copied", "", false, "", true},
    {"--end", ValueKind::Hex, "HEX",
     "the block the copied range stays below (cut to the medium's last block)", "", false, "",
     true},
    {"--dest", ValueKind::Hex, "HEX", "where the first block is copied to", "", false, "", true},
};

constexpr OptionSpec CopyDiskOptions[] = {
    StartOption,
    EndOption,
    {"--image", ValueKind::OutputFile, "FILE",
     "the image file (default: MoTemp$85.tmp in $XDG_CACHE_HOME/quillon, else "
     "~/.cache/quillon); it is kept afterwards"},
    {"--yes", ValueKind::Flag, "",
     "answer OK to \"Change Drive\" without asking: for the simulated drives, whose cartridge "
     "the program changes; at a real drive nobody could change it in between"},
};

constexpr OptionSpec FormatOptions[] = {
    {"--yes", ValueKind::Flag, "",
     "format without asking; needed when standard input is not a terminal"}};

constexpr OperandSpec HelpOperands[] = {
    {"COMMAND", ValueKind::CommandName, "the command to describe", true}};

constexpr CommandSpec Table[] = {
    {"scan",
     CommandGroup::Operations,
     {},
     ScanOptions,
     "list the optical memory devices that answer INQUIRY, the ones the main window's device "
     "list shows, one line each: H:T:L, type, vendor, product, revision, removable",
     "The list has the address H:T:L, the device type, vendor, product, revision and whether "
     "the medium is removable. Every target of every host adapter is asked, LUNs 0 to 7. The "
     "exit status is 0 even when no device answers.",
     runScan},
    {"target-info",
     CommandGroup::Operations,
     Device,
     {},
     "the device's inquiry data, as \"Target Info\" logs it",
     "",
     runTargetInfo},
    {"eject",
     CommandGroup::Operations,
     Device,
     {},
     "eject the medium, as \"Eject\" does",
     "",
     runEject},
    {"disk-capacity",
     CommandGroup::Operations,
     Device,
     {},
     "block size, long block size and last block, as the disk capacity display logs them",
     "The medium must be ready: a pending unit attention is taken first.",
     runDiskCapacity},
    {"ber", CommandGroup::Operations, Device, BerOptions,
     "the bit error rate test in long-write mode, as \"BER\" runs it; OVERWRITES the blocks "
     "tested",
     "Each tested track is written with WRITE LONG (a pattern of A5h over whole sectors, check "
     "bytes included), read back with READ LONG and compared byte by byte; the bytes in error "
     "are logged by track and sector, bursts as \"LBA ... : errors\". The end question is "
     "answered Abort, which logs the rate. Ctrl-C stops after the track in progress.",
     RunBitErrorRate, true},
    {"safe-ber", CommandGroup::Operations, Device, SafeBerOptions,
     "the bit error rate test in read mode, as \"Safe BER\" runs it; nothing is written",
     "Each tested track is read with error correction off (DCR set) and on; the bytes that "
     "differ are counted as in the long-write test. The error recovery page is put back at the "
     "end. Ctrl-C stops after the track; SIGTERM and SIGHUP end the program there, once "
     "correction is back on.",
     RunSafeBitErrorRate, true},
    {"seek", CommandGroup::Operations, Device, SeekOptions,
     "the random seek test, as \"Seek Test\" runs it, then the averages (ms : blocks) and the "
     "failed seeks",
     "A seek to block 0 first, untimed, then SEEK(10) to random blocks, each timed; the "
     "simulated drives take the modelled time (time scale 1) unless --time-scale says "
     "otherwise. Ctrl-C stops after the seek in progress.",
     RunSeekTest, true, 1.0},
    {"mode-sense",
     CommandGroup::Operations,
     Device,
     {},
     "read the error recovery page (01h), as \"Mode Sense\" does, and print the editor's "
     "controls: caption, FIELD name, value",
     "",
     RunModeSense},
    {"mode-select", CommandGroup::Operations, Device, ModeSelectOptions,
     "as \"Mode Select\": read the page and the fields the drive lets change, make the edits "
     "and send the page back with MODE SELECT",
     "A field the drive does not let change is not edited and goes back as the drive reported "
     "it; an unchecked flag is sent as 0. Each control is printed with whether the drive lets "
     "it change.",
     RunModeSelect},
    {"read-defect", CommandGroup::Operations, Device, ReadDefectOptions,
     "read one of the drive's defect lists with READ DEFECT DATA, as \"Read Defect\" does, and "
     "print it one defect a line",
     "The options take the place of the window's choice of list. 4096 bytes are asked for: "
     "defects that the list holds beyond them are counted, not printed. A sector of -1 is a "
     "whole track. The exit status is 0 only when the whole list was read and printed; a list "
     "the drive sends in another format is counted as not printed.",
     RunReadDefect},
    {"read", CommandGroup::Operations, DeviceAndBlock, ReadOptions,
     "read one block, as \"Read\" does, and print it as the sector editor shows it",
     "The block is read with READ(10) after the drive's readiness and capacity are checked, "
     "and printed as lines of sixteen bytes with their line label and ASCII text.",
     RunReadBlock},
    {"long-read", CommandGroup::Operations, DeviceAndBlock, ReadOptions,
     "read one long block (data and check bytes) with READ LONG, as \"Long Read\" does",
     "The long block holds 600 bytes on 512-byte media, 1200 on 1024-byte media and 2380 on "
     "the others.",
     RunLongReadBlock},
    {"write", CommandGroup::Operations, DeviceAndBlock, WriteOptions,
     "write one block with the bytes of a file, as \"Write\" and the editor's \"WRITE\" do",
     "A write-protected medium is ejected and reported, as the window does. A file that does "
     "not hold exactly one block of the medium is refused and nothing is written.",
     RunWriteBlock},
    {"long-write", CommandGroup::Operations, DeviceAndBlock, WriteOptions,
     "write one long block (data and check bytes) with WRITE LONG, as \"Long Write\" and the "
     "editor's \"WRITE\" do",
     "Check bytes that do not belong to the data make the block unreadable with READ(10).",
     RunLongWriteBlock},
    {"verify", CommandGroup::Operations, Device, VerifyOptions,
     "verify a range of blocks with VERIFY(10), as \"Verify\" does; each chunk that fails is "
     "logged",
     "The drive checks the blocks itself, 255 blocks a command; nothing is transferred. A chunk "
     "that fails is logged as \"Error: N FROM - TO\" (the whole chunk, TO excluded) and the "
     "run goes on. The exit status is 1 when any chunk failed.",
     RunVerify},
    {"copy-block", CommandGroup::Operations, Device, CopyBlockOptions,
     "copy a range of blocks to another address of the same medium, as \"Copy Block\" does; "
     "OVERWRITES the destination",
     "The blocks are read and written in chunks of up to 99960 bytes; when the destination "
     "starts inside the range they are copied one at a time from the top, so that no block is "
     "overwritten before it is read (\"!!! Slow (1 Block copy)\"). A write-protected medium is "
     "ejected and refused. A copy that would reach the medium's last block is refused.",
     RunCopyBlock},
    {"copy-disk", CommandGroup::Operations, Device, CopyDiskOptions,
     "copy a range of blocks to another medium in the same drive through an image file, as "
     "\"Copy Disk\" does; OVERWRITES the new medium's blocks",
     "The range is read into the image file, then \"Change Drive\" is asked: type OK once the "
     "new cartridge is in the drive, or Abort (the end of the input is Abort); --yes answers OK. "
     "On the simulated bus the program changes the cartridge itself: the next one waiting in the "
     "drive's changer is loaded (with none waiting the same one stays). The new medium must be "
     "ready, writable, of the same block size and reach the range's end; then the image is "
     "written to it at the same addresses. The image is kept afterwards.",
     RunCopyDisk},
    {"copy-drive", CommandGroup::Operations, TwoDrives, CopyDriveOptions,
     "copy a range of blocks from the medium in one drive to the same addresses in another, as "
     "\"2 Drive Copy\" does; OVERWRITES the destination's blocks",
     "Both media must have the same block size, long block size and last block. A "
     "write-protected destination medium is ejected and refused; the source may be protected. "
     "The blocks move in chunks of up to 99960 bytes. The exit status is 0 only when every "
     "block of the range was copied.",
     RunCopyDrive},
    {"format", CommandGroup::Operations, Device, FormatOptions,
     "format the medium with the drive's own defaults, as \"Format\" does; ERASES the medium",
     "FORMAT UNIT without a parameter list: the drive keeps its defect lists and certifies the "
     "surface. The question \"Format Drive\" is answered on the terminal (type ok to go on) or "
     "by --yes. A write-protected medium is ejected and refused. While the drive formats, the "
     "time elapsed is shown; the command may take up to two hours. The exit status is 0 only "
     "when the format completed.",
     RunFormat},
    {"zero-format", CommandGroup::Operations, Device, FormatOptions,
     "format the medium with an empty defect list that replaces the grown list and without "
     "certification, as \"ZeroFormat\" does; ERASES the medium",
     "FORMAT UNIT with FmtData and CmpLst and a 10-byte parameter list: FOV and DCRT set, no "
     "defects. The question \"Format Drive(Non P-list:Disable Certification)\" is answered on "
     "the terminal (type ok to go on) or by --yes. A write-protected medium is ejected and "
     "refused. While the drive formats, the time elapsed is shown. The exit status is 0 only "
     "when the format completed.",
     RunZeroFormat},
    {"inquiry",
     CommandGroup::Requests,
     Device,
     {},
     "decode the device's INQUIRY data",
     "",
     RunInquiry},
    {"capacity",
     CommandGroup::Requests,
     Device,
     {},
     "READ CAPACITY: last block, block size, long block size",
     "",
     RunCapacity},
    {"sense", CommandGroup::Requests, Device, {}, "REQUEST SENSE, decoded", "", RunSense},
    {"raw", CommandGroup::Requests, RawOperands, RawOptions,
     "send one command given in hexadecimal; print the status, the sense data decoded and the "
     "data read",
     "Examples: raw 0:2:0 1E00000001 00; raw 0:2:0 \"28 00 00000000 00 0001 00\" --in 512.",
     RunRaw},
    {"help",
     CommandGroup::Program,
     HelpOperands,
     {},
     "show the commands, or a command's operands, options and defaults",
     "",
     RunHelp},
    {"completion",
     CommandGroup::Program,
     {},
     {},
     "print the bash completion script of quillon-cli",
     "The script is installed as share/bash-completion/completions/quillon-cli.",
     RunCompletion},
};

} // namespace

std::span<const CommandSpec> Commands() {
    return Table;
}

const CommandSpec* FindCommand(std::string_view name) {
    const auto found =
        std::find_if(std::begin(Table), std::end(Table),
                     [&](const CommandSpec& command) { return command.Name == name; });
    return found == std::end(Table) ? nullptr : found;
}

} // namespace quillon::app
