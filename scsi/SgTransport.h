#pragma once

#include "Transport.h"
#include "UniqueFd.h"
#include "WakeEvent.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <scsi/sg.h>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace quillon::scsi {

// One /dev/sgN node and the address SG_GET_SCSI_ID gave for it.
struct SgDevice {
    std::string path;
    int hostNo = 0;
    int channel = 0;
    int scsiId = 0;
    int lun = 0;
    int scsiType = 0;   // peripheral device type
    int queueDepth = 1; // commands the kernel queues to the device at once
};

// One host adapter as the transport presents it: the devices of one channel
// of one Linux SCSI host.
struct SgAdapterLayout {
    int hostNo = 0;
    int channel = 0;
    // (target ID, LUN) -> index into the device list given to layoutAdapters.
    std::map<std::pair<std::uint8_t, std::uint8_t>, std::size_t> devices;
    int highestTarget = -1;
};

struct SgLayout {
    std::vector<SgAdapterLayout> adapters;
    // Devices that no (adapter, target, LUN) can reach, with the reason.
    std::vector<std::string> unreachable;
};

// Groups discovered devices into adapters: one per (host, channel) pair, in
// ascending host then channel order, so a one-channel host is one adapter.
// Target IDs and LUNs above 255 do not fit the transport's addresses and are
// left out; so is a second node at an address already taken.
SgLayout layoutAdapters(const std::vector<SgDevice>& devices);

// What the system tells about a host besides its devices.
struct SgHostFacts {
    std::string procName;          // the low-level driver, from sysfs
    int driverVersion = 0;         // SG_GET_VERSION_NUM, e.g. 30536
    std::uint32_t maxTransfer = 0; // bytes one command may move; 0: unknown
};

// The adapter inquiry answer for a layout. The adapter's own SCSI ID is 7
// unless a device sits there (virtio-scsi, USB and SAS hosts have no
// initiator ID on the bus); then the highest free ID.
AdapterInfo adapterInfoFor(const SgAdapterLayout& adapter, const SgHostFacts& facts);

// The sg driver's dxfer_direction for a command's direction. Data in goes
// as SG_DXFER_TO_FROM_DEV where the kernel takes it (copyIn): the driver then
// starts from the contents of the transport's buffer, which holds the
// caller's, so the bytes the device does not send keep what the caller had.
// Without it, the driver's buffer, reused from command to command, returns
// the previous command's data in those bytes: in all of them when a read
// fails. Kernels 6.1.80 and later 6.1 releases refuse SG_DXFER_TO_FROM_DEV
// with EINVAL.
int sgDirection(DataDirection direction, bool copyIn = true);

// How many bytes of a data-in command's buffer, as the driver returned it, go
// back to the caller. With SG_DXFER_TO_FROM_DEV all of them. With
// SG_DXFER_FROM_DEV those the residual count says the device sent when it
// says so; when it counts none missing (which drivers also do on failed
// commands that sent nothing) all of them only when the command ended GOOD or
// CONDITION MET, or with sense key NO SENSE or RECOVERED ERROR, which report
// on data that was sent; otherwise none.
std::size_t dataInLength(const sg_io_hdr& reply, std::size_t length);

// The sg driver's numbers of host adapter states (the host byte) and of its
// own states (the driver byte), as the kernel reports them in sg_io_hdr.
namespace linux_host {
inline constexpr std::uint16_t Ok = 0x00;        // DID_OK
inline constexpr std::uint16_t NoConnect = 0x01; // DID_NO_CONNECT
inline constexpr std::uint16_t BusBusy = 0x02;   // DID_BUS_BUSY
inline constexpr std::uint16_t TimeOut = 0x03;   // DID_TIME_OUT
inline constexpr std::uint16_t BadTarget = 0x04; // DID_BAD_TARGET
inline constexpr std::uint16_t Abort = 0x05;     // DID_ABORT
inline constexpr std::uint16_t Parity = 0x06;    // DID_PARITY
inline constexpr std::uint16_t Error = 0x07;     // DID_ERROR
inline constexpr std::uint16_t Reset = 0x08;     // DID_RESET
} // namespace linux_host
namespace linux_driver {
inline constexpr std::uint16_t Ok = 0x00;      // DRIVER_OK
inline constexpr std::uint16_t Timeout = 0x06; // DRIVER_TIMEOUT (older kernels)
inline constexpr std::uint16_t Sense = 0x08;   // DRIVER_SENSE: sense data came back
inline constexpr std::uint16_t Mask = 0x0F;    // the high bits are retry suggestions
} // namespace linux_driver

// The host status reported for a Linux host byte and driver byte:
//
//   DID_OK, driver OK or SENSE      00h  (the target's status tells the rest)
//   DID_OK, DRIVER_TIMEOUT          09h  Timeout
//   DID_OK, other driver error      13h  UnexpectedBusFree (no usable status)
//   DID_NO_CONNECT, DID_BAD_TARGET  11h  SelectionTimeout
//   DID_TIME_OUT                    09h  Timeout (the kernel's error handler
//                                        aborted the command at its time-out)
//   any other host byte             13h  UnexpectedBusFree: the command ended
//                                        without a status from the target
//                                        (bus busy, abort, parity, reset...)
std::uint8_t hostStatusFor(std::uint16_t linuxHost, std::uint16_t linuxDriver);

