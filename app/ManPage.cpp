#include "ManPage.h"

#include "CliHelp.h"
#include "ProgramOptions.h"

#include <cctype>

namespace quillon::app {

namespace {

constexpr std::string_view Blanks = " \t";
// Where --help lists an option's name; its help and continuation lines stand
// further right.
constexpr std::size_t ItemIndent = 2;

bool isWordCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
}

std::string_view trimmed(std::string_view line) {
    const std::size_t first = line.find_first_not_of(Blanks);
    return first == std::string_view::npos ? std::string_view{} : line.substr(first);
}

// Each line of text, without its newline.
template <typename Visit> void forEachLine(std::string_view text, Visit visit) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        visit(text.substr(at, end - at));
        at = end + 1;
    }
}

// Paragraphs separated by blank lines, each a roff paragraph.
std::string paragraphs(std::string_view text, std::string_view request = ".PP") {
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find("\n\n", at), text.size());
        const std::string body = RoffText(text.substr(at, end - at));
        if (!trimmed(body).empty()) {
            out += std::string(request) + "\n" + body + "\n";
        }
        at = end + 2;
    }
    return out;
}

// "--NAME[=VALUE] ARGUMENT" with the option's name in bold.
std::string roffItem(std::string_view item) {
    const std::size_t nameEnd = item.find_first_of("[= ");
    const std::string_view name = item.substr(0, nameEnd);
    const std::string_view rest = nameEnd == std::string_view::npos ? "" : item.substr(nameEnd);
    // RoffText drops the blank between a name and its value.
    return "\\fB" + RoffText(name) + "\\fR" + (rest.starts_with(' ') ? " " : "") + RoffText(rest);
}

// A list of items below a tagged paragraph, indented under its text.
template <typename Items, typename Entry>
std::string nestedList(std::string_view heading, const Items& items, Entry entry) {
    if (items.empty()) {
        return {};
    }
    std::string out = ".IP\n" + std::string(heading) + "\n.RS\n";
    for (const auto& item : items) {
        out += entry(item);
    }
    return out + ".RE\n";
}

std::string commandEntry(const CommandSpec& command) {
    std::string synopsis;
    for (const std::string& word : CommandSynopsis(command)) {
        synopsis += (synopsis.empty() ? "\\fB" + RoffText(word) + "\\fR" : " " + RoffText(word));
    }
    std::string out = ".TP\n" + synopsis + "\n" + RoffText(CommandSentence(command)) + "\n" +
                      paragraphs(command.Details, ".IP");
    out += nestedList("Operands:", command.Operands, [](const OperandSpec& operand) {
        return ".TP\n\\fI" + RoffText(operand.Name) + "\\fR\n" + RoffText(operand.Help) + "\n";
    });
    out += nestedList("Options:", command.Options, [](const OptionSpec& option) {
        return ".TP\n" + roffItem(OptionWithValue(option)) + "\n" + RoffText(OptionHelp(option)) +
               "\n";
    });
    return out;
}

std::string commandsSection() {
    std::string out = ".SH COMMANDS\n";
    for (const auto& [group, title] : CommandGroupTitles()) {
        out += ".PP\n" + RoffText(title) + "\n";
        for (const CommandSpec& command : Commands()) {
            if (command.Group == group) {
                out += commandEntry(command);
            }
        }
    }
    return out;
}

std::string titleLines(std::string_view name, std::string_view summary,
                       const ManPageEdition& edition) {
    std::string upper(name);
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return ".TH " + upper + " 1 " + std::string(edition.date) + " \"Quillon " +
           std::string(edition.version) + "\" \"User Commands\"\n.SH NAME\n" + RoffText(name) +
           " \\- " + std::string(summary) + "\n";
}

std::string synopsisSection(std::string_view program, std::string_view arguments) {
    return ".SH SYNOPSIS\n.B " + RoffText(program) + "\n" + RoffText(arguments) + "\n";
}

// Both programs reach the same drives with the same rights.
constexpr std::string_view DeviceAccess =
    R"(.SH NOTES
Real drives are reached through the Linux SCSI generic devices
.IR /dev/sg* ,
which on Debian belong to root and the group
.B disk
(CD and DVD drives to
.BR cdrom ).
A user outside the group may not open them, and the program says so, naming
the group; the simulated and iSCSI drives are still found.
To reach real drives, add the user to the group and log in again:
.PP
.RS
.EX
sudo adduser $USER disk
.EE
.RE
.PP
or run the program with those rights.
Membership of
.B disk
gives read and write access to every disk of the machine.
)";

