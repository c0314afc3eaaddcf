#pragma once

// The sg transport's own types, shared by its command side (SgTransport.cpp)
// and its reply side (SgService.cpp).

#include "SgTransport.h"
#include "scsicore/ScsiConstants.h"

#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>

namespace quillon::scsi {

// Finished requests kept to be used again.
constexpr std::size_t MaxSpareRequests = 16;
// Room for the sense data the kernel returns, all of which the result keeps.
constexpr std::size_t SenseBufferLength = TransportCommand::SenseAreaLength;

// A device that has gone away is one that no longer answers selection; any
// other refusal (no memory, a transfer longer than the host allows) ends the
// command without a status.
inline std::uint8_t hostStatusForWriteError(int error) {
    return error == ENODEV || error == ENXIO ? host_status::SelectionTimeout
                                             : host_status::UnexpectedBusFree;
}

// One device: its two open sg nodes and what is in flight on them.
struct SgTransport::Node {
    SgDevice device;
    UniqueFd fd; // open while an adapter uses the device
    // The device's second node, for one command at a time whose caller reads
    // the reply itself; not open when the device could not be opened twice.
    UniqueFd directFd;
    // The second node's reserved buffer, mapped: data in arrives there with
    // no copy by the kernel. Empty when the driver would not map it.
    std::span<std::uint8_t> directMap;
    // Guarded by mutex_.
    bool gone = false;
    int outstanding = 0; // written to the driver and not read back yet
    std::deque<std::unique_ptr<Request>> backlog;
    const TransportCommand* direct = nullptr; // in flight on directFd
    bool directWatched = false; // its caller stopped waiting: the service thread reads it
};

// One command on its way through the driver. Data out goes straight from
// the caller's buffer, which the driver copies during the write; data in
// comes into the request's own buffer, since the driver copies it out only
// when the reply is read, and the caller may have given up by then. A
// request is used again for later commands, its buffer with it.
struct SgTransport::Request {
    std::shared_ptr<TransportCommand> command;
    Node* node = nullptr;
    std::array<std::uint8_t, 16> cdb{};
    std::unique_ptr<std::uint8_t[]> data; // data in: the kernel fills this one
    std::size_t capacity = 0;
    std::array<std::uint8_t, SenseBufferLength> sense{};
    sg_io_hdr header{};
    const std::uint8_t* arrival = nullptr; // where data in arrives: data, or a node's mapped buffer
    bool mappedOverCallerBytes = false;    // the mapped buffer started from the caller's bytes

    // Room for length bytes of data in, left as it was (the kernel writes
    // what the command brings, and only that goes back to the caller).
    std::uint8_t* dataIn(std::size_t length) {
        if (length > capacity) {
            data.reset(new std::uint8_t[length]);
            capacity = length;
        }
        return data.get();
    }
};

} // namespace quillon::scsi
