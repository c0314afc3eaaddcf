#include "CliRequests.h"

#include "CliSession.h"
#include "console/FormatText.h"
#include "drive/SenseReport.h"
#include "scsicore/ScsiConstants.h"

#include <cctype>
#include <climits>
#include <fstream>
#include <iterator>

namespace quillon::app {

namespace {

using console::formatText;

std::string yesNo(bool value) {
    return value ? "yes" : "no";
}

// The bytes of a CDB typed in hexadecimal, blanks allowed between digits.
std::vector<std::uint8_t> parseCdb(const std::vector<std::string>& words) {
    std::string digits;
    for (const std::string& word : words) {
        for (const char c : word) {
            if (c == ' ') {
                continue;
            }
            if (!std::isxdigit(static_cast<unsigned char>(c))) {
                throw UsageError("the CDB must be hexadecimal digits");
            }
            digits += c;
        }
    }
    if (digits.size() % 2 != 0) {
        throw UsageError("the CDB needs an even number of hexadecimal digits");
    }
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    }
    if (bytes.size() != 6 && bytes.size() != 10 && bytes.size() != 12 && bytes.size() != 16) {
        throw UsageError("a CDB has 6, 10, 12 or 16 bytes");
    }
    return bytes;
}

// The status byte and its name, or why no status came back.
void printStatus(std::ostream& out, int result) {
    if (drive::command_result::Completed(result)) {
        const auto status = static_cast<std::uint8_t>(result);
        out << formatText("Status           %02Xh %s\n", status, scsicore::status::nameOf(status));
    } else {
        out << "Status           none: " << drive::command_result::Describe(result) << '\n';
    }
}

void printSense(std::ostream& out, std::int32_t key, std::int32_t asc, std::int32_t ascq,
                std::int32_t lba) {
    for (const auto& line : drive::senseReport(key, asc, ascq, lba)) {
        out << line << '\n';
    }
}

void printData(std::ostream& out, const std::vector<std::uint8_t>& data) {
    for (std::size_t row = 0; row < data.size(); row += 16) {
        out << formatText("%04zX ", row);
        for (std::size_t i = row; i < row + 16 && i < data.size(); ++i) {
            out << formatText(" %02X", data[i]);
        }
        out << '\n';
    }
}

} // namespace

int RunInquiry(CliSession& session, const CommandArguments& arguments) {
    const DeviceAddress at = arguments.Address();
    drive::TDeviceInfo info;
    session.Drive().Inquiry(at.HA, at.Target, at.LUN, info);
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
    std::ostream& out = session.Out();
    out << formatText("%-16s %u\n", "Qualifier", static_cast<unsigned>(info.Qualifier))
        << formatText("%-16s %u\n", "DeviceType", static_cast<unsigned>(info.DeviceType))
        << formatText("%-16s %u\n", "ScsiLevel", static_cast<unsigned>(info.ScsiLevel));
    for (const auto& [name, value] : flags) {
        out << formatText("%-16s %s\n", name, yesNo(value).c_str());
    }
    out << formatText("%-16s \"%s\"\n", "Vendor", info.Vendor.c_str())
        << formatText("%-16s \"%s\"\n", "Product", info.Product.c_str())
        << formatText("%-16s \"%s\"\n", "Revision", info.Revision.c_str());
    return info.Qualifier == 0 ? 0 : 1;
}

int RunCapacity(CliSession& session, const CommandArguments& arguments) {
    const DeviceAddress at = arguments.Address();
    const int status = session.Drive().Capacity(at.HA, at.Target, at.LUN);
    std::ostream& out = session.Out();
    if (status != 0) {
        printStatus(out, status);
        if (status == scsicore::status::CheckCondition) {
            RunSense(session, arguments);
        }
        return 1;
    }
    const std::int32_t lastBlock = drive::TMODrive::LastBlockLBA;
    out << formatText("%-16s %d (%Xh)\n", "LastBlockLBA", lastBlock,
                      static_cast<unsigned>(lastBlock))
        << formatText("%-16s %d\n", "BlockSize", drive::TMODrive::BlockSize.load())
        << formatText("%-16s %d\n", "LongBlockSize", drive::TMODrive::LongBlockSize.load());
    return 0;
}

int RunSense(CliSession& session, const CommandArguments& arguments) {
    const DeviceAddress at = arguments.Address();
    constexpr std::int32_t Untouched = INT32_MIN;
    std::int32_t key = Untouched;
    std::int32_t asc = 0;
    std::int32_t ascq = 0;
    std::int32_t lba = -1;
    session.Drive().RequestSense(at.HA, at.Target, at.LUN, key, asc, ascq, lba);
    if (key == Untouched) {
        session.Out() << "No sense data: REQUEST SENSE failed or answered in an unknown format.\n";
        return 1;
    }
    printSense(session.Out(), key, asc, ascq, lba);
    return 0;
}

int RunRaw(CliSession& session, const CommandArguments& arguments) {
    const DeviceAddress at = arguments.Address();
    const auto cdb = parseCdb(arguments.Words("CDB"));
    std::vector<std::uint8_t> data;
    const auto in = arguments.Count("--in");
    if (in) {
        data.resize(*in);
    } else if (const auto file = arguments.Text("--out")) {
        std::ifstream stream(*file, std::ios::binary);
        data.assign(std::istreambuf_iterator<char>(stream), {});
    }
    auto srb = scsi::TSRB_ExecSCSICmd::For(at.HA, at.Target, at.LUN, cdb,
                                           data.empty() ? nullptr : data.data(),
                                           static_cast<std::uint32_t>(data.size()));
    drive::TMODrive& drive = session.Drive();
    const bool ok = drive.ExecSCSICommand(srb);
    std::ostream& out = session.Out();
    printStatus(out, drive::command_result::Of(srb, ok));
    if (srb.SRB_HaStat != 0) {
        out << formatText("Host status      %02Xh\n", static_cast<unsigned>(srb.SRB_HaStat));
    }
    if (srb.SRB_TargStat == scsicore::status::CheckCondition) {
        std::int32_t key = 0;
        std::int32_t asc = 0;
        std::int32_t ascq = 0;
        std::int32_t lba = -1;
        if (drive::TMODrive::DecodeSense(srb.SenseArea, key, asc, ascq, lba) != 255 || key == -1) {
            printSense(out, key, asc, ascq, lba);
        }
    }
    if (in) {
        printData(out, data);
    }
    return ok ? 0 : 1;
}

} // namespace quillon::app