constexpr std::string_view Environment =
    R"(.SH ENVIRONMENT
.TP
.B LIBISCSI_CHAP_USERNAME
The CHAP user name of an iSCSI portal whose URL names none.
.TP
.B LIBISCSI_CHAP_PASSWORD
The CHAP password of an iSCSI portal; give it here rather than in the URL,
where other users can see it.
.TP
.BR LIBISCSI_CHAP_TARGET_USERNAME ", " LIBISCSI_CHAP_TARGET_PASSWORD
The name and password with which the target proves itself (mutual CHAP).
.TP
.B XDG_CACHE_HOME
Copy Disk keeps its image in
.I $XDG_CACHE_HOME/quillon
(when it is an absolute path), else in
.IR ~/.cache/quillon .
.TP
.B QT_QPA_PLATFORM
The Qt platform plugin;
)";

constexpr std::string_view CliExamples = R"(.SH EXAMPLES
List the simulated drives, then test the 230 MB cartridge at 0:2:0 in read mode and
save the disc error map:
.PP
.RS
.EX
quillon\-cli \-\-simulate scan
quillon\-cli \-\-simulate safe\-ber 0:2:0 \-\-end 2000 \-\-map map.png
.EE
.RE
.PP
Every device on the real SCSI buses, then the INQUIRY data of one:
.PP
.RS
.EX
quillon\-cli scan \-\-all
quillon\-cli inquiry 1:3:0
.EE
.RE
.PP
The drives of an iSCSI target whose CHAP password is asked for:
.PP
.RS
.EX
read \-rs LIBISCSI_CHAP_PASSWORD; export LIBISCSI_CHAP_PASSWORD
quillon\-cli \-\-iscsi iscsi://tester@192.0.2.7/iqn.2003\-01.org.example:mo scan
.EE
.RE
)";

constexpr std::string_view WindowExitStatus = R"(.SH EXIT STATUS
0 when the window was closed, or after
.B \-\-help
or
.BR \-\-version ;
2 when the options cannot be used, with the reason on standard error.
)";

constexpr std::string_view WindowExamples = R"(.SH EXAMPLES
The main window on the default simulated drives, at ten times their speed:
.PP
.RS
.EX
quillon \-\-simulate \-\-time\-scale 0.1
.EE
.RE
.PP
The real drives together with a simulated 1.3 GB drive at target 3:
.PP
.RS
.EX
quillon \-\-simulate=3=mo1300
.EE
.RE
)";

// The pages of the other program and of the tools that reach the same
// drives.
std::string seeAlso(std::string_view otherProgram) {
    return ".SH SEE ALSO\n.BR iscsi\\-ls (1),\n.BR " + RoffText(otherProgram) +
           " (1),\n.BR sg3_utils (8),\n.BR sg_format (8),\n.BR sg_inq (8),\n.BR sg_map (8)\n";
}

// The files, with what each program adds.
std::string filesSection(std::string_view imageUse) {
    return R"(.SH FILES
.TP
.I /dev/sg*
The Linux SCSI generic devices through which real drives are reached.
.TP
.I ~/.cache/quillon/MoTemp$85.tmp
)" + std::string(imageUse) +
           R"(
.TP
.I /usr/share/quillon/help/
The help book: a page for each control, and the contents.
)";
}

// The page without the paragraph requests that directly follow a section
// heading, where they would start nothing.
std::string withoutIdleParagraphs(std::string page) {
    for (std::size_t at = page.find("\n.SH "); at != std::string::npos;
         at = page.find("\n.SH ", at + 1)) {
        const std::size_t next = page.find('\n', at + 1);
        if (page.compare(next, 5, "\n.PP\n") == 0) {
            page.erase(next, 4);
        }
    }
    return page;
}

} // namespace

