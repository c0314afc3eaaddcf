#pragma once

#include "SgLayout.h"
#include "SgReply.h"
#include "Transport.h"
#include "UniqueFd.h"
#include "WakeEvent.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <poll.h>
#include <scsi/sg.h>
#include <span>
#include <string>
#include <sys/types.h>
#include <thread>
#include <utility>
#include <vector>

namespace quillon::scsi {

// The host adapters and devices of the Linux SCSI generic driver. Each device
// is reached through its own /dev/sgN node with the driver's asynchronous
// interface: execute writes the request, and one service thread waits in
// poll() for the replies of all nodes, reads them and completes the commands.
// A caller that waits for its command (executeAndWait) on a device with
// nothing else in flight has it sent on a second node of the device that the
// service thread does not watch, and reads the reply itself, which spares two
// thread switches per command; if it stops waiting before the reply, the
// service thread takes that node over until the reply has come.
//
// Data in moves through a buffer the transport owns (on the second node, the
// node's reserved buffer mapped into the process, so that the kernel copies
// nothing); it reaches the caller's buffer only through
// TransportCommand::withBuffer, and only the bytes the device sent: a failed
// read leaves the caller's buffer as it was (see sgDirection and
// dataInLength). Data out goes from the caller's buffer, which the driver
// copies while the request is written.
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
    Completion executeAndWait(int adapter, const std::shared_ptr<TransportCommand>& command,
                              std::uint32_t milliseconds) override;
    // True only for a command still waiting in the transport's queue: it then
    // completes with Error and host status Timeout (09h) before abort returns.
    bool abort(int adapter, TransportCommand& command) override;

    // What open() found, for a --verbose listing: the nodes used and those
    // passed over, and why.
    std::string reason() const;
    // After open(): in plain words, the nodes that exist but may not be opened
    // and how to gain access to them; empty when every node could be opened.
    std::string accessAdvice() const;
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
    Node* nodeFor(int adapter, const TransportCommand& command);
    std::unique_ptr<Request> requestFor(Node& node,
                                        const std::shared_ptr<TransportCommand>& command);
    Completion start(int adapter, const std::shared_ptr<TransportCommand>& command,
                     bool callerWaits, Node*& direct);
    static bool directIdleLocked(const Node& node);
    bool placeDataIn(Request& request, std::span<std::uint8_t> mapped);
    bool submitDirectLocked(Node& node, std::unique_ptr<Request>& request, int& error);
    Completion submitLocked(Node& node, std::unique_ptr<Request>& request, int& error);
    int takePackIdLocked();
    bool writeLocked(int fd, Request& request, int& error);
    static ssize_t writeRequest(int fd, Request& request);
    std::unique_ptr<Request> spareRequest();
    void pumpBacklogLocked(Node& node, std::vector<Refused>& failed);
    void awaitDirect(Node& node, const TransportCommand& command, std::uint32_t milliseconds);
    void serve();
    void watch(std::vector<pollfd>& fds, std::vector<Node*>& polled);
    void service(Node& node, const pollfd& polled);
    bool drain(Node& node, int fd);
    void dropNode(Node& node);
    static void finish(Request& request, const sg_io_hdr& reply);
    static void fail(TransportCommand& command, std::uint8_t hostStatus);

    const std::string devDirectory_;
    const std::string sysDirectory_;
    bool opened_ = false;
    Presence presence_ = Presence::Absent;
    std::vector<std::string> notes_;
    std::vector<std::string> refusedNodes_;    // nodes open() was not allowed to open
    std::vector<std::unique_ptr<Node>> nodes_; // index = device index in layout_
    SgLayout layout_;
    std::vector<AdapterInfo> adapterInfo_;

    mutable std::mutex mutex_;
    std::map<int, std::unique_ptr<Request>> inFlight_; // by pack_id
    std::vector<std::unique_ptr<Request>> spare_;      // done, to be used again
    int nextPackId_ = 1;
    std::atomic<bool> copyIn_ = true;
    WakeEvent wake_; // rouses the service thread out of poll()
    bool stopping_ = false;
    std::thread service_;
};

} // namespace quillon::scsi
