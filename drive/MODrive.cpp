#include "MODrive.h"

#include "CommandResult.h"
#include "scsicore/ScsiConstants.h"
#include "scsicore/SenseDecoder.h"

#include <algorithm>
#include <array>

namespace quillon::drive {

namespace {

namespace op = scsicore::op;

std::uint8_t byteOf(std::int64_t value, int shift) {
    return static_cast<std::uint8_t>(value >> shift);
}

std::uint32_t be32(const std::uint8_t* b) {
    return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
}

// The qualifier as the device list knows it: 0 connected, 1 not connected,
// 2 no device supported at this LUN, 3 unrecognised, 4 a reserved qualifier.
std::uint8_t qualifierOf(std::uint8_t peripheral) {
    constexpr std::array<std::uint8_t, 8> Qualifiers{0, 1, 4, 2, 3, 3, 3, 3};
    return Qualifiers[peripheral >> 5];
}

std::uint8_t scsiLevelOf(std::uint8_t responseFormat) {
    switch (responseFormat & 0x0F) {
    case 1:
        return 0; // CCS
    case 0:
        return 1; // SCSI-1
    case 2:
        return 2; // SCSI-2
    default:
        return 3;
    }
}

} // namespace

TMODrive::TMODrive(std::vector<std::unique_ptr<scsi::Transport>> transports)
    : TWin32ASPI(std::move(transports)) {
    LastBlockLBA = 10000;
    BlockSize = 512;
    LongBlockSize = 600;
}

void TMODrive::DecodeInquiry(std::span<const std::uint8_t, 36> d, TDeviceInfo& info) {
    info.Qualifier = qualifierOf(d[0]);
    info.DeviceType = (d[0] & 0x1F) <= 9 ? d[0] & 0x1F : 10;
    info.ScsiLevel = scsiLevelOf(d[3]);
    info.Removable = (d[1] & 0x80) != 0;
    info.AsyncEvent = (d[3] & 0x80) != 0;
    info.TerminateIO = (d[3] & 0x40) != 0;
    info.RelativeAddress = (d[7] & 0x80) != 0;
    info.Wide32 = (d[7] & 0x40) != 0;
    info.Wide16 = (d[7] & 0x20) != 0;
    info.Sync = (d[7] & 0x10) != 0;
    info.Linked = (d[7] & 0x08) != 0;
    info.CommandQueue = (d[7] & 0x02) != 0;
    info.SoftReset = (d[7] & 0x01) != 0;
    info.Vendor.assign(reinterpret_cast<const char*>(&d[8]), 8);
    info.Product.assign(reinterpret_cast<const char*>(&d[16]), 16);
    info.Revision.assign(reinterpret_cast<const char*>(&d[32]), 4);
}

TMODrive::Sent TMODrive::exec(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN,
                              std::initializer_list<std::uint8_t> cdb, std::uint8_t* buffer,
                              std::uint32_t length) {
    auto srb = scsi::TSRB_ExecSCSICmd::For(HA, Target, LUN, std::span(cdb.begin(), cdb.size()),
                                           buffer, length);
    const bool completed = execute(srb, false);
    const int status = command_result::Of(srb, completed);
    if (*cdb.begin() != op::Inquiry && *cdb.begin() != op::RequestSense) {
        LastTargetStatus = status;
    }
    return {completed, status};
}

int TMODrive::finish(const char* name, std::uint8_t opcode, const Sent& sent,
                     const TNotifyEvent& event) {
    if (!sent.completed && ErrorEnable) {
        throw ECDROMError(std::string("Win32ASPI Error in \"ExecSCSIcmd - ") + name + "\"",
                          0x30000 + opcode * 0x100);
    }
    if (event) {
        event(*this);
    }
    return sent.status;
}

std::uint32_t TMODrive::blockBytes(std::int32_t blocks) {
    const std::int64_t bytes = std::int64_t{blocks} * BlockSize;
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(bytes, 0, UINT32_MAX));
}

TMODrive::Sent TMODrive::addressed(std::uint8_t opcode, std::uint8_t HA, std::uint8_t Target,
                                   std::uint8_t LUN, std::int32_t LBA, std::int32_t count,
                                   std::uint8_t* buffer, std::uint32_t length) {
    return exec(HA, Target, LUN,
                {opcode, 0, byteOf(LBA, 24), byteOf(LBA, 16), byteOf(LBA, 8), byteOf(LBA, 0), 0,
                 byteOf(count, 8), byteOf(count, 0), 0},
                buffer, length);
}

