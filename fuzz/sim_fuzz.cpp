// Feeds the simulated drive sequences of arbitrary commands: random CDBs of
// any length, data-out of any size and data-in buffers of any size, with the
// control interface (media, faults, time) shaken in between. The drive must
// answer every one without crashing, reading or writing out of bounds, or
// transferring more than the buffers hold.
#include "sim/SimTarget.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using namespace quillon::sim;

// Reads the fuzzer's bytes as a stream of small fields.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint16_t word() { return static_cast<std::uint16_t>(byte() << 8 | byte()); }
    std::vector<std::uint8_t> bytes(std::size_t n) {
        std::vector<std::uint8_t> out;
        while (n-- > 0 && !empty()) {
            out.push_back(byte());
        }
        return out;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

void shake(SimTarget& target, Input& in) {
    SimDrive& drive = *target.lun(0);
    switch (in.byte() % 6) {
    case 0:
        drive.ejectMedium();
        break;
    case 1:
        if (drive.waitingMedia() < 2) {
            drive.insertMedium(Medium::named(in.byte() % 2 ? "mo128" : "mo640"));
        }
        break;
    case 2:
        if (drive.hasMedium()) {
            drive.setWriteProtected(in.byte() % 2 != 0);
        }
        break;
    case 3: {
        FaultRule rule;
        rule.opcode = in.byte();
        rule.kind = static_cast<FaultKind>(in.byte() % 3); // never a hang: it ends nothing
        rule.senseKey = in.byte() & 0x0F;
        drive.addFault(rule);
        break;
    }
    case 4:
        drive.advanceTime(std::chrono::seconds(in.word()));
        break;
    default:
        drive.powerOn();
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    DriveConfig config;
    config.media = {"mo128", "mo640"};
    config.legacySense = in.byte() % 4 == 0;
    config.byteErrorRate = in.byte() / 255.0 * 0.01;
    SimTarget target(config);
    target.lun(0)->addBurst({in.word(), in.word() % 600u, in.byte() + 1u});
    target.setTracing(true);

    while (!in.empty()) {
        const std::uint8_t control = in.byte();
        if (control % 8 == 0) {
            shake(target, in);
            continue;
        }
        const std::uint8_t lun = control % 16 == 1 ? 1 : 0;
        auto cdb = in.bytes(in.byte() % 17);
        auto dataOut = in.bytes(in.word() % 4096);
        std::vector<std::uint8_t> dataIn(in.word() % 8192 * (control % 3 + 1));
        const auto outcome = target.execute(lun, {cdb, dataOut, dataIn, std::nullopt});
        if (outcome.dataInLength > dataIn.size() || outcome.dataOutLength > dataOut.size() ||
            outcome.senseLength > outcome.sense.size()) {
            std::abort();
        }
    }
    return 0;
}
