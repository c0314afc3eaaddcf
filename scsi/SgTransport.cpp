#include "SgAccess.h"
#include "SgNode.h"
#include "scsicore/ScsiConstants.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <limits>
#include <linux/fs.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <system_error>
#include <unistd.h>

// Queue at the tail like every other request, so that commands given to one
// device run in the order they were given; the driver's default for its v3
// interface is the head of the queue.
#ifndef SG_FLAG_Q_AT_TAIL
#define SG_FLAG_Q_AT_TAIL 0x10
#endif
// Data through the node's reserved buffer, mapped into the process.
#ifndef SG_FLAG_MMAP_IO
#define SG_FLAG_MMAP_IO 0x04
#endif

namespace quillon::scsi {

namespace {

// The driver keeps at most this many requests of one open node.
constexpr int MaxRequestsPerNode = 16;

// How many requests a node is given at a time: no more than the device's
// queue depth, because the kernel makes write() wait for a free slot in the
// device's queue, and the write must not wait behind a command that may hang.
int requestLimit(const SgDevice& device) {
    return std::clamp(device.queueDepth, 1, MaxRequestsPerNode);
}
// The first sg version with the sg_io_hdr interface.
constexpr int FirstV3Version = 30000;

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

std::string readLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    if (!in || !std::getline(in, line)) {
        return {};
    }
    return trimmed(line);
}

} // namespace

SgTransport::SgTransport(std::string devDirectory, std::string sysDirectory)
    : devDirectory_(std::move(devDirectory)), sysDirectory_(std::move(sysDirectory)) {}

SgTransport::~SgTransport() {
    if (service_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.signal();
        service_.join();
    }
    // Closing a node first orphans its requests in the kernel, which then
    // never copies into the buffers freed below.
    for (auto& node : nodes_) {
        node->fd.reset();
        node->directFd.reset();
        if (!node->directMap.empty()) {
            ::munmap(node->directMap.data(), node->directMap.size());
        }
    }
    std::vector<std::unique_ptr<Request>> left;
    for (auto& entry : inFlight_) {
        left.push_back(std::move(entry.second));
    }
    inFlight_.clear();
    for (auto& node : nodes_) {
        for (auto& request : node->backlog) {
            left.push_back(std::move(request));
        }
        node->backlog.clear();
    }
    for (auto& request : left) {
        fail(*request->command, host_status::UnexpectedBusFree);
    }
}