void TMODrive::Inquiry(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, TDeviceInfo& Info) {
    std::array<std::uint8_t, 1024> area{};
    const auto sent = exec(HA, Target, LUN, {op::Inquiry, 0, 0, 0, 0x24, 0}, area.data(), 36);
    if (sent.completed) {
        Info.HA = HA;
        Info.Target = Target;
        Info.LUN = LUN;
        DecodeInquiry(std::span(area).first<36>(), Info);
    } else {
        Info = TDeviceInfo{};
        Info.HA = Info.Target = Info.LUN = 255;
    }
    finish("Inquiry", op::Inquiry, sent, OnInquiryFinish);
}

int TMODrive::TestUnitReady(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN) {
    return finish("TestUnitReady", op::TestUnitReady,
                  exec(HA, Target, LUN, {op::TestUnitReady, 0, 0, 0, 0, 0}, nullptr, 0),
                  OnTestUnitReadyFinish);
}

int TMODrive::DecodeSense(std::span<const std::uint8_t> sense, std::int32_t& SenseKey,
                          std::int32_t& ASC, std::int32_t& ASCQ, std::int32_t& LBA) {
    const auto decoded = scsicore::decodeSense(sense);
    if (!decoded) {
        return 255;
    }
    // The block address is the information field's low 32 bits.
    LBA = decoded->information ? static_cast<std::int32_t>(*decoded->information) : -1;
    if (!decoded->extended()) {
        SenseKey = -1;
        ASC = decoded->errorClass;
        ASCQ = decoded->errorCode;
        return 255;
    }
    SenseKey = decoded->key;
    ASC = decoded->asc;
    ASCQ = decoded->ascq;
    return SenseKey;
}

int TMODrive::RequestSense(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN,
                           std::int32_t& SenseKey, std::int32_t& ASC, std::int32_t& ASCQ,
                           std::int32_t& LBA) {
    std::array<std::uint8_t, 256> area{};
    const auto sent = exec(HA, Target, LUN, {op::RequestSense, 0, 0, 0, 0xFF, 0}, area.data(), 255);
    const int result = sent.completed ? DecodeSense(area, SenseKey, ASC, ASCQ, LBA) : 255;
    if (OnRequestSenseFinish) {
        OnRequestSenseFinish(*this);
    }
    return result;
}

int TMODrive::Capacity(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN) {
    std::array<std::uint8_t, 8> area{};
    const auto sent = exec(HA, Target, LUN, {op::ReadCapacity10, 0, 0, 0, 0, 0, 0, 0, 0, 0},
                           area.data(), area.size());
    if (sent.completed && sent.status == 0) {
        LastBlockLBA = static_cast<std::int32_t>(be32(&area[0]));
        BlockSize = static_cast<std::int32_t>(be32(&area[4]));
        LongBlockSize = BlockSize == 512 ? 600 : BlockSize == 1024 ? 1200 : 2380;
    }
    return finish("Capacity", op::ReadCapacity10, sent, OnCapacityFinish);
}

int TMODrive::SetStartStopUnit(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, bool Eject,
                               bool Stop) {
    const std::uint8_t action = Eject ? 0x02 : Stop ? 0x00 : 0x03;
    return finish("StartStopUnit", op::StartStopUnit,
                  exec(HA, Target, LUN, {op::StartStopUnit, 0, 0, 0, action, 0}, nullptr, 255),
                  OnSetStartStopUnitFinish);
}

int TMODrive::Read10(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, std::int32_t LBA,
                     std::int32_t Blocks, std::uint8_t* Buffer) {
    return finish("Read10", op::Read10,
                  addressed(op::Read10, HA, Target, LUN, LBA, Blocks, Buffer, blockBytes(Blocks)),
                  OnRead10Finish);
}

int TMODrive::Write10(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, std::int32_t LBA,
                      std::int32_t Blocks, std::uint8_t* Buffer) {
    return finish("Write10", op::Write10,
                  addressed(op::Write10, HA, Target, LUN, LBA, Blocks, Buffer, blockBytes(Blocks)),
                  OnWrite10Finish);
}

