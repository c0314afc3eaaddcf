#include "BlockOperations.h"

#include "FormatText.h"

namespace quillon::console {

using drive::TMODrive;

// verb completes the OK line "LBA %X <verb> OK"; label is the failure's,
// title the header of the button's log.
struct BlockOperations::Routine {
    bool writes;
    bool longBlock;
    const char* verb;
    const char* label;
    const char* title;
};

namespace {

// By editor mode: Read, Write, Long Read, Long Write.
constexpr BlockOperations::Routine Routines[] = {
    {false, false, "Read", "Read", "Read 1 Block"},
    {true, false, "Write", "Write", "Write 1 Block"},
    {false, true, "LongRead", "Long Read", "Long Read 1 Block"},
    {true, true, "Long Write", "Long Write", "Long Write 1 Block"},
};

std::int32_t blockLength(bool longBlock) {
    return longBlock ? TMODrive::LongBlockSize : TMODrive::BlockSize;
}

} // namespace

bool BlockOperations::run(const Routine& routine, bool Log, std::int32_t LBA) {
    const std::int32_t size = blockLength(routine.longBlock);
    std::uint8_t* buffer = drive_.DataBuffer.data();
    // A block the data buffer cannot hold is never transferred into it.
    if (size <= 0 || static_cast<std::size_t>(size) > drive_.DataBuffer.size()) {
        drive_.Output().AddLog(formatText("Error: %s (a block of %d bytes does not fit the buffer)",
                                          routine.label, size));
        return false;
    }
    if (routine.writes) {
        editor_.GridToBuffer(size, buffer);
    }
    TMODrive& d = drive_.MODrive1;
    const auto [ha, target, lun] =
        std::tuple{drive_.CurrentHA, drive_.CurrentTarget, drive_.CurrentLUN};
    const int result = routine.longBlock
                           ? (routine.writes ? d.LongWrite(ha, target, lun, LBA, size, buffer)
                                             : d.LongRead(ha, target, lun, LBA, size, buffer))
                           : (routine.writes ? d.Write10(ha, target, lun, LBA, 1, buffer)
                                             : d.Read10(ha, target, lun, LBA, 1, buffer));
    if (result != 0) {
        std::string statusText;
        drive_.ShowScsiStatus(true, routine.label, statusText);
        return false;
    }
    if (Log) {
        drive_.Output().AddLog(
            formatText("LBA %X %s OK", static_cast<unsigned>(LBA), routine.verb));
    }
    if (!routine.writes) {
        editor_.BufferToGrid(size, buffer);
    }
    return true;
}

bool BlockOperations::ReadOneBlock(bool Log, std::int32_t LBA) {
    return run(Routines[ReadMode], Log, LBA);
}

bool BlockOperations::WriteOneBlock(bool Log, std::int32_t LBA) {
    return run(Routines[WriteMode], Log, LBA);
}

bool BlockOperations::LongReadOneBlock(bool Log, std::int32_t LBA) {
    return run(Routines[LongReadMode], Log, LBA);
}

bool BlockOperations::LongWriteOneBlock(bool Log, std::int32_t LBA) {
    return run(Routines[LongWriteMode], Log, LBA);
}

bool BlockOperations::begin(DeviceAddress at, std::int32_t lba, std::uint8_t mode) {
    drive_.SelectCurrent(at);
    drive_.CurrentLBA = lba;
    drive_.EditMode = mode;
    if (!drive_.BeginOperation(at, Routines[mode].title)) {
        return false;
    }
    if (!drive_.CheckUnitReady()) {
        std::string statusText;
        drive_.ShowScsiStatus(true, Routines[mode].label, statusText);
        return false;
    }
    return true;
}

void BlockOperations::edit(std::int32_t size) {
    editor_.ShowModal();
    editor_.GridToBuffer(size, drive_.DataBuffer.data());
}

bool BlockOperations::openForReading(DeviceAddress at, std::int32_t lba, std::uint8_t mode) {
    if (!begin(at, lba, mode) || !run(Routines[mode], false, drive_.CurrentLBA)) {
        return false;
    }
    edit(blockLength(Routines[mode].longBlock));
    return true;
}

// The block's length follows the capacity that begin has just read.
bool BlockOperations::openForWriting(DeviceAddress at, std::int32_t lba, std::uint8_t mode) {
    if (!begin(at, lba, mode) ||
        !drive_.CheckWriteEnable(drive_.CurrentHA, drive_.CurrentTarget, drive_.CurrentLUN, true)) {
        return false;
    }
    const std::int32_t size = blockLength(Routines[mode].longBlock);
    editor_.BufferToGrid(size, drive_.DataBuffer.data());
    edit(size);
    return true;
}

bool BlockOperations::ReadBlock(DeviceAddress at, std::int32_t lba) {
    return openForReading(at, lba, ReadMode);
}

bool BlockOperations::WriteBlock(DeviceAddress at, std::int32_t lba) {
    return openForWriting(at, lba, WriteMode);
}

bool BlockOperations::LongReadBlock(DeviceAddress at, std::int32_t lba) {
    return openForReading(at, lba, LongReadMode);
}

bool BlockOperations::LongWriteBlock(DeviceAddress at, std::int32_t lba) {
    return openForWriting(at, lba, LongWriteMode);
}

void BlockOperations::LbaChanged(std::int32_t lba) {
    if (drive_.EditMode == ReadMode) {
        drive_.CurrentLBA = lba;
        ReadOneBlock(true, lba);
    } else if (drive_.EditMode == LongReadMode) {
        drive_.CurrentLBA = lba;
        LongReadOneBlock(true, lba);
    }
}

bool BlockOperations::WritePressed(std::int32_t lba) {
    if (drive_.EditMode == WriteMode) {
        drive_.CurrentLBA = lba;
        return WriteOneBlock(true, lba);
    }
    if (drive_.EditMode == LongWriteMode) {
        drive_.CurrentLBA = lba;
        return LongWriteOneBlock(true, lba);
    }
    return false;
}

} // namespace quillon::console
