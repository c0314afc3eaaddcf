#include "DiskCopy.h"

#include "FormatText.h"
#include "ImageFile.h"

#include <algorithm>

namespace quillon::console {

using drive::TMODrive;

bool DiskCopy::Run(const BlockRange& range) {
    Start_ = std::max(range.Start, 0);
    End_ = std::min<std::int32_t>(range.End, TMODrive::LastBlockLBA);
    BlockSize_ = TMODrive::BlockSize;
    if (End_ <= Start_) {
        log("???? Start LBA >= End LBA or Start > Max Track");
        return run_.Fail("the range holds no block of the medium");
    }
    if (!roomForImage()) {
        return false;
    }
    const std::string text = formatText("Copy Disk [%8X] - [%8X] ", static_cast<unsigned>(Start_),
                                        static_cast<unsigned>(End_));
    {
        const GaugeShown gauge(run_.Progress(), text);
        readPhase();
    }
    log("End Read Image");
    log("Image File: " + image_.string());
    if (run_.Drive().Output().AskOkAbort("Change Drive") == Console::Answer::Abort) {
        log("Cancel Copy Drive");
        return run_.Fail("the medium change was cancelled; the image stays in " + image_.string());
    }
    changer_.ChangeMedium(at_);
    if (!checkNewMedium()) {
        return false;
    }
    {
        const GaugeShown gauge(run_.Progress(), text);
        writePhase();
    }
    log("End Write Image");
    log("End Copy Drive 1");
    return run_.Shortcomings().empty();
}

bool DiskCopy::roomForImage() {
    if (image_.has_parent_path()) {
        std::filesystem::create_directories(image_.parent_path());
    }
    const std::int64_t blocks = std::int64_t{End_} - Start_;
    if (!ImageFits(FreeBytesForImage(image_), blocks, static_cast<std::uint32_t>(BlockSize_))) {
        log("Error: Drive Free");
        return run_.Fail(formatText("no room for an image of %lld bytes at %s",
                                    static_cast<long long>(blocks * BlockSize_), image_.c_str()));
    }
    return true;
}

std::size_t DiskCopy::chunkBytes(std::int32_t n) const {
    return static_cast<std::size_t>(n) * static_cast<std::size_t>(BlockSize_);
}

void DiskCopy::readPhase() {
    ImageFile file = ImageFile::Create(image_);
    const std::uint8_t* buffer = run_.Drive().DataBuffer.data();
    run_.Chunks(Start_, End_, chunkBlocks_, [&](std::int32_t Cur, std::int32_t n) {
        if (!run_.Read(Cur, n, "Copy Disk Read")) {
            return false;
        }
        const std::size_t bytes = chunkBytes(n);
        if (bytes == 0 || file.Write(buffer, bytes) < bytes) {
            log("Error: Write Temp Data");
            return run_.Fail("the image file took fewer bytes than were read: is the disk full?");
        }
        return true;
    });
    file.Close();
}

bool DiskCopy::checkNewMedium() {
    DriveConsole& drive = run_.Drive();
    if (!drive.CheckUnitReady()) {
        std::string statusText;
        drive.ShowScsiStatus(true, "Copy Disk", statusText);
        return run_.Fail("the new medium is not ready or its capacity cannot be read");
    }
    if (!run_.CheckWriteEnable()) {
        return false;
    }
    const std::int32_t blockSize = TMODrive::BlockSize;
    const std::int32_t lastBlock = TMODrive::LastBlockLBA;
    if (blockSize != BlockSize_ || lastBlock < End_) {
        log(formatText(
            "Error: New Media Block Size %d Last LBA %X (Image Block Size %d End LBA %X)",
            blockSize, static_cast<unsigned>(lastBlock), BlockSize_, static_cast<unsigned>(End_)));
        return run_.Fail("the new medium does not take the image; it stays in " + image_.string());
    }
    return true;
}

void DiskCopy::writePhase() {
    ImageFile file = ImageFile::Open(image_);
    std::uint8_t* buffer = run_.Drive().DataBuffer.data();
    run_.Chunks(Start_, End_, chunkBlocks_, [&](std::int32_t Cur, std::int32_t n) {
        const std::size_t bytes = chunkBytes(n);
        if (bytes == 0 || file.Read(buffer, bytes) < bytes) {
            log("Error: Read Temp Data");
            return run_.Fail("the image file holds fewer blocks than the range");
        }
        return run_.Write(Cur, n, "Copy Drive Write");
    });
    file.Close();
}

} // namespace quillon::console
