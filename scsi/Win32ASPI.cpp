#include "Win32ASPI.h"

#include "scsicore/ScsiConstants.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sys/sysinfo.h>
#include <sys/utsname.h>

namespace quillon::scsi {

namespace {

constexpr std::int32_t ErrorHostAdapterInquiry = 0x10001;
constexpr std::int32_t ErrorExecSCSICommand = 0x10003;
constexpr std::int32_t ErrorServiceAbort = 0x10004;

// The processor's model name as the kernel reports it, or "".
std::string processorName() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("model name", 0) == 0) {
            const auto colon = line.find(':');
            if (colon != std::string::npos && colon + 2 <= line.size()) {
                return line.substr(colon + 2);
            }
        }
    }
    return {};
}

} // namespace

TWin32ASPI::TWin32ASPI(std::vector<std::unique_ptr<Transport>> transports)
    : transports_(std::move(transports)) {
    describeSystem();
    for (const auto& transport : transports_) {
        switch (transport->open()) {
        case Transport::Presence::Absent:
            continue;
        case Transport::Presence::Incomplete:
            throw ESystemError("Fatal Error : Cannot Find \"wnaspi32.dll\"", 1);
        case Transport::Presence::Present:
            ASPILoaded = true;
            for (int i = 0; i < transport->adapterCount() && adapters_.size() < 255; ++i) {
                adapters_.emplace_back(transport.get(), i);
            }
            break;
        }
    }
    if (!ASPILoaded) {
        return;
    }
    const std::int32_t count = GetSupportInfo();
    if (count > 0) {
        HostAdapterCount = static_cast<std::uint8_t>(count);
        for (int i = 0; i < count; ++i) {
            GetHostAdapterInquiry(static_cast<std::uint8_t>(i));
        }
    }
}

TWin32ASPI::~TWin32ASPI() = default;

// Processor, memory and platform as Linux reports them.
void TWin32ASPI::describeSystem() {
    if (auto name = processorName(); !name.empty()) {
        CPUName = name;
    }
    struct sysinfo memory {};
    if (sysinfo(&memory) == 0) {
        const double mib = static_cast<double>(memory.totalram) * memory.mem_unit / 1024.0 / 1024.0;
        MemorySize = std::to_string(static_cast<long long>(mib)) + " MByte";
    }
    struct utsname system {};
    if (uname(&system) == 0) {
        OSName = system.sysname;
        int major = 0;
        int minor = 0;
        int build = 0;
        if (std::sscanf(system.release, "%d.%d.%d", &major, &minor, &build) >= 2) {
            OSVersion = std::to_string(major) + "." + std::to_string(minor);
            OSBuild = std::to_string(build);
        }
    }
}

