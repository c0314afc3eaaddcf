#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace quillon::console {

// Mode parameter data of MODE SENSE(6) and MODE SELECT(6) as the drive
// returns it: a 4-byte header (byte 3 the block descriptor length), the block
// descriptors, then the page; page byte n is at 4 + BDL + n.
using ModeBuffer = std::array<std::uint8_t, 256>;

// Page byte n of mode parameter data; bytes beyond the buffer read as 0.
std::uint8_t PageByte(const ModeBuffer& data, std::size_t n);

// The read-write error recovery page inside mode parameter data.
class ModePage {
public:
    explicit ModePage(ModeBuffer& data) : data_(data) {}

    std::size_t Offset() const { return 4 + std::size_t{data_[3]}; }
    // Page byte n; bytes beyond the buffer read as 0 and are not written.
    std::uint8_t Byte(std::size_t n) const { return PageByte(data_, n); }
    void SetByte(std::size_t n, std::uint8_t value);
    // The length of the mode parameter list that sends the page back: the
    // header, the block descriptors, the page code and length bytes and the
    // page's parameters; never more than the 255 bytes a MODE SELECT(6)
    // command can announce (less than the buffer holds).
    std::int32_t ParameterListLength() const;
    // Clears what MODE SELECT must send as 0 although MODE SENSE reports it:
    // the header's mode data length, medium type and device-specific
    // parameter, and the page's PS bit (parameters savable).
    void ClearForSelect();
    // Page bytes 2 to 2 + page byte 7 keep the bits the drive's changeable
    // mask lets change and take every other bit from the page as read, which
    // the drive refuses to see changed; never past the end of any buffer.
    void MaskWith(const ModeBuffer& changeable, const ModeBuffer& asRead);

private:
    ModeBuffer& data_;
};

} // namespace quillon::console
