#pragma once

#include "MediaProfile.h"
#include "ScsiVocabulary.h"

#include <chrono>
#include <cstdint>

namespace quillon::sim {

// How long the mechanism of a drive takes: seeks grow with the square root of
// the distance in tracks (settling alone for one track, a full stroke across
// the medium), sectors pass under the head at the disc's rotation speed, and a
// format sweeps every track once per pass.
class DriveTiming {
public:
    static constexpr Nanos CommandOverhead = std::chrono::microseconds(250);
    static constexpr Nanos Settle = std::chrono::milliseconds(3);
    static constexpr Nanos FullStroke = std::chrono::milliseconds(40);
    static constexpr Nanos SpinUp = std::chrono::milliseconds(2500);
    static constexpr Nanos SpinDown = std::chrono::milliseconds(1200);
    static constexpr Nanos EjectTime = std::chrono::milliseconds(1500);

    explicit DriveTiming(const MediaProfile& profile) : profile_(&profile) {}

    Nanos seek(std::uint32_t fromTrack, std::uint32_t toTrack) const;
    Nanos revolution() const;
    Nanos sectorTime() const { return revolution() / profile_->sectorsPerTrack(); }
    Nanos averageLatency() const { return revolution() / 2; }
    Nanos format(unsigned passes) const { return revolution() * profile_->trackCount * passes; }

private:
    const MediaProfile* profile_;
};

} // namespace quillon::sim
