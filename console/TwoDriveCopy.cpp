#include "TwoDriveCopy.h"

#include "CopyChunks.h"
#include "FormatText.h"

#include <algorithm>
#include <limits>

namespace quillon::console {

using drive::TMODrive;

void TwoDriveCopy::BeginLog() {
    drive_.Output().ClearLog();
    drive_.Output().AddLog("    **** Copy Disk (2 Drive) *****");
}

std::vector<drive::TDeviceInfo> TwoDriveCopy::ScanDrives() {
    return drive_.ScanDevices(false);
}

TwoDriveCopy::WindowAction TwoDriveCopy::DrivesFound(std::size_t count) {
    if (count >= 2) {
        return WindowAction::Stay;
    }
    drive_.Output().AddLog("Error: Not found 2 drive");
    drive_.Output().MessageBox(Console::BoxKind::Confirmation, "Error: Not found 2 drive");
    return WindowAction::Close;
}

std::optional<std::int32_t> TwoDriveCopy::MaxLba(DeviceAddress source) {
    drive_.SelectCurrent(source);
    drive::TDeviceInfo info;
    drive_.MODrive1.Inquiry(source.HA, source.Target, source.LUN, info);
    if (!ready(info)) {
        return std::nullopt;
    }
    return TMODrive::LastBlockLBA;
}

TwoDriveCopy::WindowAction TwoDriveCopy::Cancel() {
    drive_.Output().AddLog("Cancel Drive copy");
    return WindowAction::Close;
}

TwoDriveCopy::Result TwoDriveCopy::CopyStart(DeviceAddress source, DeviceAddress destination,
                                             std::int32_t Start, std::int32_t End) {
    Console& out = drive_.Output();
    if (source == destination) {
        const auto answer = out.AskOkAbort("Error: Same drive");
        return {answer == Console::Answer::Abort ? WindowAction::Close : WindowAction::Stay, false,
                "the source and the destination are the same drive"};
    }
    drive_.SelectCurrent(source);
    drive::TDeviceInfo sourceInfo;
    drive::TDeviceInfo destinationInfo;
    drive_.MODrive1.Inquiry(source.HA, source.Target, source.LUN, sourceInfo);
    drive_.MODrive1.Inquiry(destination.HA, destination.Target, destination.LUN, destinationInfo);
    if (!ready(sourceInfo)) {
        return {WindowAction::Stay, false, "the source drive is not ready"};
    }
    const Geometry sourceGeometry = currentGeometry();
    if (!onDestination(destination, [&] { return ready(destinationInfo); })) {
        return {WindowAction::Stay, false, "the destination drive is not ready"};
    }
    if (currentGeometry() != sourceGeometry) {
        out.MessageBox(Console::BoxKind::Confirmation, "Error: Defferent media type");
        return {WindowAction::Stay, false,
                "the media differ in block size, long block size or last block"};
    }
    const std::int32_t chunkBlocks = ChunkBlocks(static_cast<std::uint32_t>(TMODrive::BlockSize));
    if (chunkBlocks < 2) {
        out.AddLog(formatText("Error: Copy Drive (blocks of %d bytes do not fit the %u-byte buffer "
                              "in chunks)",
                              TMODrive::BlockSize.load(), CopyBufferBytes));
        return {WindowAction::Stay, false,
                formatText("blocks of %d bytes cannot be copied in chunks",
                           TMODrive::BlockSize.load())};
    }
    if (End == 0) {
        End = sourceGeometry.LastBlockLBA;
    }
    // Only the destination is written: its medium must take writes, the
    // source's may be protected.
    if (!onDestination(destination, [&] {
            return drive_.CheckWriteEnable(destination.HA, destination.Target, destination.LUN,
                                           true);
        })) {
        return {WindowAction::Stay, false, "the destination medium cannot be written"};
    }
    Result result = copyLoop(source, destination, Start, End, chunkBlocks);
    if (result.Completed) {
        out.AddLog("End Drive Copy");
    }
    return result;
}

TwoDriveCopy::Geometry TwoDriveCopy::currentGeometry() {
    return {TMODrive::LastBlockLBA, TMODrive::BlockSize, TMODrive::LongBlockSize};
}

bool TwoDriveCopy::onDestination(DeviceAddress destination, const std::function<bool()>& step) {
    const DeviceAddress source{drive_.CurrentHA, drive_.CurrentTarget, drive_.CurrentLUN};
    drive_.SelectCurrent(destination);
    const bool succeeded = step();
    drive_.SelectCurrent(source);
    return succeeded;
}

bool TwoDriveCopy::ready(const drive::TDeviceInfo& info) {
    return info.Qualifier == 0 && drive_.CheckUnitReady();
}

TwoDriveCopy::Result TwoDriveCopy::copyLoop(DeviceAddress source, DeviceAddress destination,
                                            std::int32_t Start, std::int32_t End,
                                            std::int32_t chunkBlocks) {
    gauge_.ShowGauge(formatText("Copy Drive [%8X] - [%8X] ", static_cast<unsigned>(Start),
                                static_cast<unsigned>(End)));
    const std::int64_t total = std::int64_t{End} - Start;
    TMODrive& d = drive_.MODrive1;
    std::uint8_t* buffer = drive_.DataBuffer.data();
    for (std::int32_t cur = Start; cur < End;) {
        const auto remaining = std::min<std::int64_t>(std::int64_t{End} - cur,
                                                      std::numeric_limits<std::int32_t>::max());
        const std::int32_t n = NextChunk(static_cast<std::int32_t>(remaining), chunkBlocks);
        std::string statusText;
        if (d.Read10(source.HA, source.Target, source.LUN, cur, n, buffer) != 0) {
            drive_.ShowScsiStatus(true, "Copy Drive Read", statusText);
            gauge_.HideGauge();
            return {WindowAction::Stay, false,
                    formatText("reading the source failed at LBA %X", static_cast<unsigned>(cur))};
        }
        if (d.Write10(destination.HA, destination.Target, destination.LUN, cur, n, buffer) != 0) {
            onDestination(destination, [&] {
                drive_.ShowScsiStatus(true, "Copy Drive Write", statusText);
                return false;
            });
            gauge_.HideGauge();
            return {
                WindowAction::Stay, false,
                formatText("writing the destination failed at LBA %X", static_cast<unsigned>(cur))};
        }
        cur += n;
        gauge_.SetGauge((total - (std::int64_t{End} - cur)) * 100 / total);
        gauge_.ProcessMessages();
    }
    gauge_.HideGauge();
    return {WindowAction::Close, true, {}};
}

} // namespace quillon::console
