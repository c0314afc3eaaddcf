#pragma once

#include "Command.h"

#include <algorithm>
#include <cstring>

namespace quillon::sim {

// The data phase of one command as the drive sees it: reads the descriptor
// block, takes data from the initiator and sends data to it, never past the
// initiator's buffers, and collects the outcome.
class Exchange {
public:
    Exchange(const CommandRequest& request, CommandOutcome& outcome)
        : cdb_(request.cdb), dataOut_(request.dataOut), dataIn_(request.dataIn), out_(outcome) {}

    std::uint8_t opcode() const { return cdb_[0]; }
    std::uint8_t byte(std::size_t i) const { return i < cdb_.size() ? cdb_[i] : 0; }
    std::uint32_t be16(std::size_t i) const { return (byte(i) << 8) | byte(i + 1); }
    std::uint32_t be32(std::size_t i) const { return (be16(i) << 16) | be16(i + 2); }
    std::span<const std::uint8_t> cdb() const { return cdb_; }
    CommandOutcome& outcome() { return out_; }

    // Takes `length` bytes of data from the initiator; nothing (and a data
    // length error) when it offers fewer.
    std::span<const std::uint8_t> receive(std::size_t length) {
        if (dataOut_.size() < length) {
            out_.dataLengthError = true;
            return {};
        }
        out_.dataOutLength = length;
        return dataOut_.first(length);
    }

    // Sends data to the initiator after what was sent before, up to
    // `allocation` bytes in all (the CDB's allocation length) and never past
    // the initiator's buffer.
    void send(std::span<const std::uint8_t> data, std::size_t allocation = SIZE_MAX) {
        const std::size_t room = std::min(allocation, dataIn_.size());
        const std::size_t at = out_.dataInLength;
        if (std::min(at + data.size(), allocation) > dataIn_.size()) {
            out_.dataLengthError = true;
        }
        const std::size_t n = at < room ? std::min(data.size(), room - at) : 0;
        if (n > 0) {
            std::memcpy(dataIn_.data() + at, data.data(), n);
        }
        out_.dataInLength = at + n;
    }

    void spend(Nanos time) { out_.duration += time; }

private:
    std::span<const std::uint8_t> cdb_;
    std::span<const std::uint8_t> dataOut_;
    std::span<std::uint8_t> dataIn_;
    CommandOutcome& out_;
};

} // namespace quillon::sim
