#include "SimTarget.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <numeric>
#include <string>
#include <vector>

using namespace quillon::sim;
using namespace std::chrono_literals;

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint8_t u8(std::uint64_t v) {
    return static_cast<std::uint8_t>(v);
}

Bytes cdb6(std::uint8_t op, std::uint8_t b1 = 0, std::uint8_t b2 = 0, std::uint8_t b4 = 0) {
    return {op, b1, b2, 0, b4, 0};
}

Bytes cdb10(std::uint8_t op, std::uint32_t lba, std::uint32_t length, std::uint8_t b1 = 0) {
    return {op,      b1, u8(lba >> 24),   u8(lba >> 16), u8(lba >> 8),
            u8(lba), 0,  u8(length >> 8), u8(length),    0};
}

Bytes pattern(std::size_t size, unsigned seed) {
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i) {
        b[i] = u8(i * 31 + seed * 101 + (i >> 8));
    }
    return b;
}

std::uint32_t be32(std::span<const std::uint8_t> b, std::size_t at) {
    return std::uint32_t{b[at]} << 24 | std::uint32_t{b[at + 1]} << 16 |
           std::uint32_t{b[at + 2]} << 8 | b[at + 3];
}

// How many bytes differ between two buffers of the same size.
std::size_t differing(const Bytes& a, const Bytes& b) {
    EXPECT_EQ(a.size(), b.size());
    return std::transform_reduce(a.begin(), a.end(), b.begin(), std::size_t{0}, std::plus<>(),
                                 std::not_equal_to<>());
}

DriveConfig withMedia(std::vector<std::string> names) {
    DriveConfig config;
    config.media = std::move(names);
    return config;
}

struct Reply {
    CommandOutcome outcome;
    Bytes data;
};

// "good", "status XX", or the sense of a CHECK CONDITION as "K/AA/QQ" (fixed
// format) or "K" (legacy format).
std::string verdict(const Reply& r) {
    char text[16];
    const auto& s = r.outcome.sense;
    if (r.outcome.status == status::Good) {
        return "good";
    } else if (r.outcome.status != status::CheckCondition) {
        std::snprintf(text, sizeof text, "status %02X", r.outcome.status);
    } else if (r.outcome.senseLength == SenseData::LegacyLength) {
        std::snprintf(text, sizeof text, "%X", s[0] & 0x0F);
    } else {
        std::snprintf(text, sizeof text, "%X/%02X/%02X", s[2] & 0x0F, s[12], s[13]);
    }
    return text;
}

// The information field of fixed sense, when its valid bit is set.
std::optional<std::uint32_t> info(std::span<const std::uint8_t> sense) {
    return (sense[0] & 0x80) != 0 ? std::optional(be32(sense, 3)) : std::nullopt;
}
std::optional<std::uint32_t> info(const Reply& r) {
    return info(r.outcome.sense);
}

constexpr std::uint8_t FlagDCR = 0x01;
constexpr std::uint8_t FlagPER = 0x04;

// A target whose LUN 0 is built from `config`, with the power-on unit
// attention already taken unless asked to keep it.
class Rig {
public:
    explicit Rig(const DriveConfig& config = {}, bool keepAttention = false) : target_(config) {
        if (!keepAttention) {
            EXPECT_EQ(tur(), config.legacySense ? "6" : "6/29/00");
        }
    }

    SimTarget& target() { return target_; }
    SimDrive& drive() { return *target_.lun(0); }

    Reply run(const Bytes& cdb, const Bytes& out = {}, std::size_t in = 0,
              std::optional<Nanos> at = {}, std::uint8_t lun = 0) {
        Reply r;
        r.data.resize(in);
        r.outcome = target_.execute(lun, {cdb, out, r.data, at});
        r.data.resize(r.outcome.dataInLength);
        return r;
    }
    std::string check(const Bytes& cdb, const Bytes& out = {}, std::size_t in = 0,
                      std::optional<Nanos> at = {}, std::uint8_t lun = 0) {
        return verdict(run(cdb, out, in, at, lun));
    }
    std::string tur(std::optional<Nanos> at = {}) {
        return check(cdb6(op::TestUnitReady), {}, 0, at);
    }
    std::string startStop(std::uint8_t b4) { return check(cdb6(op::StartStopUnit, 0, 0, b4)); }
    std::string prevent(bool on) { return check(cdb6(op::PreventAllowMediumRemoval, 0, 0, on)); }
    Bytes sense() { return run(cdb6(op::RequestSense, 0, 0, 18), {}, 18).data; }
    std::string inquiry() { return check(cdb6(op::Inquiry, 0, 0, 36), {}, 36); }
    Reply read(std::uint32_t lba, std::uint32_t blocks, std::size_t blockSize = 512) {
        return run(cdb10(op::Read10, lba, blocks), {}, blocks * blockSize);
    }
    Reply write(std::uint32_t lba, const Bytes& data, std::size_t blockSize = 512) {
        return run(cdb10(op::Write10, lba, static_cast<std::uint32_t>(data.size() / blockSize)),
                   data);
    }
    Reply readLong(std::uint32_t lba, std::uint32_t length, std::uint8_t b1 = 0) {
        return run(cdb10(op::ReadLong10, lba, length, b1), {}, 4096);
    }
    Reply writeLong(std::uint32_t lba, const Bytes& raw) {
        return run(cdb10(op::WriteLong10, lba, static_cast<std::uint32_t>(raw.size())), raw);
    }
    Bytes modeSense(std::uint8_t control, std::uint8_t b1 = 0, std::uint8_t allocation = 255) {
        return run(cdb6(op::ModeSense6, b1, u8(control << 6 | 0x01), allocation), {}, 255).data;
    }
    Reply modeSelect(const Bytes& list, bool save = false) {
        return run(cdb6(op::ModeSelect6, save ? 0x11 : 0x10, 0, u8(list.size())), list);
    }
    // Page 01h with the current parameters but new flags, after a header.
    Bytes recoveryPage(std::uint8_t flags) {
        Bytes list{0, 0, 0, 0, 0x01, 0x0A};
        const auto current = drive().modePage().current();
        list.insert(list.end(), current.begin(), current.end());
        list[6] = flags;
        return list;
    }
    Reply format(std::uint8_t b1, const Bytes& list = {}) {
        return run(cdb6(op::FormatUnit, b1), list);
    }
    std::uint32_t lastLba() { return be32(run(cdb10(op::ReadCapacity10, 0, 0), {}, 8).data, 0); }

private:
    SimTarget target_;
};

} // namespace

