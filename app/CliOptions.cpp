#include "CliOptions.h"

#include "CommandOptions.h"

#include <string_view>

namespace quillon::app {

namespace {

// How the host adapters are chosen, shared by both programs' --help.
constexpr const char* AdapterOptions = R"(Options:
  --simulate[=DRIVES]       add the simulated bus as adapter 0. Alone: an MO
                            drive with a 230 MB cartridge at 0:2:0, one with a
                            640 MB cartridge at 0:4:0 and a fixed disk at 0:5:0.
                            DRIVES is a comma-separated list of logical units
                              ID[.LUN]=MEDIUM[+MEDIUM...][:OPTION...]
                            with IDs 0-6, LUNs 0-7 (LUN 0 of a target first),
                            media mo128, mo230, mo300, mo650, mo540, mo640,
                            mo1300, mo2300 or disk (the first is loaded, the
                            others wait and come in one by one as media are
                            ejected), and options wp (write-protected),
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
                            that long sector always read back wrong).
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
                            real drive (default: 0, at once, for quillon-cli
                            but 1 for its seek test; 1, the modelled
                            drive's speed, for quillon)
)";

} // namespace

std::string cliUsage() {
    return std::string(R"(Usage: quillon-cli [OPTION]... COMMAND [OPERAND]...

Quillon tests and debugs magneto-optical disk drives on SCSI. quillon-cli is
its headless front end. Drives are addressed as H:T:L (host adapter, target
ID, logical unit), as the scan lists them. The host adapters are the
simulated bus (with --simulate) first, then the Linux SCSI generic (sg)
hosts in ascending host number, then the iSCSI portals in the order given.

Commands that run the main window's operations and print its log lines:
  scan [--all]              list the optical memory devices that answer
                            INQUIRY (with --all every device), as the main
                            window's device list shows them
  target-info H:T:L         the device's inquiry data, as "Target Info" logs it
  eject H:T:L               eject the medium, as "Eject" does
  disk-capacity H:T:L       block size, long block size and last block, as the
                            disk capacity display logs them
  ber H:T:L [--start HEX] [--end HEX] [--skip HEX] [--map FILE.png]
      [--report FILE.json]  the bit error rate test in long-write mode, as
                            "BER" runs it (defaults: start 100, end the last
                            block, skip 80 tracks); OVERWRITES the blocks
                            tested. --map saves the disc map, --report the
                            figures as JSON. Ctrl-C stops after the track.
  safe-ber H:T:L [--start HEX] [--end HEX] [--skip HEX] [--map FILE.png]
      [--report FILE.json]  the bit error rate test in read mode, as "Safe
                            BER" runs it (defaults: start 100, end the last
                            block, skip 10 tracks): each track read with
                            error correction off and on, nothing written;
                            the error recovery page is put back at the end.
                            Ctrl-C stops after the track; SIGTERM and SIGHUP
                            end the program there, once correction is on.
  seek H:T:L [--max-lba HEX] [--max-time MS] [--count N] [--plot FILE.png]
      [--csv FILE]          the random seek test, as "Seek Test" runs it
                            (defaults: random blocks below the last block,
                            time axis to 80 ms, 1000 seeks), then the
                            averages (ms : blocks) and the failed seeks.
                            --plot saves the plot of time against distance,
                            --csv every seek as a row: index, from, to,
                            distance, ms, status (hexadecimal, 00 = GOOD).
                            Ctrl-C stops after the seek in progress
  mode-sense H:T:L          read the error recovery page (01h), as "Mode
                            Sense" does, and print the editor's controls:
                            caption, FIELD name, value
  mode-select H:T:L [--set FIELD=VALUE]...
                            as "Mode Select": read the page and the fields
                            the drive lets change, make the edits (flags
                            awre, arre, tb, rc, eer, per, dte, dcr take 0 or
                            1; read-retry, write-retry, correction-span,
                            head-offset, strobe-offset take a number whose
                            low 8 bits are sent, recovery-time one whose low
                            16 bits are sent) and send the page back with
                            MODE SELECT. A field the drive does not let
                            change is not edited and, like an unchecked
                            flag, is sent as 0
Message boxes are printed as their text; the sense window, when it would
open, as its contents.

Commands for single low-level requests:
  inquiry H:T:L             decode the device's INQUIRY data
  capacity H:T:L            READ CAPACITY: last block, block size, long block size
  sense H:T:L               REQUEST SENSE, decoded
  raw H:T:L CDB [--in N | --out FILE]
                            send one command given in hexadecimal (6 or 10
                            bytes, e.g. 1E00000001 00 or "28 00 00000000 00 0001 00");
                            --in N reads N bytes, --out FILE sends the file;
                            prints the status, the sense data decoded and the
                            data read as hexadecimal

)") + AdapterOptions +
           R"(  --verbose                 say why a transport found no adapters
  --help                    show this text and exit
  --version                 show the version and exit

Exit status: 0 when the command succeeded (scan: always), 1 when the drive
failed it, could not be reached or no device answered, 2 for a usage error.
)";
}

std::string guiUsage() {
    return std::string(R"(Usage: quillon [OPTION]...

Quillon tests and debugs magneto-optical disk drives on SCSI. Its main window
lists the drives found on the host adapters: the simulated bus (with
--simulate) first, then the Linux SCSI generic (sg) hosts in ascending host
number, then the iSCSI portals in the order given. Without options only the
sg hosts are used. F1 on any control opens its help page.

)") + AdapterOptions +
           R"(  --help                    show this text and exit
  --version                 show the version and exit
)";
}

CliOptions CliOptions::parse(int argc, char** argv) {
    CliOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--verbose") {
            options.verbose = true;
        } else if (arg == "--simulate") {
            options.simulate = "";
        } else if (arg.starts_with("--simulate=")) {
            options.simulate = std::string(arg.substr(11));
        } else if (arg == "--iscsi" || arg.starts_with("--iscsi=")) {
            if (arg == "--iscsi" && i + 1 >= argc) {
                throw UsageError("--iscsi needs a URL");
            }
            options.iscsi.emplace_back(arg == "--iscsi" ? argv[++i] : arg.substr(8));
        } else if (arg.starts_with("--time-scale")) {
            std::string value = arg.size() > 12 && arg[12] == '=' ? std::string(arg.substr(13))
                                : i + 1 < argc                    ? argv[++i]
                                                                  : "";
            std::size_t used = 0;
            double scale = -1;
            try {
                scale = std::stod(value, &used);
            } catch (const std::exception&) {
                used = 0;
            }
            options.timeScale = scale;
            if (used == 0 || used != value.size() || scale < 0) {
                throw UsageError("--time-scale needs a number of 0 or more");
            }
        } else if (arg.starts_with("--") && arg != "--in" && arg != "--out" && arg != "--all" &&
                   !IsCommandOption(std::string(arg))) {
            throw UsageError("unknown option " + std::string(arg));
        } else {
            options.words.emplace_back(arg);
        }
    }
    return options;
}

} // namespace quillon::app