namespace {

// The bytes one request on an sg node may move; 0 or less when unknown.
int maxTransferOf(int fd) {
    // BLKSECTGET on an sg node gives the bytes one request may move.
    int bytes = 0;
    if (::ioctl(fd, BLKSECTGET, &bytes) < 0 || bytes <= 0) {
        ::ioctl(fd, SG_GET_RESERVED_SIZE, &bytes);
    }
    return bytes;
}

// The driver moves a request's data through the node's reserved buffer when
// it fits, else through pages it allocates and clears for that request alone:
// a reserved buffer that holds the largest transfer of the copies and the
// media tests spares that work on every command. A driver that keeps less
// still works, only slower.
constexpr int ReservedBufferBytes = 128 * 1024;

void reserveBuffer(int fd) {
    int bytes = ReservedBufferBytes;
    ::ioctl(fd, SG_SET_RESERVED_SIZE, &bytes);
}

// The reserved buffer of an sg node mapped into this process, for requests
// with SG_FLAG_MMAP_IO; empty when the driver refuses.
std::span<std::uint8_t> mapReservedBuffer(int fd) {
    int bytes = 0;
    if (::ioctl(fd, SG_GET_RESERVED_SIZE, &bytes) < 0 || bytes <= 0) {
        return {};
    }
    void* at =
        ::mmap(nullptr, static_cast<std::size_t>(bytes), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (at == MAP_FAILED) {
        return {};
    }
    return {static_cast<std::uint8_t*>(at), static_cast<std::size_t>(bytes)};
}

// The --verbose line for a device in use on an adapter.
std::string usedNote(const SgAdapterLayout& adapter, const SgDevice& device) {
    return device.path + ": host " + std::to_string(adapter.hostNo) + " channel " +
           std::to_string(adapter.channel) + " target " + std::to_string(device.scsiId) + " LUN " +
           std::to_string(device.lun) + ", device type " + std::to_string(device.scsiType) +
           ", queue depth " + std::to_string(device.queueDepth);
}

} // namespace

// Opens an sg node and reads its address; false, with a note why, when it is unusable.
bool SgTransport::probeNode(const std::string& path, SgDevice& device, UniqueFd& fd, int& version) {
    UniqueFd opened(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
    if (!opened) {
        const int error = errno;
        notes_.push_back(path + ": cannot open: " + std::strerror(error));
        if (isAccessRefusal(error)) {
            refusedNodes_.push_back(path);
        }
        return false;
    }
    version = 0;
    sg_scsi_id id{};
    if (::ioctl(opened.get(), SG_GET_VERSION_NUM, &version) < 0 || version < FirstV3Version) {
        notes_.push_back(path + ": not a SCSI generic node with the sg_io_hdr interface");
        return false;
    }
    if (::ioctl(opened.get(), SG_GET_SCSI_ID, &id) < 0) {
        notes_.push_back(path + ": no SCSI address: " + std::strerror(errno));
        return false;
    }
    device = SgDevice{};
    device.path = path;
    device.hostNo = id.host_no;
    device.channel = id.channel;
    device.scsiId = id.scsi_id;
    device.lun = id.lun;
    device.scsiType = id.scsi_type;
    device.queueDepth = id.d_queue_depth;
    fd = std::move(opened);
    return true;
}

// The facts of an adapter's host; notes each of its devices and marks it used.
SgHostFacts SgTransport::hostFactsFor(const SgAdapterLayout& adapter,
                                      const std::vector<int>& versions, std::vector<bool>& used) {
    SgHostFacts facts;
    facts.procName = readLine(sysDirectory_ + "/class/scsi_host/host" +
                              std::to_string(adapter.hostNo) + "/proc_name");
    for (const auto& entry : adapter.devices) {
        const std::size_t index = entry.second;
        used[index] = true;
        const Node& node = *nodes_[index];
        facts.driverVersion = versions[index];
        const int bytes = maxTransferOf(node.fd.get());
        if (bytes > 0 &&
            (facts.maxTransfer == 0 || static_cast<std::uint32_t>(bytes) < facts.maxTransfer)) {
            facts.maxTransfer = static_cast<std::uint32_t>(bytes);
        }
        notes_.push_back(usedNote(adapter, node.device));
    }
    return facts;
}

// Lays out the adapters and keeps a node per device, closing those no adapter uses.
void SgTransport::layOut(const std::vector<SgDevice>& devices, std::vector<UniqueFd> fds,
                         const std::vector<int>& versions) {
    layout_ = layoutAdapters(devices);
    for (const std::string& note : layout_.unreachable) {
        notes_.push_back(note + ": not used");
    }
    for (std::size_t i = 0; i < devices.size(); ++i) {
        auto node = std::make_unique<Node>();
        node->device = devices[i];
        node->fd = std::move(fds[i]);
        nodes_.push_back(std::move(node));
    }
    std::vector<bool> used(devices.size(), false);
    for (const SgAdapterLayout& adapter : layout_.adapters) {
        adapterInfo_.push_back(adapterInfoFor(adapter, hostFactsFor(adapter, versions, used)));
    }
    for (std::size_t i = 0; i < used.size(); ++i) {
        Node& node = *nodes_[i];
        if (!used[i]) {
            node.fd.reset();
            continue;
        }
        reserveBuffer(node.fd.get());
        node.directFd.reset(::open(node.device.path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
        if (node.directFd) {
            reserveBuffer(node.directFd.get());
            node.directMap = mapReservedBuffer(node.directFd.get());
        }
    }
}

// Starts the service thread and its wake-up event; Incomplete, with a note, on failure.
Transport::Presence SgTransport::startService() {
    if (!wake_.open()) {
        notes_.push_back(std::string("cannot make the service thread's event: ") +
                         std::strerror(errno));
        return Presence::Incomplete;
    }
    try {
        service_ = std::thread([this] { serve(); });
    } catch (const std::system_error& error) {
        notes_.push_back(std::string("cannot start the service thread: ") + error.what());
        return Presence::Incomplete;
    }
    return Presence::Present;
}

Transport::Presence SgTransport::open() {
    if (opened_) {
        return presence_;
    }
    opened_ = true;

    const std::vector<std::string> names = sgNodeNames(devDirectory_);
    if (names.empty()) {
        notes_.push_back("no sg device nodes in " + devDirectory_ + " (is the sg module loaded?)");
        return presence_ = Presence::Absent;
    }

    std::vector<SgDevice> devices;
    std::vector<UniqueFd> fds;
    std::vector<int> versions;
    for (const std::string& name : names) {
        SgDevice device;
        UniqueFd fd;
        int version = 0;
        if (probeNode(devDirectory_ + "/" + name, device, fd, version)) {
            devices.push_back(device);
            fds.push_back(std::move(fd));
            versions.push_back(version);
        }
    }

    layOut(devices, std::move(fds), versions);
    if (layout_.adapters.empty()) {
        notes_.push_back("no usable sg node in " + devDirectory_);
        return presence_ = Presence::Absent;
    }
    return presence_ = startService();
}

int SgTransport::adapterCount() {
    return presence_ == Presence::Present ? static_cast<int>(adapterInfo_.size()) : 0;
}

bool SgTransport::inquireAdapter(int adapter, AdapterInfo& info) {
    if (adapter < 0 || adapter >= adapterCount()) {
        return false;
    }
    info = adapterInfo_[static_cast<std::size_t>(adapter)];
    return true;
}

std::string SgTransport::reason() const {
    std::lock_guard lock(mutex_);
    std::string text;
    for (const std::string& note : notes_) {
        text += note;
        text += '\n';
    }
    return text;
}

std::string SgTransport::accessAdvice() const {
    return sgAccessAdvice(refusedNodes_);
}

bool SgTransport::copiesIn() const {
    return copyIn_;
}

std::vector<SgDevice> SgTransport::devicesOf(int adapter) const {
    std::vector<SgDevice> devices;
    if (adapter < 0 || static_cast<std::size_t>(adapter) >= layout_.adapters.size()) {
        return devices;
    }
    for (const auto& entry : layout_.adapters[static_cast<std::size_t>(adapter)].devices) {
        devices.push_back(nodes_[entry.second]->device);
    }
    return devices;
}

void SgTransport::fail(TransportCommand& command, std::uint8_t hostStatus) {
    command.complete(hostFailure(hostStatus));
}

// The node of the device a command is addressed to; null when there is none.
SgTransport::Node* SgTransport::nodeFor(int adapter, const TransportCommand& command) {
    if (presence_ != Presence::Present || adapter < 0 || adapter >= adapterCount()) {
        return nullptr;
    }
    const SgAdapterLayout& layout = layout_.adapters[static_cast<std::size_t>(adapter)];
    const auto at = layout.devices.find({command.target(), command.lun()});
    return at == layout.devices.end() ? nullptr : nodes_[at->second].get();
}

// A request for a command, ready to be written once its data in has a place.
std::unique_ptr<SgTransport::Request>
SgTransport::requestFor(Node& node, const std::shared_ptr<TransportCommand>& command) {
    TransportCommand& cmd = *command;
    std::unique_ptr<Request> request = spareRequest();
    request->command = command;
    request->node = &node;
    std::copy(cmd.cdb().begin(), cmd.cdb().end(), request->cdb.begin());
    request->arrival = nullptr;
    request->mappedOverCallerBytes = false;
    sg_io_hdr& header = request->header;
    header = {};
    header.interface_id = 'S';
    header.dxfer_direction = sgDirection(cmd.direction(), true);
    header.cmd_len = static_cast<unsigned char>(cmd.cdb().size());
    header.cmdp = request->cdb.data();
    header.dxfer_len = static_cast<unsigned int>(cmd.bufferLength());
    header.mx_sb_len = static_cast<unsigned char>(request->sense.size());
    header.sbp = request->sense.data();
    header.timeout = cmd.timeoutMs(); // 0: the device's default
    header.flags = SG_FLAG_Q_AT_TAIL;
    header.usr_ptr = request.get();
    return request;
}

Completion SgTransport::execute(int adapter, const std::shared_ptr<TransportCommand>& command) {
    Node* direct = nullptr;
    return start(adapter, command, false, direct);
}

Completion SgTransport::executeAndWait(int adapter,
                                       const std::shared_ptr<TransportCommand>& command,
                                       std::uint32_t milliseconds) {
    Node* direct = nullptr;
    const Completion started = start(adapter, command, true, direct);
    if (started == Completion::Pending) {
        if (direct != nullptr) {
            awaitDirect(*direct, *command, milliseconds);
        } else {
            command->waitFor(milliseconds);
        }
    }
    return started;
}

// Starts a command: on the device's second node when its caller waits for it
// and nothing else is in flight there (direct then names the node), else on
// the first node or in its backlog.
Completion SgTransport::start(int adapter, const std::shared_ptr<TransportCommand>& command,
                              bool callerWaits, Node*& direct) {
    TransportCommand& cmd = *command;
    Node* node = nodeFor(adapter, cmd);
    if (node == nullptr) {
        fail(cmd, host_status::SelectionTimeout);
        return Completion::Error;
    }
    std::unique_ptr<Request> request = cmd.cdb().empty() ? nullptr : requestFor(*node, command);
    if (!request) {
        fail(cmd, host_status::UnexpectedBusFree);
        return Completion::Error;
    }

    int error = 0;
    {
        std::lock_guard lock(mutex_);
        const bool viaDirect = callerWaits && directIdleLocked(*node);
        if (node->gone) {
            error = ENODEV;
        } else if (!placeDataIn(*request,
                                viaDirect ? node->directMap : std::span<std::uint8_t>{})) {
            error = ECANCELED;
        } else if (viaDirect) {
            if (submitDirectLocked(*node, request, error)) {
                direct = node;
                return Completion::Pending;
            }
        } else if (!node->backlog.empty() || node->outstanding >= requestLimit(node->device)) {
            node->backlog.push_back(std::move(request));
            return Completion::Pending;
        } else if (submitLocked(*node, request, error) == Completion::Pending) {
            if (request) { // the driver is full: wait for a reply
                node->backlog.push_back(std::move(request));
            }
            return Completion::Pending;
        }
    }
    fail(cmd, hostStatusForWriteError(error));
    return Completion::Error;
}

// Whether a command may go to the device's second node: it is open and
// nothing is in flight on the device or waits for it.
bool SgTransport::directIdleLocked(const Node& node) {
    return node.directFd && node.direct == nullptr && node.outstanding == 0 && node.backlog.empty();
}

// Gives a data-in request the place its data arrives in: the mapped buffer
// when there is one large enough, else the request's own. It starts from the
// caller's bytes, so that those the device does not send stay as they were
// (in the request's buffer only where the driver takes SG_DXFER_TO_FROM_DEV).
// False when the caller has given its buffer up.
bool SgTransport::placeDataIn(Request& request, std::span<std::uint8_t> mapped) {
    TransportCommand& command = *request.command;
    if (command.direction() != DataDirection::In || command.bufferLength() == 0) {
        return true;
    }
    sg_io_hdr& header = request.header;
    const bool useMap = command.bufferLength() <= mapped.size();
    std::uint8_t* at = useMap ? mapped.data() : request.dataIn(command.bufferLength());
    request.arrival = at;
    if (useMap) {
        // The driver copies neither in nor out: the device's data lands in
        // the mapped buffer, over the caller's bytes put there first, except
        // for READ, whose data is undefined when it fails: what the residual
        // count says was sent goes back then, sparing a copy of every block.
        header.flags |= SG_FLAG_MMAP_IO;
        header.dxfer_direction = SG_DXFER_FROM_DEV;
        request.mappedOverCallerBytes = command.cdb()[0] != scsicore::op::Read10;
    } else {
        header.dxferp = at;
    }
    return !(request.mappedOverCallerBytes || (!useMap && copyIn_)) ||
           command.withBuffer([&](std::span<std::uint8_t> buffer) {
               std::copy(buffer.begin(), buffer.end(), at);
           });
}

// Writes a request to the device's second node; false, with the errno in
// error, when the driver refuses it.
bool SgTransport::submitDirectLocked(Node& node, std::unique_ptr<Request>& request, int& error) {
    const int packId = takePackIdLocked();
    request->header.pack_id = packId;
    if (!writeLocked(node.directFd.get(), *request, error)) {
        return false;
    }
    ++node.outstanding;
    node.direct = request->command.get();
    node.directWatched = false;
    inFlight_[packId] = std::move(request);
    return true;
}

// Writes a request to its node. Pending: the driver took it (request is then
// empty) or is full and a reply will make room (request is kept); Error: the
// driver refused it, for the reason in error.
Completion SgTransport::submitLocked(Node& node, std::unique_ptr<Request>& request, int& error) {
    const int packId = takePackIdLocked();
    request->header.pack_id = packId;
    if (writeLocked(node.fd.get(), *request, error)) {
        ++node.outstanding;
        inFlight_[packId] = std::move(request);
        return Completion::Pending;
    }
    if ((error == EDOM || error == EAGAIN) && node.outstanding > 0) {
        return Completion::Pending;
    }
    return Completion::Error;
}

int SgTransport::takePackIdLocked() {
    const int packId = nextPackId_;
    nextPackId_ = nextPackId_ == std::numeric_limits<int>::max() ? 1 : nextPackId_ + 1;
    return packId;
}

// Writes a request to a node; false, with the errno in error, when the driver
// refuses it.
bool SgTransport::writeLocked(int fd, Request& request, int& error) {
    sg_io_hdr& header = request.header;
    if (header.dxfer_direction == SG_DXFER_TO_FROM_DEV && !copyIn_) {
        header.dxfer_direction = SG_DXFER_FROM_DEV;
    }
    for (;;) {
        const ssize_t written = writeRequest(fd, request);
        if (written == static_cast<ssize_t>(sizeof header)) {
            return true;
        }
        if (written < 0 && errno == EINTR) {
            continue;
        }
        error = written < 0 ? errno : EIO;
        if ((error == EINVAL || error == ENOMEM) &&
            header.dxfer_direction == SG_DXFER_TO_FROM_DEV) {
            // Perhaps a kernel that refuses SG_DXFER_TO_FROM_DEV (EINVAL, or
            // ENOMEM for transfers beyond a few bytes): if the same request
            // goes through as SG_DXFER_FROM_DEV, it is one.
            header.dxfer_direction = SG_DXFER_FROM_DEV;
            if (writeRequest(fd, request) == static_cast<ssize_t>(sizeof header)) {
                copyIn_ = false;
                notes_.push_back("the kernel refuses SG_DXFER_TO_FROM_DEV: data in goes as "
                                 "SG_DXFER_FROM_DEV, and a failed read hands back only the bytes "
                                 "the driver counts as sent");
                return true;
            }
            header.dxfer_direction = SG_DXFER_TO_FROM_DEV;
        }
        return false;
    }
}

// Writes a request's header to its node; data out is handed to the driver
// from the caller's buffer, which the driver copies during the write. -1 with
// errno ECANCELED when the caller has given that buffer up.
ssize_t SgTransport::writeRequest(int fd, Request& request) {
    sg_io_hdr& header = request.header;
    if (header.dxfer_direction != SG_DXFER_TO_DEV || header.dxfer_len == 0) {
        return ::write(fd, &header, sizeof header);
    }
    ssize_t written = -1;
    int error = ECANCELED;
    request.command->withBuffer([&](std::span<std::uint8_t> buffer) {
        header.dxferp = buffer.data();
        written = ::write(fd, &header, sizeof header);
        error = errno;
        header.dxferp = nullptr; // the caller's again
    });
    errno = error;
    return written;
}

// A request to use for a command: one that has served before, with its
// buffer, or a new one.
std::unique_ptr<SgTransport::Request> SgTransport::spareRequest() {
    std::lock_guard lock(mutex_);
    if (spare_.empty()) {
        return std::make_unique<Request>();
    }
    std::unique_ptr<Request> request = std::move(spare_.back());
    spare_.pop_back();
    return request;
}

// Hands the driver the requests that wait for room on a node; those it
// refuses go to failed, to be completed outside the lock.
void SgTransport::pumpBacklogLocked(Node& node, std::vector<Refused>& failed) {
    while (!node.gone && !node.backlog.empty() && node.outstanding < requestLimit(node.device)) {
        std::unique_ptr<Request> request = std::move(node.backlog.front());
        node.backlog.pop_front();
        int error = 0;
        if (submitLocked(node, request, error) == Completion::Pending) {
            if (request) {
                node.backlog.push_front(std::move(request));
                return;
            }
            continue;
        }
        failed.push_back({std::move(request), error});
    }
}

bool SgTransport::abort(int adapter, TransportCommand& command) {
    if (presence_ != Presence::Present || adapter < 0 || adapter >= adapterCount()) {
        return false;
    }
    const SgAdapterLayout& layout = layout_.adapters[static_cast<std::size_t>(adapter)];
    const auto at = layout.devices.find({command.target(), command.lun()});
    if (at == layout.devices.end()) {
        return false;
    }
    Node& node = *nodes_[at->second];
    std::unique_ptr<Request> taken;
    {
        std::lock_guard lock(mutex_);
        const auto it =
            std::find_if(node.backlog.begin(), node.backlog.end(),
                         [&](const auto& request) { return request->command.get() == &command; });
        if (it == node.backlog.end()) {
            return false; // with the kernel, or done: it runs to its end
        }
        taken = std::move(*it);
        node.backlog.erase(it);
    }
    // It never reached the device: it timed out while waiting to be sent.
    fail(command, host_status::Timeout);
    return true;
}

} // namespace quillon::scsi
