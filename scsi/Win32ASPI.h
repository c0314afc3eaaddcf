#pragma once

#include "KeptSense.h"
#include "Transport.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillon::scsi {

// Request block commands and status values of the host adapter layer.
inline constexpr std::uint8_t SC_HA_INQUIRY = 0x00;
inline constexpr std::uint8_t SC_EXEC_SCSI_CMD = 0x02;
inline constexpr std::uint8_t SC_ABORT_SRB = 0x03;
inline constexpr std::uint8_t SS_PENDING = 0x00;
inline constexpr std::uint8_t SS_COMP = 0x01;
inline constexpr std::uint8_t SS_ABORTED = 0x02;
inline constexpr std::uint8_t SS_ERR = 0x04;
inline constexpr std::uint8_t SS_INVALID_HA = 0x81;
inline constexpr std::uint8_t SRB_EVENT_NOTIFY = 0x40;
inline constexpr std::uint8_t SENSE_LEN = 14;

// The execute-SCSI request block: what a caller fills (adapter, target, LUN,
// buffer, CDB) and reads back (SRB_TargStat, the target's status byte). The
// layer fills the rest; `Pending` ties the block to the command in flight so
// that an abort can name it.
struct TSRB_ExecSCSICmd {
    std::uint8_t SRB_Cmd = 0;
    std::uint8_t SRB_Status = 0;
    std::uint8_t SRB_HaId = 0;
    std::uint8_t SRB_Flags = 0;
    std::uint32_t SRB_Hdr_Rsvd = 0;
    std::uint8_t SRB_Target = 0;
    std::uint8_t SRB_Lun = 0;
    std::uint16_t SRB_Rsvd1 = 0;
    std::uint32_t SRB_BufLen = 0;
    std::uint8_t* SRB_BufPointer = nullptr;
    std::uint8_t SRB_SenseLen = 0;
    std::uint8_t SRB_CDBLen = 0;
    std::uint8_t SRB_HaStat = 0;
    std::uint8_t SRB_TargStat = 0;
    const void* SRB_PostProc = nullptr;
    std::array<std::uint8_t, 16> CDBByte{};
    std::array<std::uint8_t, SENSE_LEN + 2> SenseArea{};
    std::shared_ptr<TransportCommand> Pending;

    // A request block filled as callers fill it: the device, the CDB (at
    // most 16 bytes) and the data buffer.
    static TSRB_ExecSCSICmd For(std::uint8_t ha, std::uint8_t target, std::uint8_t lun,
                                std::span<const std::uint8_t> cdb, std::uint8_t* buffer,
                                std::uint32_t length) {
        TSRB_ExecSCSICmd srb;
        srb.SRB_HaId = ha;
        srb.SRB_Target = target;
        srb.SRB_Lun = lun;
        srb.SRB_BufLen = length;
        srb.SRB_BufPointer = buffer;
        srb.SRB_CDBLen = static_cast<std::uint8_t>(std::min(cdb.size(), srb.CDBByte.size()));
        std::copy_n(cdb.begin(), srb.SRB_CDBLen, srb.CDBByte.begin());
        return srb;
    }
};

// One host adapter as the adapter inquiry describes it.
struct THAInfo {
    std::uint8_t SCSI_ID = 0;
    std::string ManagerId;
    std::string Identifier;
    std::uint16_t BufferAlignment = 0;
    bool ResidualSupport = false;
    std::uint8_t MaxTargets = 0;
    std::uint32_t MaxTransferLength = 0;
};
using THAInfoList = std::array<THAInfo, 256>;

// Failures of the host adapter layer, raised only when ErrorEnable is set
// (except the fatal set-up error).
class EWin32ASPIError : public std::runtime_error {
public:
    EWin32ASPIError(const std::string& message, std::int32_t code)
        : std::runtime_error(message), ErrorCode(code) {}
    std::int32_t ErrorCode;
};
class ESystemError : public EWin32ASPIError {
    using EWin32ASPIError::EWin32ASPIError;
};
class EAspiError : public EWin32ASPIError {
    using EWin32ASPIError::EWin32ASPIError;
};