TEST(Inquiry, ReportsIdentityAndHonoursAllocationLength) {
    DriveConfig identity;
    identity.vendor = "ACME";
    identity.product = "MO-230";
    identity.revision = "2.1";
    Rig mo(identity, true);
    const auto d = mo.run(cdb6(op::Inquiry, 0, 0, 255), {}, 255).data;
    ASSERT_EQ(d.size(), 36u);
    EXPECT_EQ(Bytes(d.begin(), d.begin() + 2), (Bytes{0x07, 0x80})); // optical, removable
    EXPECT_EQ(d[3] & 0x0F, 2);
    EXPECT_EQ(std::string(d.begin() + 8, d.end()), "ACME    MO-230          2.1 ");
    const auto cut = mo.run(cdb6(op::Inquiry, 0, 0, 30), {}, 10);
    EXPECT_EQ(cut.data, Bytes(d.begin(), d.begin() + 10));
    EXPECT_TRUE(cut.outcome.dataLengthError); // the drive wanted to send 30 bytes
    EXPECT_EQ(mo.run(cdb6(op::Inquiry, 0, 0, 5), {}, 255).data.size(), 5u);
    EXPECT_EQ(mo.check(cdb6(op::Inquiry, 0x01), {}, 255), "5/24/00"); // EVPD
    Rig disk(withMedia({"disk"}));
    EXPECT_EQ(disk.run(cdb6(op::Inquiry, 0, 0, 2), {}, 2).data, (Bytes{0x00, 0x00}));
}

TEST(UnitAttention, PowerOnThenMediumChange) {
    Rig rig(withMedia({"mo230", "mo640"}), true);
    EXPECT_EQ(rig.inquiry(), "good");
    EXPECT_EQ(verdict(rig.read(0, 1)), "6/29/00");
    EXPECT_EQ(verdict(rig.read(0, 1)), "good");
    rig.drive().powerOn();
    const auto s = rig.sense();
    EXPECT_EQ(Bytes(s.begin(), s.begin() + 3), (Bytes{0x70, 0, 0x06}));
    EXPECT_EQ(s[12], 0x29);
    EXPECT_EQ(rig.tur(), "good"); // REQUEST SENSE took it

    EXPECT_EQ(rig.startStop(0x02), "good");
    EXPECT_EQ(rig.inquiry(), "good");
    EXPECT_EQ(verdict(rig.read(0, 1, 2048)), "6/28/00");
    EXPECT_EQ(verdict(rig.read(0, 1, 2048)), "good");
    rig.drive().powerOn(); // outranks the medium change that follows it
    rig.drive().insertMedium(Medium::named("mo128"));
    rig.drive().ejectMedium();
    EXPECT_EQ(rig.tur(), "6/29/00");
    EXPECT_EQ(rig.tur(), "good");
}

TEST(RequestSense, ReturnsSenseOfTheLastCommandOnce) {
    Rig rig;
    const std::uint32_t last = rig.lastLba();
    EXPECT_EQ(verdict(rig.read(last + 1, 1)), "5/21/00");
    const auto s = rig.sense();
    ASSERT_EQ(s.size(), 18u);
    EXPECT_EQ(Bytes(s.begin(), s.begin() + 3), (Bytes{0xF0, 0, 0x05}));
    EXPECT_EQ(s[12], 0x21);
    EXPECT_EQ(info(s), last + 1);
    EXPECT_EQ(rig.sense()[2], 0x00); // taken
    rig.read(last + 1, 1);
    rig.tur(); // any other command discards it
    EXPECT_EQ(rig.sense()[2], 0x00);
    EXPECT_EQ(rig.run(cdb6(op::RequestSense), {}, 18).data.size(), 4u);

    DriveConfig early;
    early.legacySense = true;
    Rig legacy(early);
    const auto r = legacy.read(446320, 10); // runs past the end at 446325 (6CF75h)
    const Bytes expected{0x85, 0x06, 0xCF, 0x75};
    EXPECT_EQ(Bytes(r.outcome.senseBytes().begin(), r.outcome.senseBytes().end()), expected);
    EXPECT_EQ(legacy.sense(), expected);
}