// The result of a command from the reply the sg driver returned for it, with
// up to 14 bytes of its autosense (read from reply.sbp).
TransportCommand::Result resultFromReply(const sg_io_hdr& reply);

// The names of the sg nodes in a directory ("sg0", "sg2", "sg10"), in the
// order of their numbers.
std::vector<std::string> sgNodeNames(const std::string& directory);

// The host adapters and devices of the Linux SCSI generic driver. Each device
// is reached through its own /dev/sgN node with the driver's asynchronous
// interface: execute writes the request, and one service thread waits in
// poll() for the replies of all nodes, reads them and completes the commands.
// Data moves through a buffer the transport owns; data-in reaches the
// caller's buffer only through TransportCommand::withBuffer, and only the
// bytes the device sent: a failed read leaves the caller's buffer as it was
// (see sgDirection and dataInLength).
//
// A node is given at most as many commands as the device's queue depth (and
// the driver's 16); the others wait in the transport, in order.
//
// The driver cannot abort one request: abort takes back only a command that
// still waits in the transport's queue; one that the kernel holds runs until
// it ends or until its time-out, when the kernel's error handler aborts it
// (which may escalate to a device, bus or host reset). Its late reply is read
// and dropped once the caller has abandoned the command. Some host drivers
// (virtio-scsi) never let a command time out.
class SgTransport final : public Transport {
public:
    // devDirectory holds the sgN nodes, sysDirectory is where sysfs is
    // mounted; other places serve tests.
    explicit SgTransport(std::string devDirectory = "/dev", std::string sysDirectory = "/sys");
    ~SgTransport() override;
    SgTransport(const SgTransport&) = delete;
    SgTransport& operator=(const SgTransport&) = delete;

    std::string name() const override { return "sg"; }
    // Opens every sg node it may and lays out the adapters. Absent when no
    // node can be used (none exists, or none may be opened); reason() tells
    // why. Incomplete when the service thread cannot start. Later calls
    // return the first answer.
    Presence open() override;
    int adapterCount() override;
    bool inquireAdapter(int adapter, AdapterInfo& info) override;
    // An address without a device, or a node that has gone away, fails at
    // once: the command is completed with host status SelectionTimeout before
    // Error is returned, so its result() tells why. The command's time-out
    // goes to the kernel; 0 leaves the device's default (30 s as a rule).
    Completion execute(int adapter, const std::shared_ptr<TransportCommand>& command) override;
    // True only for a command still waiting in the transport's queue: it then
    // completes with Error and host status Timeout (09h) before abort returns.
    bool abort(int adapter, TransportCommand& command) override;

    // What open() found, for a --verbose listing: the nodes used and those
    // passed over, and why.
    std::string reason() const;
    // The devices of an adapter, in target then LUN order.
    std::vector<SgDevice> devicesOf(int adapter) const;
    // Whether data in goes as SG_DXFER_TO_FROM_DEV (see sgDirection); false
    // once the kernel has refused it.
    bool copiesIn() const;

private:
    struct Node;
    struct Request;
    struct Refused {
        std::unique_ptr<Request> request;
        int error = 0; // errno of the write
    };

    bool probeNode(const std::string& path, SgDevice& device, UniqueFd& fd, int& version);
    SgHostFacts hostFactsFor(const SgAdapterLayout& adapter, const std::vector<int>& versions,
                             std::vector<bool>& used);
    void layOut(const std::vector<SgDevice>& devices, std::vector<UniqueFd> fds,
                const std::vector<int>& versions);
    Presence startService();
    Completion submitLocked(Node& node, std::unique_ptr<Request>& request, int& error);
    void pumpBacklogLocked(Node& node, std::vector<Refused>& failed);
    void serve();
    bool drain(Node& node);
    void dropNode(Node& node);
    static void finish(Request& request, const sg_io_hdr& reply);
    static void fail(TransportCommand& command, std::uint8_t hostStatus);

    const std::string devDirectory_;
    const std::string sysDirectory_;
    bool opened_ = false;
    Presence presence_ = Presence::Absent;
    std::vector<std::string> notes_;
    std::vector<std::unique_ptr<Node>> nodes_; // index = device index in layout_
    SgLayout layout_;
    std::vector<AdapterInfo> adapterInfo_;

    mutable std::mutex mutex_;
    std::map<int, std::unique_ptr<Request>> inFlight_; // by pack_id
    int nextPackId_ = 1;
    bool copyIn_ = true;
    WakeEvent wake_; // rouses the service thread out of poll()
    bool stopping_ = false;
    std::thread service_;
};

} // namespace quillon::scsi
