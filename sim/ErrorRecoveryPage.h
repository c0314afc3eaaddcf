#pragma once

#include "ScsiVocabulary.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace quillon::sim {

// The read-write error recovery mode page (page code 01h) with its current,
// changeable, default and saved values. Parameters are the ten bytes after the
// page code and page length: flags (AWRE ARRE TB RC EER PER DTE DCR), read
// retry count, correction span, head offset count, data strobe offset count,
// reserved, write retry count, reserved, recovery time limit (2 bytes).
class ErrorRecoveryPage {
public:
    static constexpr std::uint8_t PageCode = 0x01;
    static constexpr std::uint8_t ParameterLength = 10;
    static constexpr std::size_t PageLength = 2 + ParameterLength;
    using Parameters = std::array<std::uint8_t, ParameterLength>;

    enum class Control : std::uint8_t { Current = 0, Changeable = 1, Default = 2, Saved = 3 };

    static constexpr std::uint8_t DCR = 0x01; // disable correction
    static constexpr std::uint8_t PER = 0x04; // post recovered errors

    explicit ErrorRecoveryPage(bool savable = true);

    bool savable() const { return savable_; }
    const Parameters& current() const { return current_; }
    const Parameters& changeable() const { return changeable_; }
    bool flag(std::uint8_t bit) const { return (current_[0] & bit) != 0; }

    // Writes the page (code, length, parameters) as MODE SENSE returns it.
    void render(Control control, std::span<std::uint8_t, PageLength> out) const;

    // Checks a page sent with MODE SELECT; `at` is its offset in the parameter
    // list, used for the field pointer of the sense data. Returns the sense
    // to report, or nothing when the page may be applied.
    std::optional<SenseData> validate(std::span<const std::uint8_t> page, std::size_t at) const;
    void apply(std::span<const std::uint8_t> page) {
        std::copy_n(page.begin() + 2, ParameterLength, current_.begin());
    }
    void save() { saved_ = current_; }
    // Power-on or reset: the saved values become current.
    void restoreSaved() { current_ = saved_; }

    // Control interface for tests and demos.
    void setCurrent(const Parameters& p) { current_ = p; }
    void setChangeable(const Parameters& p) { changeable_ = p; }

private:
    bool savable_;
    Parameters current_;
    Parameters changeable_;
    Parameters default_;
    Parameters saved_;
};

} // namespace quillon::sim
