// Feeds arbitrary INQUIRY and sense data to the decoders the drive component,
// the transports and the sense window use; none may crash or read past the
// data, whatever a device answers.
#include "drive/MODrive.h"
#include "drive/SenseReport.h"
#include "scsicore/SenseDecoder.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

using namespace quillon::drive;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::array<std::uint8_t, 36> inquiry{};
    std::copy_n(data, std::min(size, inquiry.size()), inquiry.begin());
    TDeviceInfo info;
    TMODrive::DecodeInquiry(inquiry, info);
    if (info.Qualifier > 4 || info.DeviceType > 10 || info.ScsiLevel > 3 ||
        info.Vendor.size() != 8 || info.Product.size() != 16 || info.Revision.size() != 4) {
        std::abort();
    }

    const auto sense = std::span(data, size);
    // The decoder reads a field only from bytes that were received.
    if (const auto decoded = quillon::scsicore::decodeSense(sense)) {
        const bool extended = decoded->extended();
        if (decoded->key > 0x0F || decoded->errorClass > 6 || size < (extended ? 2u : 1u) ||
            (decoded->information && size < 4) || (!extended && (decoded->asc | decoded->ascq))) {
            std::abort();
        }
    } else if (size >= 3 && ((data[0] & 0x7F) == 0x70 || (data[0] & 0x7F) == 0x72)) {
        std::abort();
    }
    std::int32_t key = 0;
    std::int32_t asc = 0;
    std::int32_t ascq = 0;
    std::int32_t lba = -1;
    const int result = TMODrive::DecodeSense(sense, key, asc, ascq, lba);
    if (result != 255 && result != key) {
        std::abort();
    }
    const auto lines = senseReport(key, asc, ascq, lba);
    if (lines.empty()) {
        std::abort();
    }
    return 0;
}