TEST(MediaProfiles, CapacityAndLongSectorSize) {
    struct Expected {
        const char* name;
        std::uint32_t blockSize, lastLba, longSize;
    };
    const Expected profiles[] = {{"mo128", 512, 248825, 600},    {"mo230", 512, 446324, 600},
                                 {"mo300", 512, 581249, 600},    {"mo650", 1024, 318768, 1200},
                                 {"mo540", 512, 1041499, 600},   {"mo640", 2048, 310351, 2380},
                                 {"mo1300", 2048, 605846, 2380}, {"mo2300", 2048, 1142799, 2380},
                                 {"disk", 512, 204799, 600}};
    for (const auto& e : profiles) {
        SCOPED_TRACE(e.name);
        Rig rig(withMedia({e.name}));
        const auto cap = rig.run(cdb10(op::ReadCapacity10, 0, 0), {}, 8).data;
        EXPECT_EQ(cap, (Bytes{u8(e.lastLba >> 24), u8(e.lastLba >> 16), u8(e.lastLba >> 8),
                              u8(e.lastLba), 0, 0, u8(e.blockSize >> 8), 0}));
        EXPECT_EQ(rig.readLong(e.lastLba, e.longSize).data.size(), e.longSize);
    }
}

TEST(StartStopUnit, StopsStartsAndEjectsToTheNextMedium) {
    Rig rig(withMedia({"mo230", "mo640"}));
    EXPECT_EQ(rig.startStop(0x00), "good");
    EXPECT_EQ(verdict(rig.read(0, 1)), "2/04/02");
    EXPECT_EQ(rig.startStop(0x03), "good");
    ASSERT_EQ(verdict(rig.write(9, pattern(512, 1))), "good");
    EXPECT_EQ(rig.prevent(true), "good");
    EXPECT_EQ(rig.startStop(0x02), "5/53/02");
    EXPECT_EQ(rig.drive().waitingMedia(), 1u);
    rig.prevent(false);
    EXPECT_EQ(rig.startStop(0x02), "good");
    EXPECT_EQ(rig.drive().waitingMedia(), 0u);
    EXPECT_EQ(rig.tur(), "6/28/00");
    EXPECT_EQ(rig.lastLba(), 310351u);
    EXPECT_EQ(rig.read(9, 1, 2048).data, Bytes(2048, 0)); // another cartridge

    rig.prevent(true);
    EXPECT_TRUE(rig.drive().ejectMedium()); // by hand, whatever the prevent state
    EXPECT_FALSE(rig.drive().ejectMedium());
    EXPECT_EQ(rig.tur(), "2/3A/00");
    EXPECT_EQ(rig.startStop(0x03), "2/3A/00");
    rig.drive().insertMedium(Medium::named("mo650"));
    EXPECT_EQ(rig.tur(), "6/28/00");
    EXPECT_EQ(rig.lastLba(), 318768u);
    EXPECT_EQ(Rig(withMedia({"disk"})).startStop(0x02), "5/24/00");
}

TEST(BlockCommands, RefuseAddressesBeyondTheLastBlock) {
    Rig rig;
    const std::uint32_t last = rig.lastLba();
    EXPECT_EQ(verdict(rig.read(last, 1)), "good");
    for (const auto& cdb : {cdb10(op::Read10, last + 1, 1), cdb10(op::Write10, last + 1, 1),
                            cdb10(op::WriteAndVerify10, last, 2), cdb10(op::Verify10, last, 2),
                            cdb10(op::Seek10, last + 1, 0), cdb10(op::ReadLong10, last + 1, 600),
                            cdb10(op::WriteLong10, last + 1, 600)}) {
        SCOPED_TRACE(cdb[0]);
        const auto r = rig.run(cdb, Bytes(1024, 0x11), 1024);
        EXPECT_EQ(verdict(r), "5/21/00");
        EXPECT_EQ(info(r), last + 1);
    }
    EXPECT_EQ(info(rig.read(0xFFFFFFFF, 2)), 0xFFFFFFFFu);
    EXPECT_EQ(rig.drive().recordedSector(last), rig.drive().recordedSector(0)); // not written
}

TEST(BlockCommands, KeepDataPerSector) {
    Rig rig;
    auto data = pattern(3 * 512, 1);
    ASSERT_EQ(verdict(rig.write(10, data)), "good");
    EXPECT_EQ(rig.read(9, 1).data, Bytes(512, 0));
    const auto other = pattern(512, 2);
    ASSERT_EQ(rig.check(cdb10(op::WriteAndVerify10, 11, 1), other), "good");
    EXPECT_EQ(rig.check(cdb10(op::Verify10, 10, 3, 0x02), data), "E/1D/00"); // BytChk
    EXPECT_EQ(info(rig.sense()), 11u);
    std::copy(other.begin(), other.end(), data.begin() + 512);
    EXPECT_EQ(rig.read(10, 3).data, data);
    EXPECT_EQ(rig.check(cdb10(op::Verify10, 10, 3, 0x02), data), "good");

    EXPECT_TRUE(rig.run(cdb10(op::Write10, 20, 2), pattern(512, 3)).outcome.dataLengthError);
    EXPECT_EQ(rig.read(20, 1).data, Bytes(512, 0)); // nothing written
}