std::uint32_t TWin32ASPI::MillisecondClock() const {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

// Past the time-out, or the clock went backwards (it wrapped).
bool TWin32ASPI::timedOut(std::uint32_t start, std::int32_t timeout) const {
    const std::int64_t elapsed = std::int64_t{MillisecondClock()} - start;
    return elapsed > timeout || elapsed < 0;
}

void TWin32ASPI::fire(const TNotifyEvent& event) {
    if (event) {
        event(*this);
    }
}

// The command object of the last request when nobody holds it any more
// (a transport keeps a timed-out one until it completes), else a new one.
std::shared_ptr<TransportCommand> TWin32ASPI::reusableCommand() {
    if (!spareCommand_ || spareCommand_.use_count() > 1) {
        spareCommand_ = std::make_shared<TransportCommand>(0, 0, std::span<const std::uint8_t>{},
                                                           std::span<std::uint8_t>{}, 0);
    }
    return spareCommand_;
}

std::pair<Transport*, int> TWin32ASPI::transportOf(std::uint8_t HaId) const {
    if (HaId >= adapters_.size()) {
        return {nullptr, 0};
    }
    return adapters_[HaId];
}

std::int32_t TWin32ASPI::GetSupportInfo() {
    if (!ASPILoaded) {
        return -1;
    }
    return static_cast<std::int32_t>(adapters_.size());
}

bool TWin32ASPI::GetHostAdapterInquiry(std::uint8_t HaId) {
    const std::int32_t timeout = TimeOut_GetHostAdapterInquiry;
    bool ok = false;
    if (const auto [transport, local] = transportOf(HaId); ASPILoaded && transport) {
        const std::uint32_t start = MillisecondClock();
        AdapterInfo info;
        const bool answered = transport->inquireAdapter(local, info);
        if (timedOut(start, timeout)) {
            ServiceAbort(HaId, nullptr);
        } else if (answered) {
            auto& record = HostAdapters[HaId];
            record.SCSI_ID = info.scsiId;
            record.ManagerId = info.managerId.substr(0, 16);
            record.Identifier = info.identifier.substr(0, 16);
            record.BufferAlignment = info.bufferAlignment;
            record.ResidualSupport = info.residualSupport;
            record.MaxTargets = info.maxTargets == 0 ? 8 : info.maxTargets;
            record.MaxTransferLength = info.maxTransferLength;
            ok = true;
        }
    }
    if (!ok && ErrorEnable) {
        throw EAspiError("Win32ASPI Error in \"GetHostAdapterInquiry\"", ErrorHostAdapterInquiry);
    }
    fire(OnGetHostAdapterInquiryFinish);
    return ok;
}

bool TWin32ASPI::ExecSCSICommand(TSRB_ExecSCSICmd& Srb) {
    return execute(Srb, ErrorEnable);
}

bool TWin32ASPI::execute(TSRB_ExecSCSICmd& Srb, bool raise) {
    const std::int32_t timeout = TimeOut_ExecSCSICommand;
    bool ok = false;
    if (ASPILoaded) {
        Srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
        Srb.SRB_Flags = SRB_EVENT_NOTIFY;
        Srb.SRB_SenseLen = SENSE_LEN;
        Srb.SRB_Status = SS_PENDING;
        if (answerFromKeptSense(Srb)) {
            ok = true;
        } else if (send(Srb, timeout) == Completion::Pending) {
            // A send that does not leave the command pending is a failure,
            // even one that reports completion at once.
            ok = awaitCompletion(Srb);
        }
        Srb.SRB_PostProc = nullptr;
    }
    if (!ok && raise) {
        throw EAspiError("Win32ASPI Error in \"ExecSCSICommand\"", ErrorExecSCSICommand);
    }
    fire(OnExecSCSICommandFinish);
    return ok;
}

Completion TWin32ASPI::send(TSRB_ExecSCSICmd& Srb, std::int32_t timeout) {
    const auto [transport, local] = transportOf(Srb.SRB_HaId);
    if (transport == nullptr) {
        Srb.SRB_Status = SS_INVALID_HA;
        return Completion::Error;
    }
    const auto length = std::min<std::size_t>(Srb.SRB_CDBLen, Srb.CDBByte.size());
    Srb.Pending = reusableCommand();
    Srb.Pending->prepare(Srb.SRB_Target, Srb.SRB_Lun, std::span(Srb.CDBByte).first(length),
                         std::span(Srb.SRB_BufPointer, Srb.SRB_BufPointer ? Srb.SRB_BufLen : 0),
                         static_cast<std::uint32_t>(timeout));
    Srb.SRB_PostProc = Srb.Pending.get();
    const Completion sent = transport->executeAndWait(
        local, Srb.Pending, static_cast<std::uint32_t>(std::max(timeout, 0)));
    if (sent != Completion::Pending) {
        if (Srb.Pending->waitFor(0)) { // a transport may say why it refused
            takeResult(Srb);
        }
        Srb.SRB_Status = sent == Completion::Ok ? SS_COMP : SS_ERR;
    }
    return sent;
}

bool TWin32ASPI::awaitCompletion(TSRB_ExecSCSICmd& Srb) {
    if (Srb.Pending->completed()) {
        takeResult(Srb);
        return Srb.SRB_Status == SS_COMP;
    }
    // Timed out: abort, and give the command up even when the abort raises.
    bool aborted = false;
    try {
        aborted = ServiceAbort(Srb.SRB_HaId, &Srb);
    } catch (...) {
        Srb.Pending->abandon();
        throw;
    }
    Srb.Pending->abandon();
    if (Srb.Pending->waitFor(0)) { // an aborted command tells how it ended
        Srb.SRB_HaStat = Srb.Pending->result().hostStatus;
    }
    if (Srb.SRB_HaStat == host_status::Ok) {
        Srb.SRB_HaStat = host_status::Timeout; // the layer's own time-out
    }
    Srb.SRB_Status = aborted ? SS_ABORTED : SS_ERR;
    return false;
}

void TWin32ASPI::takeResult(TSRB_ExecSCSICmd& Srb) {
    const auto result = Srb.Pending->result();
    Srb.SRB_Status = result.completion == Completion::Ok ? SS_COMP : SS_ERR;
    Srb.SRB_HaStat = result.hostStatus;
    Srb.SRB_TargStat = result.targetStatus;
    std::copy_n(result.sense.begin(), std::min<std::size_t>(result.senseLength, SENSE_LEN),
                Srb.SenseArea.begin());
    if (result.targetStatus == scsicore::status::CheckCondition && result.senseLength > 0) {
        keptSense_.Keep({Srb.SRB_HaId, Srb.SRB_Target, Srb.SRB_Lun},
                        std::span(result.sense).first(result.senseLength));
    }
}

bool TWin32ASPI::answerFromKeptSense(TSRB_ExecSCSICmd& Srb) {
    const KeptSense::Unit unit{Srb.SRB_HaId, Srb.SRB_Target, Srb.SRB_Lun};
    const std::uint8_t opcode = Srb.SRB_CDBLen > 0 ? Srb.CDBByte[0] : 0;
    if (opcode != scsicore::op::RequestSense) {
        if (opcode != scsicore::op::Inquiry) {
            keptSense_.Drop(unit);
        }
        return false;
    }
    const auto sense = keptSense_.Take(unit);
    if (!sense) {
        return false;
    }
    const std::size_t allocation = Srb.CDBByte[4];
    const std::size_t room = Srb.SRB_BufPointer != nullptr ? Srb.SRB_BufLen : 0;
    const std::size_t length = std::min({sense->size(), allocation, room});
    std::copy_n(sense->begin(), length, Srb.SRB_BufPointer);
    Srb.SRB_Status = SS_COMP;
    Srb.SRB_HaStat = host_status::Ok;
    Srb.SRB_TargStat = scsicore::status::Good;
    return true;
}

bool TWin32ASPI::ServiceAbort(std::uint8_t HaId, TSRB_ExecSCSICmd* Srb) {
    const std::int32_t timeout = TimeOut_ServiceAbort;
    bool ok = false;
    const auto [transport, local] = transportOf(HaId);
    if (ASPILoaded && transport && Srb && Srb->Pending) {
        const std::uint32_t start = MillisecondClock();
        const bool aborted = transport->abort(local, *Srb->Pending);
        ok = aborted && !timedOut(start, timeout);
    }
    if (!ok && ErrorEnable) {
        throw EAspiError("Win32ASPI Error in \"ServiceAbort\"", ErrorServiceAbort);
    }
    fire(OnServiceAbortFinish);
    return ok;
}

} // namespace quillon::scsi
