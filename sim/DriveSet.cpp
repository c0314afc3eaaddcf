#include "DriveSet.h"

#include "DecimalText.h"

#include <charconv>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace quillon::sim {

namespace {

constexpr std::uint8_t AdapterId = 7;

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const auto end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos) {
            return parts;
        }
        start = end + 1;
    }
}

[[noreturn]] void refuse(std::string_view unit, const std::string& why) {
    throw std::invalid_argument("simulated drive \"" + std::string(unit) + "\": " + why);
}

unsigned number(std::string_view unit, std::string_view text, unsigned max, const char* what) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty() || value > max) {
        refuse(unit, std::string(what) + " must be a number from 0 to " + std::to_string(max));
    }
    return value;
}

unsigned hexNumber(std::string_view unit, std::string_view text, unsigned max, const char* what) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty() || value > max) {
        refuse(unit, std::string(what) + " must be hexadecimal, at most " + std::to_string(max));
    }
    return value;
}

// fail=OP-ANSWER: every command with operation code OP (hexadecimal) is
// answered BUSY (busy), RESERVATION CONFLICT (conflict), never (hang) or
// CHECK CONDITION with the sense KEY.ASC.ASCQ (hexadecimal).
FaultRule parseFault(std::string_view unit, std::string_view value) {
    const auto dash = value.find('-');
    if (dash == std::string_view::npos) {
        refuse(unit, "fail needs OP-ANSWER, e.g. fail=1b-busy or fail=28-3.11.0");
    }
    FaultRule rule;
    rule.opcode = static_cast<std::uint8_t>(hexNumber(unit, value.substr(0, dash), 255, "OP"));
    rule.count = 0;
    const auto answer = value.substr(dash + 1);
    if (answer == "busy") {
        rule.kind = FaultKind::Busy;
    } else if (answer == "conflict") {
        rule.kind = FaultKind::ReservationConflict;
    } else if (answer == "hang") {
        rule.kind = FaultKind::Hang;
    } else {
        const auto sense = split(answer, '.');
        if (sense.size() != 3) {
            refuse(unit, "fail's answer is busy, conflict, hang or KEY.ASC.ASCQ");
        }
        rule.senseKey = static_cast<std::uint8_t>(hexNumber(unit, sense[0], 15, "the sense key"));
        rule.asc = static_cast<std::uint8_t>(hexNumber(unit, sense[1], 255, "the ASC"));
        rule.ascq = static_cast<std::uint8_t>(hexNumber(unit, sense[2], 255, "the ASCQ"));
    }
    return rule;
}

// One logical unit: its address, how it is built, and the failures it
// injects.
struct UnitDescription {
    std::uint8_t target = 0;
    std::uint8_t lun = 0;
    DriveConfig config;
    bool fixedPage = false;
    bool fixedDcr = false;
    bool attentionPending = false;
    std::vector<FaultRule> faults;
    std::vector<BurstDefect> bursts;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> grownRuns; // first block, count
};

// burst=LBA.OFFSET.LENGTH (decimal): LENGTH raw bytes from OFFSET of the
// long sector LBA read back wrong.
BurstDefect parseBurst(std::string_view unit, std::string_view value) {
    const auto fields = split(value, '.');
    if (fields.size() != 3) {
        refuse(unit, "burst needs LBA.OFFSET.LENGTH, e.g. burst=300.10.20");
    }
    const BurstDefect burst{number(unit, fields[0], UINT32_MAX, "the burst's LBA"),
                            number(unit, fields[1], 4095, "the burst's offset"),
                            number(unit, fields[2], 4096, "the burst's length")};
    if (burst.length == 0) {
        refuse(unit, "the burst's length must be from 1 to 4096");
    }
    return burst;
}

// grown=LBA.COUNT (decimal): COUNT blocks from LBA join the grown defect list.
std::pair<std::uint32_t, std::uint32_t> parseGrownRun(std::string_view unit,
                                                      std::string_view value) {
    const auto fields = split(value, '.');
    if (fields.size() != 2) {
        refuse(unit, "grown needs LBA.COUNT, e.g. grown=400.40");
    }
    return {number(unit, fields[0], UINT32_MAX, "the grown defects' LBA"),
            number(unit, fields[1], UINT32_MAX, "the grown defects' count")};
}