TEST(LongSectors, RawAccessAndLengthErrors) {
    Rig rig;
    rig.drive().setErrorModel(0, 1);
    const auto data = pattern(512, 4);
    rig.write(5, data);
    auto raw = rig.readLong(5, 600).data;
    ASSERT_EQ(Bytes(raw.begin(), raw.begin() + 512), data);
    ASSERT_EQ(verdict(rig.writeLong(6, raw)), "good");
    EXPECT_EQ(rig.read(6, 1).data, data); // the check bytes belong to the data

    raw[100] ^= 0x01;
    ASSERT_EQ(verdict(rig.writeLong(7, raw)), "good");
    EXPECT_EQ(rig.readLong(7, 600).data, raw);
    EXPECT_EQ(verdict(rig.read(7, 1)), "3/11/00");
    EXPECT_EQ(verdict(rig.readLong(7, 600, 0x02)), "3/11/00"); // CORRCT
    rig.modeSelect(rig.recoveryPage(0xC0 | FlagDCR));
    EXPECT_EQ(rig.read(7, 1).data, Bytes(raw.begin(), raw.begin() + 512));

    const auto r = rig.readLong(5, 512);
    EXPECT_EQ(verdict(r), "5/24/00");
    EXPECT_EQ(r.outcome.sense[2] & 0x20, 0x20); // ILI
    EXPECT_EQ(info(r), 0xFFFFFFA8u);            // 512 - 600
    EXPECT_EQ(info(rig.writeLong(5, Bytes(601, 0))), 1u);
    EXPECT_EQ(info(rig.readLong(5, 65535)), 65535u - 600);
    EXPECT_EQ(verdict(rig.readLong(5, 0)), "good");
}

TEST(ErrorModel, RawReadsShowFreshErrorsAtTheConfiguredRate) {
    // Default rate 2e-5 over 8000 reads of 2380 bytes: about 381 errors.
    Rig rig(withMedia({"mo640"}));
    rig.write(3, pattern(2048, 5), 2048);
    const auto recorded = rig.drive().recordedSector(3);
    std::size_t wrong = 0, repeated = 0;
    Bytes previous;
    for (int i = 0; i < 8000; ++i) {
        const auto raw = rig.readLong(3, 2380).data;
        wrong += differing(raw, recorded);
        repeated += raw != recorded && raw == previous ? 1 : 0;
        previous = raw;
    }
    EXPECT_NEAR(static_cast<double>(wrong), 8000 * 2380 * 2e-5, 70);
    EXPECT_EQ(repeated, 0u); // drawn afresh on each read
    EXPECT_EQ(rig.drive().recordedSector(3), recorded);

    const auto reads = [](std::uint64_t seed) {
        Rig seeded;
        seeded.drive().setErrorModel(1e-2, seed);
        std::vector<Bytes> all;
        for (int i = 0; i < 20; ++i) {
            all.push_back(seeded.readLong(0, 600).data);
        }
        return all;
    };
    EXPECT_EQ(reads(7), reads(7));
    EXPECT_NE(reads(7), reads(8));
}

TEST(ErrorModel, CorrectionDependsOnDcrPerAndTheLimit) {
    Rig rig;
    rig.drive().setErrorModel(5e-3, 3); // about 3 errors per 600-byte sector
    const auto data = pattern(8 * 512, 6);
    rig.write(40, data);
    EXPECT_EQ(rig.read(40, 8).data, data);
    rig.modeSelect(rig.recoveryPage(0xC0 | FlagPER));
    auto r = rig.read(40, 8);
    EXPECT_EQ(verdict(r), "1/18/00");
    EXPECT_EQ(r.data, data); // the data came before the sense
    EXPECT_TRUE(info(r) >= 40u && info(r) <= 47u);
    rig.modeSelect(rig.recoveryPage(0xC0 | FlagDCR));
    const auto wrong = differing(rig.read(40, 8).data, data);
    EXPECT_TRUE(wrong > 5 && wrong < 60) << wrong;

    // Surface defects up to the limit (half the 88 check bytes) are corrected.
    rig.modeSelect(rig.recoveryPage(0xC0));
    rig.drive().setErrorModel(0, 1);
    rig.drive().addBurst({.lba = 44, .offset = 0, .length = 44});
    rig.drive().addBurst({.lba = 45, .offset = 580, .length = 45}); // clipped to 20 bytes
    rig.drive().addBurst({.lba = 46, .offset = 300, .length = 45});
    r = rig.read(40, 8);
    EXPECT_EQ(verdict(r), "3/11/00");
    EXPECT_EQ(info(r), 46u);
    EXPECT_EQ(r.data, Bytes(data.begin(), data.begin() + 6 * 512)); // blocks before it came
    EXPECT_EQ(rig.check(cdb10(op::Verify10, 40, 8)), "3/11/00");
    rig.drive().setCorrectionLimit(45);
    EXPECT_EQ(rig.read(40, 8).data, data);
    const auto raw = rig.readLong(46, 600).data;
    auto recorded = rig.drive().recordedSector(46);
    EXPECT_EQ(differing(raw, recorded), 45u);
    std::copy(raw.begin() + 300, raw.begin() + 345, recorded.begin() + 300);
    EXPECT_EQ(raw, recorded); // the burst, and only it
}

