#include "CopyRun.h"

#include "CopyChunks.h"
#include "FormatText.h"

namespace quillon::console {

using drive::TMODrive;

bool CopyRun::Start(DeviceAddress at, const std::string& title, const std::string& failureName) {
    shortcomings_.clear();
    drive_.SelectCurrent(at);
    if (!drive_.BeginOperation(at, title)) {
        return Fail(DriveConsole::NoDeviceReason);
    }
    if (!drive_.CheckUnitReady()) {
        std::string statusText;
        drive_.ShowScsiStatus(true, failureName, statusText);
        return Fail("the drive is not ready or its capacity cannot be read");
    }
    return true;
}

bool CopyRun::CheckWriteEnable() {
    if (!drive_.CheckWriteEnable(drive_.CurrentHA, drive_.CurrentTarget, drive_.CurrentLUN, true)) {
        return Fail("the medium cannot be written (write-protected, or its mode page unreadable)");
    }
    return true;
}

std::optional<std::int32_t> CopyRun::BufferChunk() {
    const std::int32_t blockSize = TMODrive::BlockSize;
    const std::int32_t chunkBlocks = ChunkBlocks(static_cast<std::uint32_t>(blockSize));
    if (blockSize <= 0 || chunkBlocks < 2) {
        drive_.Output().AddLog(formatText("Error: Block Size %d (a copy moves blocks of 1 to "
                                          "%u bytes)",
                                          blockSize, CopyBufferBytes / 2));
        Fail(formatText("blocks of %d bytes cannot be copied", blockSize));
        return std::nullopt;
    }
    return chunkBlocks;
}

bool CopyRun::Chunks(std::int32_t Start, std::int32_t End, std::int32_t chunkBlocks,
                     const ChunkStep& step) {
    const std::int64_t Total = std::int64_t{End} - Start;
    for (std::int32_t Cur = Start; Cur < End;) {
        const std::int32_t n = NextChunk(End - Cur, chunkBlocks);
        if (!step(Cur, n)) {
            return false;
        }
        Cur += n;
        SetProgress(Total - (std::int64_t{End} - Cur), Total);
        progress_.ProcessMessages();
    }
    return true;
}

void CopyRun::SetProgress(std::int64_t done, std::int64_t total) {
    progress_.SetGauge(total > 0 ? done * 100 / total : 100);
}

bool CopyRun::Read(std::int32_t lba, std::int32_t n, const std::string& label) {
    return transfer(false, lba, n, label);
}

bool CopyRun::Write(std::int32_t lba, std::int32_t n, const std::string& label) {
    return transfer(true, lba, n, label);
}

bool CopyRun::transfer(bool write, std::int32_t lba, std::int32_t n, const std::string& label) {
    TMODrive& d = drive_.MODrive1;
    std::uint8_t* buffer = drive_.DataBuffer.data();
    const int result =
        write ? d.Write10(drive_.CurrentHA, drive_.CurrentTarget, drive_.CurrentLUN, lba, n, buffer)
              : d.Read10(drive_.CurrentHA, drive_.CurrentTarget, drive_.CurrentLUN, lba, n, buffer);
    if (result == 0) {
        return true;
    }
    std::string statusText;
    drive_.ShowScsiStatus(true, label, statusText);
    return Fail(formatText("%s of %d blocks at LBA %X failed (%s)", write ? "WRITE" : "READ", n,
                           static_cast<unsigned>(lba), label.c_str()));
}

bool CopyRun::Fail(std::string reason) {
    shortcomings_.push_back(std::move(reason));
    return false;
}

} // namespace quillon::console