void applyOption(std::string_view unit, std::string_view option, UnitDescription& d) {
    const auto equals = option.find('=');
    const auto name = option.substr(0, equals);
    const auto value =
        equals == std::string_view::npos ? std::string_view{} : option.substr(equals + 1);
    if (option == "wp") {
        d.config.protectedMedia.push_back(0);
    } else if (name == "wp" && !value.empty()) {
        const unsigned place = number(unit, value, 64, "wp's cartridge");
        if (place == 0 || place > d.config.media.size()) {
            refuse(unit, "wp=N names a cartridge of the list, 1 to " +
                             std::to_string(d.config.media.size()));
        }
        d.config.protectedMedia.push_back(place - 1);
    } else if (option == "legacy-sense") {
        d.config.legacySense = true;
    } else if (option == "no-save") {
        d.config.canSavePages = false;
    } else if (option == "fixed-page") {
        d.fixedPage = true;
    } else if (option == "no-dcr") {
        d.fixedDcr = true;
    } else if (option == "index-defects") {
        d.config.indexDefects = true;
    } else if (option == "ua") {
        d.attentionPending = true;
    } else if (option == "no-ua") {
        d.attentionPending = false;
    } else if (name == "seed" && !value.empty()) {
        d.config.seed = number(unit, value, UINT32_MAX, "seed");
    } else if (name == "error-rate" && !value.empty()) {
        const std::optional<double> rate = decimalIn(value, 0, 1);
        if (!rate) {
            refuse(unit, "error-rate must be a number from 0 to 1");
        }
        d.config.byteErrorRate = *rate;
    } else if (name == "fail") {
        d.faults.push_back(parseFault(unit, value));
    } else if (name == "burst") {
        d.bursts.push_back(parseBurst(unit, value));
    } else if (name == "grown") {
        d.grownRuns.push_back(parseGrownRun(unit, value));
    } else if (name == "image") {
        if (value.empty()) {
            refuse(unit, "image needs a file, e.g. image=/tmp/mo230.img");
        }
        d.config.image = value;
    } else {
        refuse(unit, "unknown option \"" + std::string(option) + "\"");
    }
}

// A TEST UNIT READY takes the pending unit attention.
void takeUnitAttention(SimDrive& drive) {
    const std::uint8_t testUnitReady[6]{};
    drive.execute({testUnitReady, {}, {}, std::nullopt});
}

// What the options set on a drive once it is built.
void configure(SimDrive& drive, const UnitDescription& d) {
    if (d.fixedPage) {
        drive.setModePage(drive.modePage().current(), {});
    }
    if (d.fixedDcr) {
        auto changeable = drive.modePage().changeable();
        changeable[0] &= static_cast<std::uint8_t>(~ErrorRecoveryPage::DCR);
        drive.setModePage(drive.modePage().current(), changeable);
    }
    if (!d.attentionPending) {
        takeUnitAttention(drive);
    }
    for (const FaultRule& rule : d.faults) {
        drive.addFault(rule);
    }
    for (const BurstDefect& burst : d.bursts) {
        drive.addBurst(burst);
    }
    for (const auto& [first, count] : d.grownRuns) {
        drive.addGrownDefects(first, count);
    }
}

UnitDescription parseUnit(std::string_view unit) {
    const auto equals = unit.find('=');
    if (equals == std::string_view::npos) {
        refuse(unit, "expected ID=MEDIUM");
    }
    UnitDescription d;
    const auto address = split(unit.substr(0, equals), '.');
    if (address.size() > 2) {
        refuse(unit, "expected ID or ID.LUN before '='");
    }
    d.target = static_cast<std::uint8_t>(number(unit, address[0], 7, "the target ID"));
    if (d.target == AdapterId) {
        refuse(unit, "target ID 7 is the adapter's own");
    }
    if (address.size() == 2) {
        d.lun = static_cast<std::uint8_t>(number(unit, address[1], 7, "the LUN"));
    }
    const auto fields = split(unit.substr(equals + 1), ':');
    d.config.media.clear();
    for (const auto medium : split(fields[0], '+')) {
        if (findMediaProfile(medium) == nullptr) {
            refuse(unit, "unknown medium \"" + std::string(medium) +
                             "\" (known: " + mediaProfileNames() + ")");
        }
        d.config.media.emplace_back(medium);
    }
    for (std::size_t i = 1; i < fields.size(); ++i) {
        applyOption(unit, fields[i], d);
    }
    return d;
}

} // namespace

DriveSet defaultDriveSet() {
    return parseDriveSet("2=mo230:seed=2,4=mo640:seed=4,5=disk:seed=5");
}

// Every unit is read and its address checked before any is built, so that
// a description refused anywhere leaves no image file behind; a unit refused
// while it is built or configured is named.
DriveSet parseDriveSet(std::string_view text) {
    std::vector<std::pair<std::string_view, UnitDescription>> units;
    std::map<std::uint8_t, std::set<std::uint8_t>> luns;
    for (const auto unit : split(text, ',')) {
        auto d = parseUnit(unit);
        auto& ofTarget = luns[d.target];
        if (d.lun == 0 && !ofTarget.empty()) {
            refuse(unit, "target ID " + std::to_string(d.target) + " is given twice");
        }
        if (d.lun != 0 && (ofTarget.empty() || ofTarget.contains(d.lun))) {
            refuse(unit, "each LUN once, after LUN 0 of its target");
        }
        ofTarget.insert(d.lun);
        units.emplace_back(unit, std::move(d));
    }
    DriveSet set;
    for (const auto& [unit, d] : units) {
        try {
            if (d.lun == 0) {
                auto target = std::make_unique<SimTarget>(d.config);
                configure(*target->lun(0), d);
                set.emplace(d.target, std::move(target));
            } else {
                configure(set.at(d.target)->addLun(d.lun, d.config), d);
            }
        } catch (const std::invalid_argument& error) {
            refuse(unit, error.what());
        }
    }
    return set;
}

std::string mediaProfileNames() {
    std::string names;
    for (const auto& profile : allMediaProfiles()) {
        names += (names.empty() ? "" : ", ") + std::string(profile.name);
    }
    return names;
}

} // namespace quillon::sim