TEST(ModePage, SenseReportsHeaderDescriptorAndEveryControl) {
    Rig rig;
    auto d = rig.modeSense(0);
    ASSERT_EQ(d.size(), 24u);
    EXPECT_EQ(Bytes(d.begin(), d.begin() + 4), (Bytes{23, 0, 0, 8}));
    EXPECT_EQ(be32(d, 4), 446325u); // density 0, number of blocks
    EXPECT_EQ(be32(d, 8), 512u);    // block length
    EXPECT_EQ(Bytes(d.begin() + 12, d.begin() + 14), (Bytes{0x81, 10})); // PS, page 01h
    const Bytes current(d.begin() + 14, d.end());
    d = rig.modeSense(2);
    EXPECT_EQ(Bytes(d.begin() + 14, d.end()), current);
    EXPECT_EQ(rig.modeSense(1)[16], 0x00); // correction span cannot change

    rig.modeSelect(rig.recoveryPage(current[0] | FlagDCR));
    EXPECT_EQ(rig.modeSense(0)[14], current[0] | FlagDCR);
    EXPECT_EQ(rig.modeSense(2)[14], current[0]);
    EXPECT_EQ(rig.modeSense(3)[14], current[0]);

    d = rig.modeSense(0, 0x08); // DBD
    EXPECT_EQ(Bytes(d.begin(), d.begin() + 5), (Bytes{15, 0, 0, 0, 0x81}));
    EXPECT_EQ(rig.modeSense(0, 0, 4), (Bytes{23, 0, 0, 8}));
    rig.drive().setWriteProtected(true);
    EXPECT_EQ(rig.modeSense(0)[2], 0x80);
    EXPECT_EQ(rig.check(cdb6(op::ModeSense6, 0, 0x02, 255), {}, 255), "5/24/00");
}

TEST(ModePage, SelectValidatesAndSaves) {
    Rig rig;
    const auto before = rig.drive().modePage().current();
    auto list = rig.recoveryPage(before[0]);
    list[8] ^= 0x10; // correction span
    const auto r = rig.modeSelect(list);
    EXPECT_EQ(verdict(r), "5/26/00");
    EXPECT_EQ(Bytes(r.outcome.sense.begin() + 15, r.outcome.sense.end()), (Bytes{0x8C, 0, 8}));
    list = rig.recoveryPage(before[0] | FlagDCR);
    EXPECT_EQ(rig.check(cdb6(op::ModeSelect6, 0, 0, 16), list), "5/24/00"); // no PF
    EXPECT_EQ(verdict(rig.modeSelect(Bytes(list.begin(), list.begin() + 7))), "5/1A/00");
    Bytes withDescriptor{0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0x04, 0x00}; // 1024-byte blocks
    withDescriptor.insert(withDescriptor.end(), list.begin() + 4, list.end());
    EXPECT_EQ(verdict(rig.modeSelect(withDescriptor)), "5/26/00");
    EXPECT_EQ(rig.drive().modePage().current(), before); // nothing applied
    withDescriptor[10] = 0x02;
    ASSERT_EQ(verdict(rig.modeSelect(withDescriptor)), "good");
    rig.drive().powerOn(); // not saved: the saved values come back
    EXPECT_EQ(rig.drive().modePage().current(), before);
    rig.tur();
    ASSERT_EQ(verdict(rig.modeSelect(list, true)), "good");
    rig.drive().powerOn();
    rig.tur();
    EXPECT_EQ(rig.modeSense(0)[14], before[0] | FlagDCR);
    EXPECT_EQ(rig.modeSense(3)[14], before[0] | FlagDCR);

    DriveConfig fixedPages;
    fixedPages.canSavePages = false;
    Rig noSave(fixedPages);
    EXPECT_EQ(verdict(noSave.modeSelect(list, true)), "5/39/00");
    EXPECT_EQ(noSave.check(cdb6(op::ModeSense6, 0, 0xC1, 255), {}, 255), "5/39/00");
    EXPECT_EQ(noSave.modeSense(0)[12], 0x01); // no PS
    EXPECT_EQ(verdict(noSave.modeSelect(list)), "good");
}

TEST(DefectData, BlockAndPhysicalFormatWithWholeLengthInHeader) {
    Rig rig;
    const auto lists = rig.drive().defectLists();
    ASSERT_TRUE(!lists.primary.empty() && !lists.grown.empty());
    auto all = lists.primary;
    all.insert(all.end(), lists.grown.begin(), lists.grown.end());
    std::sort(all.begin(), all.end());
    const auto defects = [&rig](std::uint8_t request, std::uint16_t allocation = 0xFFFF) {
        return rig.run(cdb10(op::ReadDefectData10, std::uint32_t{request} << 24, allocation), {},
                       0xFFFF);
    };

    auto r = defects(0x18);
    ASSERT_EQ(r.data.size(), 4 + 4 * all.size());
    EXPECT_EQ(r.data[1], 0x18);
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(be32(r.data, 4 + 4 * i), all[i]);
    }
    EXPECT_EQ(be32(defects(0x10).data, 0), 0x00100000 + 4 * lists.primary.size());
    EXPECT_EQ(be32(defects(0x08).data, 4), lists.grown[0]);
    r = defects(0x18, 10); // cut short: the header still tells the whole length
    EXPECT_EQ(r.data.size(), 10u);
    EXPECT_EQ(be32(r.data, 0), 0x00180000 + 4 * all.size());

    const std::uint32_t perTrack = findMediaProfile("mo230")->sectorsPerTrack();
    r = defects(0x1D);
    ASSERT_EQ(r.data.size(), 4 + 8 * all.size());
    EXPECT_EQ(r.data[1], 0x1D);
    for (std::size_t i = 0; i < all.size(); ++i) {
        const auto cylinder = be32(r.data, 4 + 8 * i) >> 8, sector = be32(r.data, 8 + 8 * i);
        EXPECT_EQ(r.data[4 + 8 * i + 3], 0); // head
        EXPECT_LT(sector, perTrack);
        EXPECT_EQ(cylinder * perTrack + sector, all[i]);
    }
    r = defects(0x1C); // bytes from index: not kept, block format instead
    EXPECT_EQ(verdict(r), "1/1C/00");
    EXPECT_EQ(r.data[1], 0x18);
}

