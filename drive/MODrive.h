#pragma once

#include "drive/CommandResult.h"
#include "scsi/Win32ASPI.h"

#include <atomic>
#include <cstdint>
#include <span>
#include <string>

namespace quillon::drive {

using scsi::TNotifyEvent;

// What INQUIRY tells about one device, decoded: its address, whether a device
// is connected there (Qualifier 0), its type (7 is an optical memory device),
// its SCSI level, its capability flags and its identification strings, kept
// with every byte including blanks.
struct TDeviceInfo {
    std::uint8_t HA = 0;
    std::uint8_t Target = 0;
    std::uint8_t LUN = 0;
    std::uint8_t Qualifier = 3;
    std::uint8_t DeviceType = 10;
    std::uint8_t ScsiLevel = 3;
    bool Removable = false;
    bool AsyncEvent = false;
    bool TerminateIO = false;
    bool RelativeAddress = false;
    bool Wide32 = false;
    bool Wide16 = false;
    bool Sync = false;
    bool Linked = false;
    bool CommandQueue = false;
    bool SoftReset = false;
    std::string Vendor;
    std::string Product;
    std::string Revision;
};

// A drive command that failed while ErrorEnable was set.
class ECDROMError : public scsi::EWin32ASPIError {
    using EWin32ASPIError::EWin32ASPIError;
};

// The drive command component: one method per SCSI command the tool sends.
// Each builds the command descriptor block, runs it through the host adapter
// layer and returns the target's status byte (0 GOOD, 2 CHECK CONDITION,
// 8 BUSY …) or, for a request that did not complete, why not (see
// command_result: time-out, no device, transport error), never 0. It keeps
// the drive-wide block geometry that READ CAPACITY refreshes and every window
// reads.
class TMODrive : public scsi::TWin32ASPI {
public:
    explicit TMODrive(std::vector<std::unique_ptr<scsi::Transport>> transports = {});

    void Inquiry(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, TDeviceInfo& Info);
    int TestUnitReady(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN);
    int RequestSense(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, std::int32_t& SenseKey,
                     std::int32_t& ASC, std::int32_t& ASCQ, std::int32_t& LBA);
    // Decodes the 36 bytes of standard INQUIRY data into everything but the
    // address.
    static void DecodeInquiry(std::span<const std::uint8_t, 36> data, TDeviceInfo& info);
    // Sense data in the four numbers RequestSense reports: fixed (70h/71h)
    // and descriptor (72h/73h) format give the key (also the result), ASC,
    // ASCQ and the block in the information field or descriptor when it is
    // valid (else -1); non-extended sense gives key -1, the error class and
    // code and the 24-bit address of bytes 1-3, with the result 255;
    // anything the shared decoder cannot read leaves the outputs alone and
    // gives 255.
    static int DecodeSense(std::span<const std::uint8_t> sense, std::int32_t& SenseKey,
                           std::int32_t& ASC, std::int32_t& ASCQ, std::int32_t& LBA);
    int Capacity(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN);
    int SetStartStopUnit(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, bool Eject,
                         bool Stop);
    int Read10(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, std::int32_t LBA,
               std::int32_t Blocks, std::uint8_t* Buffer);
    int Write10(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, std::int32_t LBA,
                std::int32_t Blocks, std::uint8_t* Buffer);
    int Seek10(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, std::int32_t LBA);
    int WriteVerify(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, std::int32_t LBA,
                    std::int32_t Blocks, std::uint8_t* Buffer);
    int Verify(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, std::int32_t LBA,
               std::int32_t Blocks);
    int ModeSense6(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, std::uint8_t PageControl,
                   std::int32_t Length, std::uint8_t* Buffer);
    int ModeSelect6(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, bool SavePages,
                    std::int32_t Length, std::uint8_t* Buffer);
    int ReadDefect(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, std::uint8_t FormatByte,
                   std::int32_t Length, std::uint8_t* Buffer);
    int MediumRemoval(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, bool Prevent);
    int LongRead(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, std::int32_t LBA,
                 std::int32_t ByteLength, std::uint8_t* Buffer);
    int LongWrite(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, std::int32_t LBA,
                  std::int32_t ByteLength, std::uint8_t* Buffer);
    int Format(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN, std::uint8_t FormatBits,
               std::int32_t Length, std::uint8_t* Buffer);

    // Drive-wide values, one set for the process: the block geometry of the
    // last READ CAPACITY and the status of the last command. Sharing rule:
    // the drive component is used by one thread at a time (the thread that
    // sends a command holds it until the command returns; the format
    // worker holds it from its start to its end, while the user interface
    // sends nothing). Each value is atomic, so that a thread may still read
    // one while the holder writes it, but only the holder sees the four as
    // one consistent set.
    static inline std::atomic<std::int32_t> BlockSize = 512;
    static inline std::atomic<std::int32_t> LongBlockSize = 600;
    static inline std::atomic<std::int32_t> LastBlockLBA = 10000;
    // The last result of a command but INQUIRY and REQUEST SENSE, as its
    // method returned it.
    static inline std::atomic<std::int32_t> LastTargetStatus = 0;

    TNotifyEvent OnInquiryFinish;
    TNotifyEvent OnTestUnitReadyFinish;
    TNotifyEvent OnRequestSenseFinish;
    TNotifyEvent OnCapacityFinish;
    TNotifyEvent OnSetStartStopUnitFinish;
    TNotifyEvent OnRead10Finish;
    TNotifyEvent OnWrite10Finish;
    TNotifyEvent OnSeek10Finish;
    TNotifyEvent OnWriteVerifyFinish;
    TNotifyEvent OnVerifyFinish;
    TNotifyEvent OnModeSense6Finish;
    TNotifyEvent OnModeSelect6Finish;
    TNotifyEvent OnReadDefectFinish;
    TNotifyEvent OnMediumRemovalFinish;
    TNotifyEvent OnLongReadFinish;
    TNotifyEvent OnLongWriteFinish;
    TNotifyEvent OnFormatFinish;

private:
    // How one command went: whether the layer reported completion, and the
    // target's status byte.
    struct Sent {
        bool completed;
        int status;
    };
    // Fills the request block and executes it; records the status in
    // LastTargetStatus except for INQUIRY and REQUEST SENSE.
    Sent exec(std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN,
              std::initializer_list<std::uint8_t> cdb, std::uint8_t* buffer, std::uint32_t length);
    // Raises the command's error when it failed and ErrorEnable is set, then
    // fires its finish event; returns the status.
    int finish(const char* name, std::uint8_t opcode, const Sent& sent, const TNotifyEvent& event);
    // READ(10), WRITE(10), WRITE AND VERIFY, VERIFY, READ LONG, WRITE LONG:
    // address in bytes 2-5, the low 16 bits of the count in bytes 7-8.
    Sent addressed(std::uint8_t opcode, std::uint8_t HA, std::uint8_t Target, std::uint8_t LUN,
                   std::int32_t LBA, std::int32_t count, std::uint8_t* buffer,
                   std::uint32_t length);
    static std::uint32_t blockBytes(std::int32_t blocks);
};

} // namespace quillon::drive
