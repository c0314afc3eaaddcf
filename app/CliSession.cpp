#include "CliSession.h"

#include "CliBitErrorRate.h"
#include "CliModePage.h"
#include "CliOptions.h"
#include "CliSeekTest.h"
#include "console/FormatText.h"
#include "drive/SenseReport.h"
#include "scsicore/ScsiConstants.h"

#include <charconv>
#include <climits>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace quillon::app {

namespace {

using console::formatText;

unsigned parseNumber(std::string_view text, unsigned max, const std::string& what) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || value > max) {
        throw UsageError(what);
    }
    return value;
}

std::vector<std::uint8_t> parseHex(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    std::string digits;
    for (const char c : text) {
        if (c == ' ') {
            continue;
        }
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            throw UsageError("the CDB must be hexadecimal digits");
        }
        digits += c;
    }
    if (digits.size() % 2 != 0) {
        throw UsageError("the CDB needs an even number of hexadecimal digits");
    }
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

std::string yesNo(bool value) {
    return value ? "yes" : "no";
}

} // namespace

DeviceAddress parseDeviceAddress(const std::string& text) {
    const auto first = text.find(':');
    const auto second = text.find(':', first == std::string::npos ? first : first + 1);
    const std::string problem = "\"" + text + "\" is not a device address H:T:L";
    if (first == std::string::npos || second == std::string::npos) {
        throw UsageError(problem);
    }
    const std::string_view view(text);
    return {static_cast<std::uint8_t>(parseNumber(view.substr(0, first), 255, problem)),
            static_cast<std::uint8_t>(
                parseNumber(view.substr(first + 1, second - first - 1), 255, problem)),
            static_cast<std::uint8_t>(parseNumber(view.substr(second + 1), 255, problem))};
}

bool CliSession::NeedsGraphics(const std::vector<std::string>& words) {
    return !words.empty() && (words[0] == "ber" || words[0] == "safe-ber" || words[0] == "seek");
}

double CliSession::DefaultTimeScale(const std::vector<std::string>& words) {
    return !words.empty() && words[0] == "seek" ? 1 : 0;
}

int CliSession::run(const std::vector<std::string>& words) {
    if (words.empty()) {
        throw UsageError("no command given");
    }
    const auto& command = words[0];
    if (command == "scan" && (words.size() == 1 || (words.size() == 2 && words[1] == "--all"))) {
        return scan(words.size() == 2);
    }
    const bool addressed = command == "inquiry" || command == "capacity" || command == "sense" ||
                           command == "target-info" || command == "eject" ||
                           command == "disk-capacity";
    if (addressed && words.size() == 2) {
        const auto at = parseDeviceAddress(words[1]);
        return command == "inquiry"    ? inquiry(at)
               : command == "capacity" ? capacity(at)
               : command == "sense"    ? sense(at)
                                       : operation(command, at);
    }
    if ((command == "ber" || command == "safe-ber") && words.size() >= 2) {
        const auto runTest = command == "ber" ? RunBitErrorRate : RunSafeBitErrorRate;
        return runTest(
            operations_, parseDeviceAddress(words[1]),
            CommandOptions(words, 2, {"--start", "--end", "--skip", "--map", "--report"}));
    }
    if (command == "seek" && words.size() >= 2) {
        return RunSeekTest(
            operations_, parseDeviceAddress(words[1]),
            CommandOptions(words, 2, {"--max-lba", "--max-time", "--count", "--plot", "--csv"}),
            out_);
    }
    if (command == "mode-sense" && words.size() == 2) {
        return RunModeSense(operations_, parseDeviceAddress(words[1]), out_);
    }
    if (command == "mode-select" && words.size() >= 2) {
        return RunModeSelect(operations_, parseDeviceAddress(words[1]),
                             CommandOptions(words, 2, {"--set"}, {"--set"}), out_);
    }
    if (command == "raw" && words.size() >= 3) {
        return raw(parseDeviceAddress(words[1]), {words.begin() + 2, words.end()});
    }
    throw UsageError("unknown command or wrong operands: " + command);
}

int CliSession::scan(bool allDevices) {
    out_ << "H:T:L    Type  Vendor    Product           Rev   Removable\n";
    const auto devices = operations_.ScanDevices(allDevices);
    for (const drive::TDeviceInfo& info : devices) {
        out_ << formatText("%-8s %02Xh   %-8s  %-16s  %-4s  %s\n",
                           formatText("%u:%u:%u", info.HA, info.Target, info.LUN).c_str(),
                           static_cast<unsigned>(info.DeviceType), info.Vendor.c_str(),
                           info.Product.c_str(), info.Revision.c_str(),
                           yesNo(info.Removable).c_str());
    }
    if (devices.empty()) {
        out_ << "No devices found.\n";
    }
    return 0;
}

int CliSession::operation(const std::string& command, DeviceAddress at) {
    const bool succeeded = command == "target-info" ? operations_.TargetInfo(at)
                           : command == "eject"     ? operations_.Eject(at)
                                                    : operations_.DiskCapacity(at);
    return succeeded ? 0 : 1;
}