// A track whose every sector is a defect is one physical entry with sector
// FFFFFFFFh (the last track, shorter than the others, too); a drive that
// keeps its lists in bytes from index format answers every request in it.
TEST(DefectData, WholeTracksAndBytesFromIndex) {
    const MediaProfile& mo230 = *findMediaProfile("mo230");
    const std::uint32_t perTrack = mo230.sectorsPerTrack();
    const std::uint32_t lastTrack = mo230.trackOf(mo230.lastLba);
    const std::uint32_t lastTrackStart = lastTrack * perTrack;
    DriveConfig config;
    for (const bool index : {false, true}) {
        config.indexDefects = index;
        Rig rig(config);
        const std::size_t factory = rig.drive().defectLists().grown.size();
        rig.drive().addGrownDefects(2 * perTrack, perTrack);
        rig.drive().addGrownDefects(3 * perTrack + 1, perTrack - 1); // all but sector 0
        rig.drive().addGrownDefects(lastTrackStart, mo230.lastLba - lastTrackStart + 1);
        const auto r = rig.run(cdb10(op::ReadDefectData10, 0x0D000000, 0xFFFF), {}, 0xFFFF);
        ASSERT_EQ(verdict(r), "good");
        EXPECT_EQ(r.data[1], index ? 0x0C : 0x0D);
        ASSERT_EQ(be32(r.data, 0) & 0xFFFF, 8 * (factory + 1 + (perTrack - 1) + 1));
        const auto entryAt = [&](std::uint32_t track) {
            for (std::size_t at = 4; at < r.data.size(); at += 8) {
                if (be32(r.data, at) >> 8 == track) {
                    return at;
                }
            }
            return std::size_t{0};
        };
        EXPECT_EQ(be32(r.data, entryAt(2) + 4), 0xFFFFFFFFu);
        EXPECT_EQ(be32(r.data, entryAt(3) + 4), index ? mo230.longBlockSize() : 1u);
        EXPECT_EQ(be32(r.data, entryAt(lastTrack) + 4), 0xFFFFFFFFu);
        EXPECT_EQ(verdict(rig.run(cdb10(op::ReadDefectData10, 0x10000000, 0xFFFF), {}, 0xFFFF)),
                  "good");
    }
    EXPECT_THROW(Rig().drive().addGrownDefects(mo230.lastLba, 2), std::invalid_argument);
}