class TWin32ASPI;
using TNotifyEvent = std::function<void(TWin32ASPI& Sender)>;

// The SCSI access component: presents the enabled transports as one table of
// host adapters (0, 1, 2, … in the order given) and executes one SCSI request
// at a time, waiting for it at most its time-out and aborting it when the
// time-out expires. It keeps the sense data each CHECK CONDITION brings for
// the next REQUEST SENSE to that logical unit, whatever the transport.
// Failures are reported by results, or by exceptions when ErrorEnable is set.
class TWin32ASPI {
public:
    explicit TWin32ASPI(std::vector<std::unique_ptr<Transport>> transports = {});
    virtual ~TWin32ASPI();
    TWin32ASPI(const TWin32ASPI&) = delete;
    TWin32ASPI& operator=(const TWin32ASPI&) = delete;

    std::int32_t GetSupportInfo();
    bool GetHostAdapterInquiry(std::uint8_t HaId);
    bool ExecSCSICommand(TSRB_ExecSCSICmd& Srb);
    bool ServiceAbort(std::uint8_t HaId, TSRB_ExecSCSICmd* Srb);

    // The transport behind an adapter number and its own index for it, or
    // {nullptr, 0}.
    std::pair<Transport*, int> transportOf(std::uint8_t HaId) const;

    bool ErrorEnable = false;
    std::int32_t TimeOut_GetHostAdapterInquiry = 1000;
    std::int32_t TimeOut_GetDeviceType = 1000;
    std::int32_t TimeOut_ExecSCSICommand = 10000;
    std::int32_t TimeOut_ServiceAbort = 1000;
    std::int32_t TimeOut_ResetDevice = 1000;
    std::int32_t TimeOut_GetDiskInfo = 1000;
    std::int32_t TimeOut_RescanBus = 1000;
    std::string CPUName = "None";
    std::string MemorySize = "0 MByte";
    std::string OSName = "None";
    std::string OSVersion = "0.0";
    std::string OSBuild = "0000";
    bool ASPILoaded = false;
    std::uint8_t HostAdapterCount = 0;
    THAInfoList HostAdapters{};

    TNotifyEvent OnGetHostAdapterInquiryFinish;
    TNotifyEvent OnGetDeviceTypeFinish;
    TNotifyEvent OnExecSCSICommandFinish;
    TNotifyEvent OnServiceAbortFinish;
    TNotifyEvent OnResetDeviceFinish;
    TNotifyEvent OnGetDiskInfoFinish;
    TNotifyEvent OnRescanBusFinish;

protected:
    // ExecSCSICommand, raising its own error only when told to: the drive
    // command layer reports a failed command with an error of its own.
    bool execute(TSRB_ExecSCSICmd& Srb, bool raise);
    // The millisecond clock the layer times its polls with; it wraps like a
    // 32-bit counter.
    virtual std::uint32_t MillisecondClock() const;

private:
    void describeSystem();
    bool timedOut(std::uint32_t start, std::int32_t timeout) const;
    void fire(const TNotifyEvent& event);
    std::shared_ptr<TransportCommand> reusableCommand();
    // Hands the request to its transport and waits for it until the
    // time-out; anything but Pending has set the request's failed status.
    Completion send(TSRB_ExecSCSICmd& Srb, std::int32_t timeout);
    // Takes the result of the sent request, or aborts it when it has not
    // ended in time.
    bool awaitCompletion(TSRB_ExecSCSICmd& Srb);
    void takeResult(TSRB_ExecSCSICmd& Srb);
    // A REQUEST SENSE answered from the sense kept for its logical unit;
    // false when none is kept.
    bool answerFromKeptSense(TSRB_ExecSCSICmd& Srb);

    std::vector<std::unique_ptr<Transport>> transports_;
    std::vector<std::pair<Transport*, int>> adapters_;
    std::shared_ptr<TransportCommand> spareCommand_;
    KeptSense keptSense_;
};

} // namespace quillon::scsi
