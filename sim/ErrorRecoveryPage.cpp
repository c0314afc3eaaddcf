#include "ErrorRecoveryPage.h"

#include "ScsiVocabulary.h"

#include <algorithm>

namespace quillon::sim {

namespace {

// Automatic reallocation on, eight retries each way, no time limit. The flags,
// the retry counts, the offsets and the time limit may change; the correction
// span and the reserved bytes may not.
constexpr ErrorRecoveryPage::Parameters FactoryValues{0xC0, 8, 0, 0, 0, 0, 8, 0, 0, 0};
constexpr ErrorRecoveryPage::Parameters ChangeableMask{0xFF, 0xFF, 0, 0xFF, 0xFF,
                                                       0,    0xFF, 0, 0xFF, 0xFF};

} // namespace

ErrorRecoveryPage::ErrorRecoveryPage(bool savable)
    : savable_(savable), current_(FactoryValues), changeable_(ChangeableMask),
      default_(FactoryValues), saved_(FactoryValues) {}

void ErrorRecoveryPage::render(Control control, std::span<std::uint8_t, PageLength> out) const {
    out[0] = static_cast<std::uint8_t>(PageCode | (savable_ ? 0x80 : 0x00));
    out[1] = ParameterLength;
    const Parameters* values = &current_;
    switch (control) {
    case Control::Changeable:
        values = &changeable_;
        break;
    case Control::Default:
        values = &default_;
        break;
    case Control::Saved:
        values = &saved_;
        break;
    case Control::Current:
        break;
    }
    std::copy(values->begin(), values->end(), out.begin() + 2);
}

std::optional<SenseData> ErrorRecoveryPage::validate(std::span<const std::uint8_t> page,
                                                     std::size_t at) const {
    const auto invalidField = [at](std::size_t byte, int bit = -1) {
        return SenseData::of(sense_key::IllegalRequest, 0x26)
            .withFieldPointer(false, at + byte, bit);
    };
    if ((page[0] & 0x3F) != PageCode) {
        return invalidField(0, 5);
    }
    if (page[1] != ParameterLength) {
        return invalidField(1);
    }
    for (std::size_t i = 0; i < ParameterLength; ++i) {
        const auto refused = (page[2 + i] ^ current_[i]) & ~changeable_[i];
        if (refused != 0) {
            int bit = 7;
            while (((refused >> bit) & 1) == 0) {
                --bit;
            }
            return invalidField(2 + i, bit);
        }
    }
    return std::nullopt;
}

} // namespace quillon::sim