int TMODrive::Seek10(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, std::int32_t LBA) {
    return finish("Seek10", op::Seek10, addressed(op::Seek10, HA, Target, LUN, LBA, 0, nullptr, 0),
                  OnSeek10Finish);
}

int TMODrive::WriteVerify(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, std::int32_t LBA,
                          std::int32_t Blocks, std::uint8_t* Buffer) {
    return finish(
        "WriteVerify", op::WriteAndVerify10,
        addressed(op::WriteAndVerify10, HA, Target, LUN, LBA, Blocks, Buffer, blockBytes(Blocks)),
        OnWriteVerifyFinish);
}

int TMODrive::Verify(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, std::int32_t LBA,
                     std::int32_t Blocks) {
    return finish("Verify", op::Verify10,
                  addressed(op::Verify10, HA, Target, LUN, LBA, Blocks, nullptr, 0),
                  OnVerifyFinish);
}

int TMODrive::ModeSense6(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN,
                         std::uint8_t PageControl, std::int32_t Length, std::uint8_t* Buffer) {
    const auto page = static_cast<std::uint8_t>(PageControl * 0x40 + 0x01);
    return finish("ModeSense6", op::ModeSense6,
                  exec(HA, Target, LUN, {op::ModeSense6, 0, page, 0, byteOf(Length, 0), 0}, Buffer,
                       static_cast<std::uint32_t>(Length)),
                  OnModeSense6Finish);
}

int TMODrive::ModeSelect6(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, bool SavePages,
                          std::int32_t Length, std::uint8_t* Buffer) {
    const auto flags = static_cast<std::uint8_t>(LUN * 0x20 + 0x10 + (SavePages ? 1 : 0));
    return finish("ModeSelect6", op::ModeSelect6,
                  exec(HA, Target, LUN, {op::ModeSelect6, flags, 0, 0, byteOf(Length, 0), 0},
                       Buffer, static_cast<std::uint32_t>(Length)),
                  OnModeSelect6Finish);
}

int TMODrive::ReadDefect(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN,
                         std::uint8_t FormatByte, std::int32_t Length, std::uint8_t* Buffer) {
    return finish("ReadDefect", op::ReadDefectData10,
                  exec(HA, Target, LUN,
                       {op::ReadDefectData10, 0, FormatByte, 0, 0, 0, 0, byteOf(Length, 8),
                        byteOf(Length, 0), 0},
                       Buffer, static_cast<std::uint32_t>(Length)),
                  OnReadDefectFinish);
}

int TMODrive::MediumRemoval(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, bool Prevent) {
    return finish("MediumRemoval", op::PreventAllowMediumRemoval,
                  exec(HA, Target, LUN,
                       {op::PreventAllowMediumRemoval, 0, 0, 0,
                        static_cast<std::uint8_t>(Prevent ? 1 : 0), 0},
                       nullptr, 0),
                  OnMediumRemovalFinish);
}

int TMODrive::LongRead(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, std::int32_t LBA,
                       std::int32_t ByteLength, std::uint8_t* Buffer) {
    return finish("LongRead", op::ReadLong10,
                  addressed(op::ReadLong10, HA, Target, LUN, LBA, ByteLength, Buffer,
                            static_cast<std::uint32_t>(ByteLength)),
                  OnLongReadFinish);
}

int TMODrive::LongWrite(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, std::int32_t LBA,
                        std::int32_t ByteLength, std::uint8_t* Buffer) {
    return finish("LongWrite", op::WriteLong10,
                  addressed(op::WriteLong10, HA, Target, LUN, LBA, ByteLength, Buffer,
                            static_cast<std::uint32_t>(ByteLength)),
                  OnLongWriteFinish);
}

int TMODrive::Format(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN,
                     std::uint8_t FormatBits, std::int32_t Length, std::uint8_t* Buffer) {
    const auto flags = static_cast<std::uint8_t>(LUN * 0x20 + (FormatBits & 0x1F));
    return finish("Format", op::FormatUnit,
                  exec(HA, Target, LUN, {op::FormatUnit, flags, 0, 0, 0, 0}, Buffer,
                       static_cast<std::uint32_t>(Length)),
                  OnFormatFinish);
}

} // namespace quillon::drive
