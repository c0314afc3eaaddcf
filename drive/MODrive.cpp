#include "MODrive.h"

#include <algorithm>
#include <array>
#include <optional>

namespace quillon::drive {

namespace {

constexpr std::uint8_t OpInquiry = 0x12;
constexpr std::uint8_t OpRequestSense = 0x03;

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

// The information descriptor (type 00h, valid) of descriptor-format sense,
// as a 32-bit block address.
std::optional<std::int32_t> informationDescriptor(std::span<const std::uint8_t> sense) {
    if (sense.size() < 8) {
        return std::nullopt;
    }
    const std::size_t end = std::min<std::size_t>(sense.size(), 8u + sense[7]);
    for (std::size_t at = 8; at + 1 < end; at += 2u + sense[at + 1]) {
        if (sense[at] == 0x00 && at + 12 <= end && (sense[at + 2] & 0x80) != 0) {
            return static_cast<std::int32_t>(be32(&sense[at + 8]));
        }
    }
    return std::nullopt;
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
    const int status = srb.SRB_TargStat;
    if (*cdb.begin() != OpInquiry && *cdb.begin() != OpRequestSense) {
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
    const auto sent = exec(HA, Target, LUN, {OpInquiry, 0, 0, 0, 0x24, 0}, area.data(), 36);
    if (sent.completed) {
        Info.HA = HA;
        Info.Target = Target;
        Info.LUN = LUN;
        DecodeInquiry(std::span(area).first<36>(), Info);
    } else {
        Info = TDeviceInfo{};
        Info.HA = Info.Target = Info.LUN = 255;
    }
    finish("Inquiry", OpInquiry, sent, OnInquiryFinish);
}

int TMODrive::TestUnitReady(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN) {
    return finish("TestUnitReady", 0x00, exec(HA, Target, LUN, {0x00, 0, 0, 0, 0, 0}, nullptr, 0),
                  OnTestUnitReadyFinish);
}

int TMODrive::DecodeSense(std::span<const std::uint8_t> sense, std::int32_t& SenseKey,
                          std::int32_t& ASC, std::int32_t& ASCQ, std::int32_t& LBA) {
    if (sense.size() < 4) {
        return 255;
    }
    const std::uint8_t code = sense[0] & 0x7F;
    const bool valid = (sense[0] & 0x80) != 0;
    if ((code == 0x70 || code == 0x71) && sense.size() >= 14) {
        SenseKey = sense[2] & 0x0F;
        ASC = sense[12];
        ASCQ = sense[13];
        LBA = valid ? static_cast<std::int32_t>(be32(&sense[3])) : -1;
        return SenseKey;
    }
    if (code == 0x72 || code == 0x73) {
        SenseKey = sense[1] & 0x0F;
        ASC = sense[2];
        ASCQ = sense[3];
        LBA = informationDescriptor(sense).value_or(-1);
        return SenseKey;
    }
    if (((sense[0] >> 4) & 0x07) < 7) {
        SenseKey = -1;
        ASC = (sense[0] >> 4) & 0x07;
        ASCQ = sense[0] & 0x0F;
        LBA = valid ? static_cast<std::int32_t>(sense[1] << 16 | sense[2] << 8 | sense[3]) : -1;
    }
    return 255;
}

int TMODrive::RequestSense(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN,
                           std::int32_t& SenseKey, std::int32_t& ASC, std::int32_t& ASCQ,
                           std::int32_t& LBA) {
    std::array<std::uint8_t, 256> area{};
    const auto sent = exec(HA, Target, LUN, {OpRequestSense, 0, 0, 0, 0xFF, 0}, area.data(), 255);
    const int result = sent.completed ? DecodeSense(area, SenseKey, ASC, ASCQ, LBA) : 255;
    if (OnRequestSenseFinish) {
        OnRequestSenseFinish(*this);
    }
    return result;
}

int TMODrive::Capacity(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN) {
    std::array<std::uint8_t, 8> area{};
    const auto sent =
        exec(HA, Target, LUN, {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, area.data(), area.size());
    if (sent.completed && sent.status == 0) {
        LastBlockLBA = static_cast<std::int32_t>(be32(&area[0]));
        BlockSize = static_cast<std::int32_t>(be32(&area[4]));
        LongBlockSize = BlockSize == 512 ? 600 : BlockSize == 1024 ? 1200 : 2380;
    }
    return finish("Capacity", 0x25, sent, OnCapacityFinish);
}

int TMODrive::SetStartStopUnit(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, bool Eject,
                               bool Stop) {
    const std::uint8_t action = Eject ? 0x02 : Stop ? 0x00 : 0x03;
    return finish("StartStopUnit", 0x1B,
                  exec(HA, Target, LUN, {0x1B, 0, 0, 0, action, 0}, nullptr, 255),
                  OnSetStartStopUnitFinish);
}

int TMODrive::Read10(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, std::int32_t LBA,
                     std::int32_t Blocks, std::uint8_t* Buffer) {
    return finish("Read10", 0x28,
                  addressed(0x28, HA, Target, LUN, LBA, Blocks, Buffer, blockBytes(Blocks)),
                  OnRead10Finish);
}

int TMODrive::Write10(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, std::int32_t LBA,
                      std::int32_t Blocks, std::uint8_t* Buffer) {
    return finish("Write10", 0x2A,
                  addressed(0x2A, HA, Target, LUN, LBA, Blocks, Buffer, blockBytes(Blocks)),
                  OnWrite10Finish);
}

int TMODrive::Seek10(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, std::int32_t LBA) {
    return finish("Seek10", 0x2B, addressed(0x2B, HA, Target, LUN, LBA, 0, nullptr, 0),
                  OnSeek10Finish);
}

int TMODrive::WriteVerify(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, std::int32_t LBA,
                          std::int32_t Blocks, std::uint8_t* Buffer) {
    return finish("WriteVerify", 0x2E,
                  addressed(0x2E, HA, Target, LUN, LBA, Blocks, Buffer, blockBytes(Blocks)),
                  OnWriteVerifyFinish);
}

int TMODrive::Verify(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, std::int32_t LBA,
                     std::int32_t Blocks) {
    return finish("Verify", 0x2F, addressed(0x2F, HA, Target, LUN, LBA, Blocks, nullptr, 0),
                  OnVerifyFinish);
}

int TMODrive::ModeSense6(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN,
                         std::uint8_t PageControl, std::int32_t Length, std::uint8_t* Buffer) {
    const auto page = static_cast<std::uint8_t>(PageControl * 0x40 + 0x01);
    return finish("ModeSense6", 0x1A,
                  exec(HA, Target, LUN, {0x1A, 0, page, 0, byteOf(Length, 0), 0}, Buffer,
                       static_cast<std::uint32_t>(Length)),
                  OnModeSense6Finish);
}

int TMODrive::ModeSelect6(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, bool SavePages,
                          std::int32_t Length, std::uint8_t* Buffer) {
    const auto flags = static_cast<std::uint8_t>(LUN * 0x20 + 0x10 + (SavePages ? 1 : 0));
    return finish("ModeSelect6", 0x15,
                  exec(HA, Target, LUN, {0x15, flags, 0, 0, byteOf(Length, 0), 0}, Buffer,
                       static_cast<std::uint32_t>(Length)),
                  OnModeSelect6Finish);
}

int TMODrive::ReadDefect(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN,
                         std::uint8_t FormatByte, std::int32_t Length, std::uint8_t* Buffer) {
    return finish("ReadDefect", 0x37,
                  exec(HA, Target, LUN,
                       {0x37, 0, FormatByte, 0, 0, 0, 0, byteOf(Length, 8), byteOf(Length, 0), 0},
                       Buffer, static_cast<std::uint32_t>(Length)),
                  OnReadDefectFinish);
}

int TMODrive::MediumRemoval(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, bool Prevent) {
    return finish("MediumRemoval", 0x1E,
                  exec(HA, Target, LUN,
                       {0x1E, 0, 0, 0, static_cast<std::uint8_t>(Prevent ? 1 : 0), 0}, nullptr, 0),
                  OnMediumRemovalFinish);
}

int TMODrive::LongRead(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, std::int32_t LBA,
                       std::int32_t ByteLength, std::uint8_t* Buffer) {
    return finish("LongRead", 0x3E,
                  addressed(0x3E, HA, Target, LUN, LBA, ByteLength, Buffer,
                            static_cast<std::uint32_t>(ByteLength)),
                  OnLongReadFinish);
}

int TMODrive::LongWrite(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, std::int32_t LBA,
                        std::int32_t ByteLength, std::uint8_t* Buffer) {
    return finish("LongWrite", 0x3F,
                  addressed(0x3F, HA, Target, LUN, LBA, ByteLength, Buffer,
                            static_cast<std::uint32_t>(ByteLength)),
                  OnLongWriteFinish);
}

int TMODrive::Format(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN,
                     std::uint8_t FormatBits, std::int32_t Length, std::uint8_t* Buffer) {
    const auto flags = static_cast<std::uint8_t>(LUN * 0x20 + (FormatBits & 0x1F));
    return finish("Format", 0x04,
                  exec(HA, Target, LUN, {0x04, flags, 0, 0, 0, 0}, Buffer,
                       static_cast<std::uint32_t>(Length)),
                  OnFormatFinish);
}

} // namespace quillon::drive
