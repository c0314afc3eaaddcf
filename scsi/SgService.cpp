#include "SgNode.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <poll.h>
#include <unistd.h>

namespace quillon::scsi {

void SgTransport::finish(Request& request, const sg_io_hdr& reply) {
    TransportCommand& command = *request.command;
    if (command.direction() == DataDirection::In) {
        const std::size_t length = dataInLength(reply, request.header.dxfer_len);
        if (length > 0) {
            command.withBuffer([&](std::span<std::uint8_t> buffer) {
                std::copy_n(request.arrival, std::min(length, buffer.size()), buffer.begin());
            });
        }
    }
    command.complete(resultFromReply(reply));
}

// The caller's side of a command on a device's second node: it waits there
// for the reply and reads it. When the time is up first, the service thread
// takes the node over and reads the reply when it comes.
void SgTransport::awaitDirect(Node& node, const TransportCommand& command,
                              std::uint32_t milliseconds) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (!command.completed()) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            break;
        }
        pollfd polled{node.directFd.get(), POLLIN, 0};
        const int ready = ::poll(&polled, 1, static_cast<int>(std::min<long long>(left, INT_MAX)));
        if (ready > 0) {
            service(node, polled);
        } else if (ready < 0 && errno != EINTR && errno != EAGAIN && errno != ENOMEM) {
            break;
        }
    }
    {
        std::lock_guard lock(mutex_);
        if (node.direct != &command) {
            return; // its reply has come, or the device has gone
        }
        node.directWatched = true;
    }
    wake_.signal();
}

void SgTransport::serve() {
    std::vector<pollfd> fds;
    std::vector<Node*> polled;
    for (;;) {
        watch(fds, polled);
        const int ready = ::poll(fds.data(), fds.size(), -1);
        if (ready < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == ENOMEM) {
                continue;
            }
            return;
        }
        if (fds[0].revents != 0) {
            wake_.drain();
            std::lock_guard lock(mutex_);
            if (stopping_) {
                return;
            }
        }
        for (std::size_t i = 1; i < fds.size(); ++i) {
            if (fds[i].revents == 0) {
                continue;
            }
            Node& node = *polled[i];
            if (fds[i].fd == node.directFd.get()) {
                std::lock_guard lock(mutex_);
                if (!node.directWatched) {
                    continue; // its caller reads it again
                }
            }
            service(node, fds[i]);
        }
    }
}

// What the service thread waits for: its wake-up event, the first node of
// every device still there, and the second nodes whose callers stopped
// waiting. polled names each descriptor's device.
void SgTransport::watch(std::vector<pollfd>& fds, std::vector<Node*>& polled) {
    fds.assign(1, {wake_.fd(), POLLIN, 0});
    polled.assign(1, nullptr);
    std::lock_guard lock(mutex_);
    for (auto& node : nodes_) {
        if (!node->fd || node->gone) {
            continue;
        }
        fds.push_back({node->fd.get(), POLLIN, 0});
        polled.push_back(node.get());
        if (node->directWatched) {
            fds.push_back({node->directFd.get(), POLLIN, 0});
            polled.push_back(node.get());
        }
    }
}

// Reads the replies that poll() found on one of a device's nodes; gives the
// device up when the node reports an error and holds no reply.
void SgTransport::service(Node& node, const pollfd& polled) {
    if (!drain(node, polled.fd) && (polled.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
        dropNode(node);
    }
}

// Reads every reply that is ready on one of a device's nodes (the second
// holds one at most) and completes its command. Tells whether there was one.
bool SgTransport::drain(Node& node, int fd) {
    bool any = false;
    for (;;) {
        sg_io_hdr reply{};
        const ssize_t got = ::read(fd, &reply, sizeof reply);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno != EAGAIN) {
                dropNode(node); // ENODEV: the device has gone away
            }
            return any;
        }
        any = true;
        if (got != static_cast<ssize_t>(sizeof reply)) {
            continue;
        }
        std::unique_ptr<Request> request;
        std::vector<Refused> failed;
        {
            std::lock_guard lock(mutex_);
            const auto it = inFlight_.find(reply.pack_id);
            if (it == inFlight_.end()) {
                continue;
            }
            request = std::move(it->second);
            inFlight_.erase(it);
            --node.outstanding;
            if (request->command.get() == node.direct) {
                node.direct = nullptr;
                node.directWatched = false;
            }
            pumpBacklogLocked(node, failed);
        }
        // The reply carries what was written with the request; take the
        // sense buffer and the direction from the request all the same. A
        // mapped buffer holds the caller's bytes where the device sent none,
        // as SG_DXFER_TO_FROM_DEV would.
        reply.sbp = request->sense.data();
        reply.dxfer_direction =
            request->mappedOverCallerBytes ? SG_DXFER_TO_FROM_DEV : request->header.dxfer_direction;
        finish(*request, reply);
        request->command.reset();
        for (auto& refused : failed) {
            fail(*refused.request->command, hostStatusForWriteError(refused.error));
        }
        std::lock_guard lock(mutex_);
        if (spare_.size() < MaxSpareRequests) {
            spare_.push_back(std::move(request));
        }
        if (fd == node.directFd.get()) {
            return true;
        }
    }
}

// Gives up a node whose device has gone: its commands end with a selection
// time-out, as on a bus where the target no longer answers.
void SgTransport::dropNode(Node& node) {
    std::vector<std::unique_ptr<Request>> lost;
    {
        std::lock_guard lock(mutex_);
        node.gone = true;
        for (auto it = inFlight_.begin(); it != inFlight_.end();) {
            if (it->second->node == &node) {
                lost.push_back(std::move(it->second));
                it = inFlight_.erase(it);
            } else {
                ++it;
            }
        }
        for (auto& request : node.backlog) {
            lost.push_back(std::move(request));
        }
        node.backlog.clear();
        node.outstanding = 0;
        node.direct = nullptr;
        node.directWatched = false;
    }
    for (auto& request : lost) {
        fail(*request->command, host_status::SelectionTimeout);
    }
}

} // namespace quillon::scsi
