#include "ProgramOptions.h"

#include "sim/DecimalText.h"

#include <CLI/CLI.hpp>
#include <optional>

namespace quillon::app {

namespace {

// How the host adapters are chosen, shared by both programs' --help.
constexpr const char* AdapterHelp = R"(Options:
  --simulate[=DRIVES]       add the simulated bus as adapter 0. Alone: an MO
                            drive with a 230 MB cartridge at 0:2:0, one with a
                            640 MB cartridge at 0:4:0 and a fixed disk at 0:5:0.
                            DRIVES is a comma-separated list of logical units
                              ID[.LUN]=MEDIUM[+MEDIUM...][:OPTION...]
                            with IDs 0-6, LUNs 0-7 (LUN 0 of a target first),
                            media mo128, mo230, mo300, mo650, mo540, mo640,
                            mo1300, mo2300 or disk (the first is loaded, the
                            others wait and come in one by one as media are
                            ejected), and options wp (the loaded cartridge
                            write-protected; wp=N the Nth of the list),
                            legacy-sense, no-save, fixed-page (no field
                            of the error recovery page may change), no-dcr
                            (DCR may not change: correction stays on), ua
                            (the power-on unit attention pending, as just
                            after power-on; by default the drives start as
                            on a running system, where the host has long
                            taken it; no-ua is that default), seed=N,
                            error-rate=R,
                            fail=OP-ANSWER (every command with operation
                            code OP answered busy, conflict, hang, or CHECK
                            CONDITION with KEY.ASC.ASCQ; all hexadecimal),
                            burst=LBA.OFFSET.LENGTH (decimal: raw bytes of
                            that long sector always read back wrong),
                            image=FILE (the loaded medium's sectors and
                            grown defects kept in FILE from one run to the
                            next; created sparse when missing, refused when
                            it holds another medium).
                            Example: --simulate=2=mo230+mo640:wp,3=mo1300,3.1=mo640
  --iscsi URL               add an iSCSI target (repeatable); each portal is
                            one host adapter after the simulated and the sg
                            ones, each target on it one target ID:
                              iscsi://[USER@]HOST[:PORT]/TARGET-IQN[/LUN]
                            without a LUN, the target's LUNs come from REPORT
                            LUNS. Give a CHAP password in the environment
                            variable LIBISCSI_CHAP_PASSWORD, not on the
                            command line, where other users can see it.
  --time-scale=X            simulated commands take X times as long as on a
                            real drive, X 0 (at once) or from 0.001 to 1000
                            (default: 0 for quillon-cli but 1 for its seek
                            test; 1, the modelled drive's speed, for quillon)
)";

// --time-scale: 0 (answers at once), or a factor within the range in which
// every scaled duration still fits the clocks.
constexpr double SlowestTimeScale = 1000;
constexpr double FastestTimeScale = 0.001;

std::optional<double> timeScaleOf(const std::string& text) {
    const std::optional<double> scale = sim::decimalIn(text, 0, SlowestTimeScale);
    if (scale && *scale != 0 && *scale < FastestTimeScale) {
        return std::nullopt;
    }
    return scale;
}

std::string checkTimeScale(const std::string& text) {
    if (!timeScaleOf(text)) {
        return "0, or a number from 0.001 to 1000, is needed, not \"" + text + "\"";
    }
    return {};
}

} // namespace

void AddAdapterOptions(CLI::App& parser, AdapterOptions& options) {
    parser
        .add_option_function<std::string>(
            "--simulate", [&options](const std::string& drives) { options.simulate = drives; })
        ->expected(0, 1)
        ->default_str("")
        ->trigger_on_parse();
    parser.add_option("--iscsi", options.iscsi);
    parser
        .add_option_function<std::string>(
            "--time-scale",
            [&options](const std::string& text) { options.timeScale = timeScaleOf(text); })
        ->check(CLI::Validator(checkTimeScale, "X"));
}

const char* AdapterOptionsHelp() {
    return AdapterHelp;
}

AdapterOptions ParseWindowProgramOptions(int argc, const char* const* argv) {
    AdapterOptions options;
    CLI::App parser;
    parser.set_help_flag();
    AddAdapterOptions(parser, options);
    try {
        parser.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        throw UsageError(error.what());
    }
    return options;
}

// quillon's --help without its option list.
constexpr const char* WindowIntroduction =
    R"(Quillon tests and debugs magneto-optical disk drives on SCSI. Its main window
lists the drives found on the host adapters: the simulated bus (with
--simulate) first, then the Linux SCSI generic (sg) hosts in ascending host
number, then the iSCSI portals in the order given. Without options only the
sg hosts are used. F1 on any control opens its help page.
)";

constexpr const char* WindowFlagsHelp = R"(  --help                    show this text and exit
  --version                 show the version and exit
)";

std::string WindowProgramUsage() {
    return std::string("Usage: quillon [OPTION]...\n\n") + WindowIntroduction + "\n" + AdapterHelp +
           WindowFlagsHelp;
}

const char* WindowProgramIntroduction() {
    return WindowIntroduction;
}

const char* WindowProgramFlagsHelp() {
    return WindowFlagsHelp;
}

} // namespace quillon::app
