// Exercises the sg transport on the devices it finds: per device INQUIRY,
// TEST UNIT READY twice, READ CAPACITY, READ LONG, a READ past the last block
// and a WRITE/READ round trip; START STOP UNIT eject on removable media; and
// the transport's own behaviour: an address without a device, a queue deeper
// than the driver's, abort, a command the caller abandons, and one whose
// caller stops waiting for it. Single steps go as the program sends them, the
// caller waiting for each. Prints one
// line per step, "<adapter>:<target>:<lun> <step> <outcome>", for test.sh.
//
//   sg_probe [--verbose] [--dev DIR] [--slow TARGET]
//
// --slow names the target ID of a device that moves about 32 KiB a second (a
// throttled disk): it gets the checks of the transport's queue and of the
// kernel's time-out instead of the others.
//
// Meant for a disposable machine: it writes block 7 of every disk it finds.

#include "scsi/SgTransport.h"
#include "sim/Bytes.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace quillon::scsi;

namespace {

constexpr std::uint32_t CommandTimeoutMs = 10000;
constexpr std::uint32_t WaitMs = 60000;
constexpr std::uint32_t PatternLba = 7;

struct Outcome {
    Completion started = Completion::Error;
    bool finished = false;
    TransportCommand::Result result;
};

Outcome run(Transport& transport, int adapter, std::uint8_t target, std::uint8_t lun,
            const std::vector<std::uint8_t>& cdb, std::span<std::uint8_t> buffer) {
    auto command = std::make_shared<TransportCommand>(target, lun, cdb, buffer, CommandTimeoutMs);
    Outcome outcome;
    outcome.started = transport.executeAndWait(adapter, command, WaitMs);
    outcome.finished = command->completed();
    if (!outcome.finished) {
        command->abandon();
    }
    outcome.result = command->result();
    return outcome;
}

std::string hex2(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X", value & 0xFF);
    return text;
}

std::string describe(const Outcome& outcome) {
    if (!outcome.finished) {
        return "NO COMPLETION";
    }
    const TransportCommand::Result& r = outcome.result;
    if (r.completion == Completion::Ok) {
        return "GOOD";
    }
    std::string text;
    if (r.hostStatus != host_status::Ok) {
        text = "HOST " + hex2(r.hostStatus) + "h";
    } else if (r.targetStatus == 0x02) {
        text = "CHECK CONDITION";
    } else if (r.targetStatus == 0x08) {
        text = "BUSY";
    } else {
        text = "STATUS " + hex2(r.targetStatus) + "h";
    }
    const auto& s = r.sense;
    const std::uint8_t format = s[0] & 0x7F;
    if ((format == 0x70 || format == 0x71) && r.senseLength >= 14) {
        text += " " + std::to_string(s[2] & 0x0F) + "/" + hex2(s[12]) + "/" + hex2(s[13]);
    } else if ((format == 0x72 || format == 0x73) && r.senseLength >= 4) {
        text += " " + std::to_string(s[1] & 0x0F) + "/" + hex2(s[2]) + "/" + hex2(s[3]);
    }
    return text;
}

std::string field(const std::vector<std::uint8_t>& data, std::size_t from, std::size_t length) {
    std::string text(data.begin() + static_cast<std::ptrdiff_t>(from),
                     data.begin() + static_cast<std::ptrdiff_t>(from + length));
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

std::uint32_t be32(const std::vector<std::uint8_t>& data, std::size_t at) {
    return static_cast<std::uint32_t>(data[at]) << 24 |
           static_cast<std::uint32_t>(data[at + 1]) << 16 |
           static_cast<std::uint32_t>(data[at + 2]) << 8 | data[at + 3];
}

std::vector<std::uint8_t> rw10(std::uint8_t opcode, std::uint32_t lba, std::uint16_t blocks) {
    const auto cdb = quillon::sim::cdb10(opcode, lba, blocks);
    return {cdb.begin(), cdb.end()};
}

struct Probe {
    SgTransport& transport;
    int adapter;
    SgDevice device;
    std::string tag;

    std::uint8_t target() const { return static_cast<std::uint8_t>(device.scsiId); }
    std::uint8_t lun() const { return static_cast<std::uint8_t>(device.lun); }

    Outcome step(const char* name, const std::vector<std::uint8_t>& cdb,
                 std::span<std::uint8_t> buffer = {}) {
        Outcome outcome = run(transport, adapter, target(), lun(), cdb, buffer);
        std::printf("%s %s %s\n", tag.c_str(), name, describe(outcome).c_str());
        return outcome;
    }

    std::shared_ptr<TransportCommand> start(const std::vector<std::uint8_t>& cdb,
                                            std::span<std::uint8_t> buffer, Completion& started) {
        auto command =
            std::make_shared<TransportCommand>(target(), lun(), cdb, buffer, CommandTimeoutMs);
        started = transport.execute(adapter, command);
        return command;
    }

    void basics(bool& removable, std::uint32_t& blockSize, std::uint32_t& lastLba) {
        std::vector<std::uint8_t> inquiry(36);
        if (step("inquiry", {0x12, 0, 0, 0, 36, 0}, inquiry).result.completion == Completion::Ok) {
            removable = (inquiry[1] & 0x80) != 0;
            std::printf("%s identity type %d vendor \"%s\" product \"%s\" revision \"%s\" %s\n",
                        tag.c_str(), inquiry[0] & 0x1F, field(inquiry, 8, 8).c_str(),
                        field(inquiry, 16, 16).c_str(), field(inquiry, 32, 4).c_str(),
                        removable ? "removable" : "fixed");
        }
        step("tur1", {0, 0, 0, 0, 0, 0});
        step("tur2", {0, 0, 0, 0, 0, 0});

        std::vector<std::uint8_t> capacity(8);
        if (step("read-capacity", {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, capacity).result.completion ==
            Completion::Ok) {
            lastLba = be32(capacity, 0);
            blockSize = be32(capacity, 4);
            std::printf("%s capacity last-lba %u block %u\n", tag.c_str(), lastLba, blockSize);
        }
    }

    void media(std::uint32_t blockSize, std::uint32_t lastLba) {
        const auto length = static_cast<std::uint16_t>(blockSize + 40);
        std::vector<std::uint8_t> raw(length);
        step("read-long",
             {0x3E, 0, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(length >> 8),
              static_cast<std::uint8_t>(length), 0},
             raw);

        std::vector<std::uint8_t> block(blockSize);
        std::vector<std::uint8_t> pattern(blockSize);
        for (std::size_t i = 0; i < pattern.size(); ++i) {
            pattern[i] = static_cast<std::uint8_t>(i * 7 + device.scsiId);
        }
        step("write", rw10(0x2A, PatternLba, 1), pattern);
        std::fill(block.begin(), block.end(), 0);
        if (step("read", rw10(0x28, PatternLba, 1), block).result.completion == Completion::Ok) {
            std::printf("%s read-back %s\n", tag.c_str(), block == pattern ? "matches" : "DIFFERS");
        }

        // A read that fails sends no data: the buffer keeps what it had, not
        // the previous read's data.
        std::fill(block.begin(), block.end(), 0xEE);
        step("read-beyond", rw10(0x28, lastLba + 1, 1), block);
        const auto kept = std::count(block.begin(), block.end(), 0xEE);
        std::printf("%s read-beyond buffer %s\n", tag.c_str(),
                    kept == static_cast<std::ptrdiff_t>(block.size()) ? "untouched" : "WRITTEN");
    }

    // More commands at once than the driver holds for one node: the rest
    // wait in the transport and go out as replies come back.
    void queue(std::uint32_t blockSize) {
        constexpr int Count = 40;
        std::vector<std::vector<std::uint8_t>> buffers(Count, std::vector<std::uint8_t>(blockSize));
        std::vector<std::shared_ptr<TransportCommand>> commands;
        int pending = 0;
        for (int i = 0; i < Count; ++i) {
            Completion started;
            commands.push_back(
                start(rw10(0x28, static_cast<std::uint32_t>(i % 16), 1), buffers[i], started));
            pending += started == Completion::Pending ? 1 : 0;
        }
        int good = 0;
        int patterns = 0;
        for (int i = 0; i < Count; ++i) {
            if (commands[i]->waitFor(WaitMs) &&
                commands[i]->result().completion == Completion::Ok) {
                ++good;
                const bool expected = buffers[i][1] == static_cast<std::uint8_t>(7 + device.scsiId);
                patterns += (i % 16 == static_cast<int>(PatternLba)) == expected ? 1 : 0;
            }
        }
        std::printf("%s queue %d sent %d pending %d good %d with the right data\n", tag.c_str(),
                    Count, pending, good, patterns);
    }

    // abort on a command the kernel holds: it cannot be taken back, and it
    // still completes.
    void abortHeld() {
        Completion started;
        auto held = start({0, 0, 0, 0, 0, 0}, {}, started);
        const bool aborted = transport.abort(adapter, *held);
        const bool done = held->waitFor(WaitMs);
        std::printf("%s abort-held %s, then %s\n", tag.c_str(), aborted ? "true" : "false",
                    done ? describe({started, true, held->result()}).c_str() : "NO COMPLETION");
    }

    // A caller that gives up on a read: the late reply must not reach its
    // buffer. Once abandon() has returned nothing may write there; on a fast
    // device the data may have come before, and then it tries again.
    void abandon(std::uint32_t blockSize) {
        for (int attempt = 0; attempt < 5; ++attempt) {
            std::vector<std::uint8_t> buffer(blockSize, 0xEE);
            Completion started;
            auto command = start(rw10(0x28, PatternLba, 1), buffer, started);
            command->abandon();
            if (!untouched(buffer) || started != Completion::Pending) {
                continue;
            }
            const bool done = command->waitFor(WaitMs);
            std::printf("%s abandoned-read %s, buffer %s\n", tag.c_str(),
                        done ? "completed" : "NO COMPLETION",
                        untouched(buffer) ? "untouched" : "WRITTEN");
            return;
        }
        std::printf("%s abandoned-read not tried: the reads finished too fast\n", tag.c_str());
    }

    static bool untouched(const std::vector<std::uint8_t>& buffer) {
        return std::all_of(buffer.begin(), buffer.end(), [](std::uint8_t b) { return b == 0xEE; });
    }

    // On a device that moves 32 KiB a second.
    void slow(std::uint32_t blockSize) {
        // More reads than the driver holds for one node, 2 KiB each: the
        // last waits in the transport's queue, where abort takes it back.
        constexpr int Count = 20;
        constexpr std::uint16_t Blocks = 4;
        std::vector<std::vector<std::uint8_t>> buffers(
            Count, std::vector<std::uint8_t>(blockSize * Blocks));
        std::vector<std::shared_ptr<TransportCommand>> commands;
        Completion started;
        for (int i = 0; i < Count; ++i) {
            commands.push_back(
                start(rw10(0x28, static_cast<std::uint32_t>(i), Blocks), buffers[i], started));
        }
        const bool aborted = transport.abort(adapter, *commands.back());
        int good = 0;
        for (int i = 0; i + 1 < Count; ++i) {
            good +=
                commands[i]->waitFor(WaitMs) && commands[i]->result().completion == Completion::Ok
                    ? 1
                    : 0;
        }
        const auto& last = commands.back();
        std::printf("%s abort-queued %s, then %s; the other %d: %d good\n", tag.c_str(),
                    aborted ? "true" : "false",
                    last->completed() ? describe({started, true, last->result()}).c_str()
                                      : "NO COMPLETION",
                    Count - 1, good);

        // A 128 KiB read, four seconds' worth, goes at once and leaves the
        // next read waiting that long. That one has a 100 ms time-out: the
        // kernel's time-out ends it (its timer runs in whole seconds) after
        // a second or so, well after the caller has given up on it.
        std::vector<std::uint8_t> filler(128 * 1024);
        auto first = start(rw10(0x28, 0, static_cast<std::uint16_t>(filler.size() / blockSize)),
                           filler, started);
        std::vector<std::uint8_t> buffer(blockSize, 0xEE);
        auto late = std::make_shared<TransportCommand>(target(), lun(), rw10(0x28, PatternLba, 1),
                                                       buffer, 100);
        const auto begin = std::chrono::steady_clock::now();
        started = transport.execute(adapter, late);
        const bool early = late->waitFor(20);
        late->abandon();
        const bool done = late->waitFor(WaitMs);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - begin)
                            .count();
        const bool firstDone = first->waitFor(WaitMs);
        std::printf("%s timeout %s, %s after %lld ms, buffer %s; the read before it: %s\n",
                    tag.c_str(), early ? "EARLY" : "abandoned",
                    done ? describe({started, true, late->result()}).c_str() : "NO COMPLETION",
                    static_cast<long long>(ms), untouched(buffer) ? "untouched" : "WRITTEN",
                    firstDone ? describe({started, true, first->result()}).c_str()
                              : "NO COMPLETION");
        std::vector<std::uint8_t> block(blockSize);
        step("read-after-timeout", rw10(0x28, PatternLba, 1), block);
    }

    // A caller that stops waiting for its command before the reply: the
    // service thread reads the reply when it comes, and the next caller is
    // served as before.
    void handOver(std::uint32_t blockSize) {
        // The throttle lets a burst go at once: the first read takes it.
        std::vector<std::uint8_t> burst(128 * 1024);
        step("burst", rw10(0x28, 0, static_cast<std::uint16_t>(burst.size() / blockSize)), burst);
        std::vector<std::uint8_t> data(64 * 1024); // two seconds' worth
        auto command = std::make_shared<TransportCommand>(
            target(), lun(), rw10(0x28, 0, static_cast<std::uint16_t>(data.size() / blockSize)),
            data, CommandTimeoutMs);
        const Completion started = transport.executeAndWait(adapter, command, 100);
        const bool early = command->completed();
        const bool done = command->waitFor(WaitMs);
        std::printf("%s hand-over %s, then %s\n", tag.c_str(), early ? "EARLY" : "waiting",
                    done ? describe({started, true, command->result()}).c_str() : "NO COMPLETION");
        std::vector<std::uint8_t> block(blockSize);
        step("read-after-hand-over", rw10(0x28, PatternLba, 1), block);
    }

    void eject() {
        step("eject", {0x1B, 0, 0, 0, 0x02, 0});
        step("tur-after-eject", {0, 0, 0, 0, 0, 0});
    }
};

} // namespace

int main(int argc, char** argv) {
    bool verbose = false;
    std::string dev = "/dev";
    int slowTarget = -1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--verbose") == 0) {
            verbose = true;
        } else if (std::strcmp(argv[i], "--dev") == 0 && i + 1 < argc) {
            dev = argv[++i];
        } else if (std::strcmp(argv[i], "--slow") == 0 && i + 1 < argc) {
            slowTarget = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: %s [--verbose] [--dev DIR] [--slow TARGET]\n", argv[0]);
            return 2;
        }
    }

    SgTransport transport(dev);
    const Transport::Presence presence = transport.open();
    if (presence != Transport::Presence::Present) {
        std::printf("presence %s\n%s",
                    presence == Transport::Presence::Absent ? "absent" : "incomplete",
                    transport.reason().c_str());
        return 1;
    }
    std::printf("presence present, %d adapter(s)\n", transport.adapterCount());

    for (int adapter = 0; adapter < transport.adapterCount(); ++adapter) {
        AdapterInfo info;
        transport.inquireAdapter(adapter, info);
        const std::vector<SgDevice> devices = transport.devicesOf(adapter);
        std::printf("adapter %d host %d channel %d id %d max-targets %d max-transfer %u "
                    "manager \"%s\" identifier \"%s\"\n",
                    adapter, devices.empty() ? -1 : devices[0].hostNo,
                    devices.empty() ? -1 : devices[0].channel, info.scsiId, info.maxTargets,
                    info.maxTransferLength, info.managerId.c_str(), info.identifier.c_str());

        // An ID without a device fails at once, whatever the time-out.
        for (int id = 0; id < info.maxTargets; ++id) {
            const bool taken = std::any_of(devices.begin(), devices.end(),
                                           [&](const SgDevice& d) { return d.scsiId == id; });
            if (taken || id == info.scsiId) {
                continue;
            }
            const auto begin = std::chrono::steady_clock::now();
            Outcome outcome =
                run(transport, adapter, static_cast<std::uint8_t>(id), 0, {0, 0, 0, 0, 0, 0}, {});
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now() - begin)
                                .count();
            std::printf("%d:%d:0 no-device %s %s%s\n", adapter, id,
                        outcome.started == Completion::Error ? "refused" : "STARTED",
                        describe(outcome).c_str(), ms < 1000 ? " at once" : " SLOWLY");
            break;
        }

        for (const SgDevice& device : devices) {
            Probe probe{transport, adapter, device,
                        std::to_string(adapter) + ":" + std::to_string(device.scsiId) + ":" +
                            std::to_string(device.lun)};
            std::printf("%s device host %d channel %d id %d lun %d type %d\n", probe.tag.c_str(),
                        device.hostNo, device.channel, device.scsiId, device.lun, device.scsiType);
            bool removable = false;
            std::uint32_t blockSize = 0;
            std::uint32_t lastLba = 0;
            probe.basics(removable, blockSize, lastLba);
            if (blockSize == 0 || blockSize > 65536) {
                continue;
            }
            if (device.scsiId == slowTarget) {
                probe.slow(blockSize);
                probe.handOver(blockSize);
                continue;
            }
            probe.media(blockSize, lastLba);
            probe.queue(blockSize);
            probe.abortHeld();
            probe.abandon(blockSize);
            if (removable) {
                probe.eject();
            }
        }
    }
    std::printf("data-in %s\n", transport.copiesIn() ? "SG_DXFER_TO_FROM_DEV"
                                                     : "SG_DXFER_FROM_DEV (refused TO_FROM)");
    if (verbose) {
        std::fputs(transport.reason().c_str(), stdout);
    }
    return 0;
}