std::string RoffText(std::string_view text) {
    std::string out;
    forEachLine(text, [&](std::string_view line) {
        line = trimmed(line);
        if (!out.empty()) {
            out += '\n';
        }
        if (!line.empty() && (line[0] == '.' || line[0] == '\'')) {
            out += "\\&";
        }
        bool inOption = false;
        for (std::size_t i = 0; i < line.size(); ++i) {
            const char c = line[i];
            const bool optionStarts =
                c == '-' && !inOption && (i == 0 || !isWordCharacter(line[i - 1]));
            inOption = optionStarts || (inOption && c != ' ');
            // An option is not hyphenated where the line breaks.
            out += optionStarts ? "\\%" : "";
            out += c == '\\' ? "\\e" : c == '-' && inOption ? "\\-" : std::string(1, c);
        }
    });
    return out;
}

std::string RoffOptionList(std::string_view helpList) {
    std::string out;
    std::size_t helpColumn = 0;
    bool literal = false;
    // Ends preformatted lines; the text that continues them goes back under
    // the option's text as a paragraph of its own.
    const auto endLiteral = [&](std::string_view continuation) {
        if (literal) {
            out += ".fi\n.RE\n" + std::string(continuation);
            literal = false;
        }
    };
    forEachLine(helpList, [&](std::string_view line) {
        const std::size_t indent = line.find_first_not_of(' ');
        if (indent == 0 || indent == std::string_view::npos) {
            return;
        }
        if (line[indent] == '-' && indent <= ItemIndent) {
            endLiteral("");
            const std::size_t itemEnd = std::min(line.find("  ", indent), line.size());
            helpColumn = line.find_first_not_of(' ', itemEnd);
            out += ".TP\n" + roffItem(line.substr(indent, itemEnd - indent)) + "\n";
            if (helpColumn != std::string_view::npos) {
                out += RoffText(line.substr(helpColumn)) + "\n";
            }
        } else if (indent > helpColumn) {
            out += literal ? "" : ".RS\n.nf\n";
            literal = true;
            out += RoffText(line) + "\n";
        } else {
            endLiteral(".IP\n");
            out += RoffText(line) + "\n";
        }
    });
    endLiteral("");
    return out;
}

std::string CliManPage(const ManPageEdition& edition) {
    const std::string usage = UsageLine(nullptr);
    const std::string_view exitStatus = CliExitStatusHelp();
    return withoutIdleParagraphs(
        titleLines("quillon-cli", "test and debug magneto-optical SCSI drives from a terminal",
                   edition) +
        synopsisSection("quillon-cli", usage.substr(usage.find('['))) + ".SH DESCRIPTION\n" +
        paragraphs(CliIntroduction()) +
        ".PP\nCommands that draw (a disc error map, a seek plot) use Qt's offscreen platform "
        "unless QT_QPA_PLATFORM names another; no display is needed.\n" +
        commandsSection() + ".SH OPTIONS\n" +
        paragraphs("The program's options may come before or after the command.") +
        RoffOptionList(AdapterOptionsHelp()) + RoffOptionList(CliProgramFlagsHelp()) +
        ".SH EXIT STATUS\n" + paragraphs(exitStatus.substr(exitStatus.find(':') + 2)) +
        std::string(Environment) +
        "quillon\\-cli uses \\fBoffscreen\\fR for the commands that draw unless it names "
        "another.\n" +
        filesSection("The image file of copy\\-disk, unless \\fB\\-\\-image\\fR names "
                     "another (see \\fBXDG_CACHE_HOME\\fR).") +
        std::string(DeviceAccess) + std::string(CliExamples) + seeAlso("quillon"));
}

std::string WindowManPage(const ManPageEdition& edition) {
    return withoutIdleParagraphs(
        titleLines("quillon", "test and debug magneto-optical SCSI drives", edition) +
        synopsisSection("quillon", "[OPTION]...") + ".SH DESCRIPTION\n" +
        paragraphs(WindowProgramIntroduction()) +
        ".PP\nThe same operations run from a terminal with\n.BR quillon\\-cli (1).\n"
        ".SH OPTIONS\n" +
        RoffOptionList(AdapterOptionsHelp()) + RoffOptionList(WindowProgramFlagsHelp()) +
        std::string(WindowExitStatus) + std::string(Environment) +
        "quillon needs a display unless it names one that needs none, such as "
        "\\fBoffscreen\\fR.\n" +
        filesSection("The image file of the Copy Disk button (see \\fBXDG_CACHE_HOME\\fR).") +
        std::string(DeviceAccess) + std::string(WindowExamples) + seeAlso("quillon-cli"));
}

} // namespace quillon::app