int CliSession::inquiry(const DeviceAddress& at) {
    drive::TDeviceInfo info;
    drive_.Inquiry(at.HA, at.Target, at.LUN, info);
    const std::pair<const char*, bool> flags[] = {{"Removable", info.Removable},
                                                  {"AsyncEvent", info.AsyncEvent},
                                                  {"TerminateIO", info.TerminateIO},
                                                  {"RelativeAddress", info.RelativeAddress},
                                                  {"Wide32", info.Wide32},
                                                  {"Wide16", info.Wide16},
                                                  {"Sync", info.Sync},
                                                  {"Linked", info.Linked},
                                                  {"CommandQueue", info.CommandQueue},
                                                  {"SoftReset", info.SoftReset}};
    out_ << formatText("%-16s %u\n", "Qualifier", static_cast<unsigned>(info.Qualifier))
         << formatText("%-16s %u\n", "DeviceType", static_cast<unsigned>(info.DeviceType))
         << formatText("%-16s %u\n", "ScsiLevel", static_cast<unsigned>(info.ScsiLevel));
    for (const auto& [name, value] : flags) {
        out_ << formatText("%-16s %s\n", name, yesNo(value).c_str());
    }
    out_ << formatText("%-16s \"%s\"\n", "Vendor", info.Vendor.c_str())
         << formatText("%-16s \"%s\"\n", "Product", info.Product.c_str())
         << formatText("%-16s \"%s\"\n", "Revision", info.Revision.c_str());
    return info.Qualifier == 0 ? 0 : 1;
}

int CliSession::capacity(const DeviceAddress& at) {
    const int status = drive_.Capacity(at.HA, at.Target, at.LUN);
    if (status != 0) {
        printStatus(true, static_cast<std::uint8_t>(status), 0);
        if (status == scsicore::status::CheckCondition) {
            sense(at);
        }
        return 1;
    }
    const std::int32_t lastBlock = drive::TMODrive::LastBlockLBA;
    out_ << formatText("%-16s %d (%Xh)\n", "LastBlockLBA", lastBlock, lastBlock)
         << formatText("%-16s %d\n", "BlockSize", drive::TMODrive::BlockSize.load())
         << formatText("%-16s %d\n", "LongBlockSize", drive::TMODrive::LongBlockSize.load());
    return 0;
}

int CliSession::sense(const DeviceAddress& at) {
    constexpr std::int32_t Untouched = INT32_MIN;
    std::int32_t key = Untouched;
    std::int32_t asc = 0;
    std::int32_t ascq = 0;
    std::int32_t lba = -1;
    drive_.RequestSense(at.HA, at.Target, at.LUN, key, asc, ascq, lba);
    if (key == Untouched) {
        out_ << "No sense data: REQUEST SENSE failed or answered in an unknown format.\n";
        return 1;
    }
    printSense(key, asc, ascq, lba);
    return 0;
}

int CliSession::raw(const DeviceAddress& at, const std::vector<std::string>& operands) {
    std::string cdbText;
    std::vector<std::uint8_t> data;
    bool in = false;
    for (std::size_t i = 0; i < operands.size(); ++i) {
        if ((operands[i] == "--in" || operands[i] == "--out") && i + 1 < operands.size() &&
            data.empty() && !in) {
            if (operands[i] == "--in") {
                data.resize(parseNumber(operands[++i], 1u << 24, "--in needs a byte count"));
                in = true;
            } else {
                std::ifstream file(operands[++i], std::ios::binary);
                if (!file) {
                    throw UsageError("cannot read " + operands[i]);
                }
                data.assign(std::istreambuf_iterator<char>(file), {});
            }
        } else {
            cdbText += operands[i];
        }
    }
    const auto cdb = parseHex(cdbText);
    if (cdb.size() != 6 && cdb.size() != 10 && cdb.size() != 12 && cdb.size() != 16) {
        throw UsageError("a CDB has 6, 10, 12 or 16 bytes");
    }
    auto srb = scsi::TSRB_ExecSCSICmd::For(at.HA, at.Target, at.LUN, cdb,
                                           data.empty() ? nullptr : data.data(),
                                           static_cast<std::uint32_t>(data.size()));
    const bool ok = drive_.ExecSCSICommand(srb);
    printStatus(ok || srb.SRB_TargStat != 0, srb.SRB_TargStat, srb.SRB_HaStat);
    if (srb.SRB_TargStat == scsicore::status::CheckCondition) {
        std::int32_t key = 0;
        std::int32_t asc = 0;
        std::int32_t ascq = 0;
        std::int32_t lba = -1;
        if (drive::TMODrive::DecodeSense(srb.SenseArea, key, asc, ascq, lba) != 255 || key == -1) {
            printSense(key, asc, ascq, lba);
        }
    }
    for (std::size_t row = 0; in && row < data.size(); row += 16) {
        out_ << formatText("%04zX ", row);
        for (std::size_t i = row; i < row + 16 && i < data.size(); ++i) {
            out_ << formatText(" %02X", data[i]);
        }
        out_ << '\n';
    }
    return ok ? 0 : 1;
}

void CliSession::printStatus(bool answered, std::uint8_t status, std::uint8_t hostStatus) {
    if (!answered) {
        out_ << "Status           none: no target answered\n";
    } else {
        out_ << formatText("Status           %02Xh %s\n", status, scsicore::status::nameOf(status));
    }
    if (hostStatus != 0) {
        out_ << formatText("Host status      %02Xh\n", hostStatus);
    }
}

void CliSession::printSense(std::int32_t key, std::int32_t asc, std::int32_t ascq,
                            std::int32_t lba) {
    for (const auto& line : drive::senseReport(key, asc, ascq, lba)) {
        out_ << line << '\n';
    }
}

} // namespace quillon::app