TEST(FormatUnit, ErasesAndRebuildsTheGrownList) {
    Rig rig;
    const auto before = rig.drive().defectLists();
    rig.write(100, pattern(4 * 512, 7));
    rig.drive().addBurst({.lba = 300, .offset = 0, .length = 60}); // beyond correction
    rig.drive().addBurst({.lba = 301, .offset = 0, .length = 10}); // correctable
    const auto full = rig.format(0);
    ASSERT_EQ(verdict(full), "good");
    EXPECT_EQ(rig.read(100, 4).data, Bytes(4 * 512, 0));
    auto expected = before.grown;
    expected.insert(std::upper_bound(expected.begin(), expected.end(), 300u), 300u);
    EXPECT_EQ(rig.drive().defectLists().grown, expected); // certified

    // FmtData, CmpLst, physical sector format; FOV and DCRT, empty list.
    rig.write(100, pattern(512, 8));
    const auto quick = rig.format(0x1D, {0, 0xA0, 0, 0, 0, 0, 0, 0, 0, 0});
    ASSERT_EQ(verdict(quick), "good");
    EXPECT_TRUE(rig.drive().defectLists().grown.empty()); // not certified back in
    EXPECT_EQ(rig.drive().defectLists().primary, before.primary);
    EXPECT_EQ(rig.read(100, 1).data, Bytes(512, 0));
    const double ratio = static_cast<double>(quick.outcome.duration.count()) /
                         static_cast<double>(full.outcome.duration.count());
    EXPECT_NEAR(ratio, 0.5, 0.02); // one pass instead of two

    // Added to the grown list: sector 3 of cylinder 2 and all of cylinder 5.
    const Bytes list{0, 0xA0, 0, 16, 0, 0, 2, 0, 0, 0, 0, 3, 0, 0, 5, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    ASSERT_EQ(verdict(rig.format(0x15, list)), "good");
    const std::uint32_t perTrack = findMediaProfile("mo230")->sectorsPerTrack();
    const auto grown = rig.drive().defectLists().grown;
    ASSERT_EQ(grown.size(), 1 + perTrack);
    EXPECT_EQ(grown[0], 2 * perTrack + 3);
    EXPECT_EQ(grown[1], 5 * perTrack);
    EXPECT_EQ(grown.back(), 6 * perTrack - 1);
    EXPECT_EQ(verdict(rig.format(0x10, {0, 0, 0, 4, 0xFF, 0, 0, 0})), "5/26/00"); // beyond end
    EXPECT_EQ(verdict(rig.format(0x10, {0, 0x20, 0, 0})), "5/26/00"); // DCRT without FOV
    EXPECT_EQ(rig.drive().defectLists().grown, grown);
}

TEST(FormatUnit, OtherCommandsAreNotReadyWhileItRuns) {
    Rig rig;
    const auto r = rig.format(0x10, {0, 0x02, 0, 0}); // Immed
    ASSERT_EQ(verdict(r), "good");
    EXPECT_LT(r.outcome.duration, 1s);
    EXPECT_EQ(verdict(rig.read(0, 1)), "2/04/04");
    EXPECT_EQ(rig.inquiry(), "good");
    const auto progress = [&rig] {
        const auto s = rig.sense();
        EXPECT_EQ(Bytes(s.begin() + 12, s.begin() + 16), (Bytes{0x04, 0x04, 0, 0x80}));
        return s[16] << 8 | s[17];
    };
    EXPECT_LT(progress(), 0x0100);
    rig.drive().advanceTime(190s); // half of a certified mo230 format (2 x 11400 turns)
    EXPECT_NEAR(progress(), 0x8000, 0x0400);
    rig.drive().advanceTime(200s);
    EXPECT_EQ(rig.tur(), "good");

    // Without Immed, a command that arrives during the format is refused.
    const Nanos start = rig.drive().now();
    ASSERT_EQ(rig.check(cdb6(op::FormatUnit), {}, 0, start), "good");
    EXPECT_EQ(rig.tur(start + 10s), "2/04/04");
    EXPECT_EQ(rig.tur(), "good"); // after it ended

    rig.format(0x10, {0, 0x02, 0, 0});
    rig.drive().ejectMedium(); // by hand: the format ends with it
    EXPECT_EQ(rig.tur(), "2/3A/00");
    rig.drive().insertMedium(Medium::named("mo230"));
    EXPECT_EQ(rig.tur(), "6/28/00");
    EXPECT_EQ(rig.tur(), "good");
}

TEST(WriteProtect, RefusesEveryWrite) {
    Rig rig;
    const auto data = pattern(512, 9);
    rig.write(1, data);
    rig.drive().setWriteProtected(true);
    EXPECT_EQ(verdict(rig.write(1, Bytes(512, 0))), "7/27/00");
    EXPECT_EQ(rig.check(cdb10(op::WriteAndVerify10, 1, 1), Bytes(512, 0)), "7/27/00");
    EXPECT_EQ(verdict(rig.writeLong(1, Bytes(600, 0))), "7/27/00");
    EXPECT_EQ(verdict(rig.format(0)), "7/27/00");
    EXPECT_EQ(rig.read(1, 1).data, data);
    rig.drive().setWriteProtected(false);
    EXPECT_EQ(verdict(rig.write(1, Bytes(512, 0))), "good");
}

TEST(Commands, UnknownAndMalformedAreRefused) {
    Rig rig;
    EXPECT_EQ(rig.check({}), "5/20/00");
    EXPECT_EQ(rig.check(cdb6(0x08)), "5/20/00"); // READ(6)
    EXPECT_EQ(rig.check(cdb10(0xA8, 0, 1), {}, 512), "5/20/00");
    EXPECT_EQ(rig.check(cdb6(op::TestUnitReady, 0xE0)), "good");    // LUN bits of SCSI-2
    const auto r = rig.run(cdb10(op::Read10, 0, 1, 0x01), {}, 512); // RelAdr
    EXPECT_EQ(verdict(r), "5/24/00");
    EXPECT_EQ(Bytes(r.outcome.sense.begin() + 15, r.outcome.sense.end()), (Bytes{0xC8, 0, 1}));
    auto linked = cdb10(op::Read10, 0, 1);
    linked[9] = 0x01;
    EXPECT_EQ(rig.check(linked, {}, 512), "5/24/00");
    EXPECT_EQ(rig.check({op::Read10, 0, 0, 0, 0, 0}, {}, 512), "5/24/00"); // short
}

TEST(Commands, SurviveArbitraryCdbs) {
    const Bytes out = pattern(4096, 10);
    for (unsigned opcode = 0; opcode < 256; ++opcode) {
        Rig rig(withMedia({"mo128"}));
        const std::size_t length = std::max<std::size_t>(cdbLengthOf(u8(opcode)), 6);
        std::vector<Bytes> cdbs{Bytes(length, 0), Bytes(length, 0xFF), Bytes(length, 0)};
        cdbs[2][length == 6 ? 4 : 7] = 0xFF; // lengths 0 and 255 / 65535
        cdbs[2][length == 6 ? 4 : 8] = 0xFF;
        for (std::size_t cut = 1; cut < length; cut += 3) {
            cdbs.emplace_back(cdbs[2].begin(), cdbs[2].begin() + static_cast<long>(cut));
        }
        for (auto& cdb : cdbs) {
            cdb[0] = u8(opcode);
            for (const std::size_t size : {0, 17, 4096}) {
                const auto r = rig.run(cdb, Bytes(out.begin(), out.begin() + long(size)), size);
                EXPECT_TRUE(r.outcome.status == status::Good ||
                            r.outcome.status == status::CheckCondition)
                    << opcode;
                EXPECT_LE(r.outcome.dataInLength, size);
            }
        }
    }
}

TEST(Faults, EveryKindByOpcodeRangeSkipAndCount) {
    Rig rig;
    rig.drive().addFault({op::Read10, 100, 199, 1, 2, FaultKind::CheckCondition, 0x3, 0x11, 0x04});
    EXPECT_EQ(verdict(rig.read(0, 1)), "good");
    EXPECT_EQ(verdict(rig.read(150, 1)), "good"); // skipped
    const auto r = rig.read(90, 20);
    EXPECT_EQ(verdict(r), "3/11/04");
    EXPECT_EQ(info(r), 100u); // the first block the rule covers
    EXPECT_EQ(verdict(rig.write(150, Bytes(512, 1))), "good");
    EXPECT_EQ(info(rig.read(199, 1)), 199u);
    EXPECT_EQ(rig.read(150, 1).data, Bytes(512, 1)); // count used up

    // Any command touching block 7, for ever.
    rig.drive().addFault({{}, 7, 7, 0, 0, FaultKind::CheckCondition, 0x4, 0x44, 0});
    EXPECT_EQ(rig.tur(), "good"); // addresses no block
    EXPECT_EQ(rig.check(cdb10(op::Seek10, 7, 0)), "4/44/00");
    EXPECT_EQ(verdict(rig.readLong(7, 600)), "4/44/00");
    EXPECT_EQ(verdict(rig.readLong(7, 600)), "4/44/00");
    rig.drive().clearFaults();

    rig.drive().addFault({op::Write10, 0, UINT32_MAX, 0, 1, FaultKind::Busy, 0, 0, 0});
    EXPECT_EQ(verdict(rig.write(3, Bytes(512, 2))), "status 08");
    EXPECT_EQ(rig.read(3, 1).data, Bytes(512, 0)); // not executed
    rig.drive().addFault({{}, 0, UINT32_MAX, 0, 1, FaultKind::ReservationConflict, 0, 0, 0});
    EXPECT_EQ(rig.tur(), "status 18");
    rig.drive().addFault({{}, 0, UINT32_MAX, 0, 1, FaultKind::Hang, 0, 0, 0});
    const Nanos before = rig.drive().now();
    EXPECT_TRUE(rig.run(cdb6(op::Inquiry, 0, 0, 36), {}, 36).outcome.hang);
    EXPECT_EQ(rig.drive().now(), before);
}

TEST(Timing, SeeksRotationAndFormatDuration) {
    Rig rig; // mo230: 11400 tracks, 3600 rpm
    const auto& profile = *findMediaProfile("mo230");
    const std::uint32_t perTrack = profile.sectorsPerTrack();
    const Nanos overhead = rig.run(cdb6(op::TestUnitReady)).outcome.duration;
    const auto ms = [&](const Reply& r) {
        return std::chrono::duration<double, std::milli>(r.outcome.duration - overhead).count();
    };
    const auto seekFromZero = [&](std::uint32_t lba) {
        rig.run(cdb10(op::Seek10, 0, 0));
        return ms(rig.run(cdb10(op::Seek10, lba, 0)));
    };
    EXPECT_NEAR(seekFromZero(perTrack), 3.0, 0.001); // one track: settling alone
    EXPECT_NEAR(seekFromZero(profile.lastLba), 40.0, 0.001);
    const double near = seekFromZero(1000 * perTrack) - 3.0;
    const double far = seekFromZero(4000 * perTrack) - 3.0;
    EXPECT_NEAR(far / near, 2.0, 0.1); // four times the distance, twice the travel

    // A random access waits half a turn on average; a sequential one does not.
    rig.run(cdb10(op::Seek10, 0, 0));
    EXPECT_NEAR(ms(rig.read(0, 1)), 1000.0 / 60 * (0.5 + 1.0 / perTrack), 0.05);
    EXPECT_NEAR(ms(rig.read(1, perTrack)), 1000.0 / 60, 0.05);
    EXPECT_NEAR(ms(rig.format(0)) / 1000, 2 * 11400 / 60.0, 1.0); // two passes, in seconds
}

TEST(SimTarget, RoutesByLunAndTracesEachCommand) {
    Rig rig;
    rig.target().setTracing(true);
    const auto absent = rig.run(cdb6(op::Inquiry, 0, 0, 36), {}, 36, {}, 5);
    ASSERT_EQ(absent.data.size(), 36u);
    EXPECT_EQ(absent.data[0], 0x7F);
    EXPECT_EQ(rig.check(cdb6(op::TestUnitReady), {}, 0, {}, 5), "5/25/00");
    rig.target().addLun(1, withMedia({"mo640"}));
    EXPECT_EQ(rig.check(cdb6(op::TestUnitReady), {}, 0, {}, 1), "6/29/00");

    const auto data = pattern(1024, 11);
    rig.write(7, data);
    const auto trace = rig.target().trace();
    ASSERT_EQ(trace.size(), 4u);
    EXPECT_EQ(trace[0].lun, 5);
    EXPECT_EQ(trace[0].cdb, cdb6(op::Inquiry, 0, 0, 36));
    EXPECT_EQ(trace[3].lun, 0);
    EXPECT_EQ(trace[3].cdb, cdb10(op::Write10, 7, 2));
    EXPECT_EQ(trace[3].dataOut, data);
    rig.target().clearTrace();
    EXPECT_TRUE(rig.target().trace().empty());
}
