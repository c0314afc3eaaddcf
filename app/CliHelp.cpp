#include "CliHelp.h"

#include "CliSession.h"
#include "CommandArguments.h"
#include "ProgramOptions.h"

#include <cctype>
#include <set>
#include <sstream>
#include <vector>

namespace quillon::app {

namespace {

constexpr std::size_t Width = 79;
constexpr std::size_t SummaryColumn = 28;
constexpr std::size_t OptionHelpColumn = 24;
constexpr std::string_view Program = "quillon-cli";

constexpr std::string_view Introduction =
    "Quillon tests and debugs magneto-optical disk drives on SCSI. quillon-cli is its headless "
    "front end. Drives are addressed as H:T:L (host adapter, target ID, logical unit), as the "
    "scan lists them. The host adapters are the simulated bus (with --simulate) first, then the "
    "Linux SCSI generic (sg) hosts in ascending host number, then the iSCSI portals in the "
    "order given.";

constexpr std::string_view ProgramFlagsHelp =
    R"(  --verbose                 say why a transport found no adapters, and show
                            Qt's own diagnostics
  --quiet                   no progress line on standard error
  --help                    show this text, or with a command its help, and
                            exit
  --version                 show the version and exit
)";

constexpr std::string_view ExitStatusHelp =
    R"(Exit status: 0 when everything asked happened (scan: always); 1 when the
drive failed a command, could not be reached or no device answered, or a test
run was not whole and clean (failed blocks or seeks, a range cut short or
empty, error correction left off, output not written), with the reasons on
standard error; 2 for a usage error.
)";

constexpr std::pair<CommandGroup, std::string_view> GroupTitles[] = {
    {CommandGroup::Operations, "Commands that run the main window's operations and print its log "
                               "lines (message boxes as their text, the sense window, when it "
                               "would open, as its contents):"},
    {CommandGroup::Requests, "Commands for single low-level requests:"},
    {CommandGroup::Program, "Other commands:"},
};

// Appends words, blank-separated, to out, whose last line already holds
// column characters; lines that would pass the width continue at indent.
void appendWords(std::string& out, const std::vector<std::string>& words, std::size_t column,
                 std::size_t indent) {
    bool first = true;
    for (const std::string& word : words) {
        if (!first && column + 1 + word.size() > Width) {
            out += "\n" + std::string(indent, ' ');
            column = indent;
        } else if (!first) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        first = false;
    }
}

void appendWrapped(std::string& out, std::string_view text, std::size_t column,
                   std::size_t indent) {
    std::istringstream stream{std::string(text)};
    std::vector<std::string> words;
    for (std::string word; stream >> word;) {
        words.push_back(word);
    }
    appendWords(out, words, column, indent);
}

// Text in paragraphs (separated by blank lines), each wrapped from column 0.
std::string paragraphs(std::string_view text) {
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find("\n\n", at), text.size());
        appendWrapped(out, text.substr(at, end - at), 0, 0);
        out += "\n\n";
        at = end + 2;
    }
    return out;
}

const OptionSpec* optionNamed(const CommandSpec& command, std::string_view name) {
    for (const OptionSpec& option : command.Options) {
        if (option.Name == name) {
            return &option;
        }
    }
    return nullptr;
}

} // namespace

std::string OptionWithValue(const OptionSpec& option) {
    return option.ValueName.empty()
               ? std::string(option.Name)
               : std::string(option.Name) + " " + std::string(option.ValueName);
}

std::string OptionHelp(const OptionSpec& option) {
    std::string help(option.Help);
    if (!option.Default.empty()) {
        help += " (default: " + std::string(option.Default) + ")";
    }
    return help;
}

std::vector<std::string> CommandSynopsis(const CommandSpec& command) {
    std::vector<std::string> words{std::string(command.Name)};
    for (const OperandSpec& operand : command.Operands) {
        const std::string name = std::string(operand.Name) + (operand.Rest ? "..." : "");
        words.push_back(operand.Optional ? "[" + name + "]" : name);
    }
    std::set<std::string_view> shown;
    for (const OptionSpec& option : command.Options) {
        if (shown.contains(option.Name)) {
            continue;
        }
        if (option.Required) {
            words.push_back(OptionWithValue(option));
            continue;
        }
        std::string word = "[" + OptionWithValue(option);
        if (const OptionSpec* other = optionNamed(command, option.Excludes)) {
            word += " | " + OptionWithValue(*other);
            shown.insert(other->Name);
        }
        words.push_back(word + "]" + (option.Repeatable ? "..." : ""));
    }
    return words;
}

std::string CommandSentence(const CommandSpec& command) {
    std::string text(command.Summary);
    if (!text.empty()) {
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    }
    return text + ".";
}

std::string_view CliIntroduction() {
    return Introduction;
}

std::string_view CliProgramFlagsHelp() {
    return ProgramFlagsHelp;
}

std::string_view CliExitStatusHelp() {
    return ExitStatusHelp;
}

std::span<const std::pair<CommandGroup, std::string_view>> CommandGroupTitles() {
    return GroupTitles;
}

namespace {

// "  SYNOPSIS   summary", the summary from SummaryColumn, below a synopsis
// too long to leave room for it.
std::string overviewEntry(const CommandSpec& command) {
    std::string line = "  ";
    appendWords(line, CommandSynopsis(command), 2, 6);
    const std::size_t column = line.size() - (line.rfind('\n') + 1);
    if (column + 2 <= SummaryColumn) {
        line += std::string(SummaryColumn - column, ' ');
    } else {
        line += "\n" + std::string(SummaryColumn, ' ');
    }
    appendWrapped(line, command.Summary, SummaryColumn, SummaryColumn);
    return line + "\n";
}

// "  NAME VALUE    help", the help from OptionHelpColumn.
std::string describedItem(const std::string& item, std::string_view help) {
    std::string line = "  " + item;
    if (line.size() + 2 <= OptionHelpColumn) {
        line += std::string(OptionHelpColumn - line.size(), ' ');
    } else {
        line += "\n" + std::string(OptionHelpColumn, ' ');
    }
    appendWrapped(line, help, OptionHelpColumn, OptionHelpColumn);
    return line + "\n";
}

// Option names, blank-separated, of the options whose kind passes the test.
template <typename Test> std::string optionNames(Test test) {
    std::set<std::string_view> names;
    for (const CommandSpec& command : Commands()) {
        for (const OptionSpec& option : command.Options) {
            if (test(option.Kind)) {
                names.insert(option.Name);
            }
        }
    }
    std::string text;
    for (const std::string_view name : names) {
        text += (text.empty() ? "" : "|") + std::string(name);
    }
    return text;
}

bool takesFile(ValueKind kind) {
    return kind == ValueKind::InputFile || kind == ValueKind::OutputFile;
}

} // namespace

std::string UsageLine(const CommandSpec* command) {
    std::string line = "Usage: " + std::string(Program) + " [OPTION]...";
    if (command == nullptr) {
        return line + " COMMAND [OPERAND]...";
    }
    line += ' ';
    appendWords(line, CommandSynopsis(*command), line.size(), 4);
    return line;
}

std::string CliOverview() {
    std::string text = UsageLine(nullptr) + "\n\n" + paragraphs(Introduction);
    for (const auto& [group, title] : GroupTitles) {
        appendWrapped(text, title, 0, 0);
        text += "\n";
        for (const CommandSpec& command : Commands()) {
            if (command.Group == group) {
                text += overviewEntry(command);
            }
        }
        text += "\n";
    }
    text += "Run '" + std::string(Program) +
            " help COMMAND' for a command's operands, options and defaults.\n\n";
    return text + AdapterOptionsHelp() + std::string(ProgramFlagsHelp) + "\n" +
           std::string(ExitStatusHelp);
}

std::string CommandHelp(const CommandSpec& command) {
    std::string text = UsageLine(&command) + "\n\n" + paragraphs(CommandSentence(command));
    if (!command.Details.empty()) {
        text += paragraphs(command.Details);
    }
    if (!command.Operands.empty()) {
        text += "Operands:\n";
        for (const OperandSpec& operand : command.Operands) {
            text += describedItem(std::string(operand.Name), operand.Help);
        }
    }
    if (!command.Options.empty()) {
        text += "Options:\n";
        for (const OptionSpec& option : command.Options) {
            text += describedItem(OptionWithValue(option), OptionHelp(option));
        }
    }
    text += "\n" + paragraphs("The program's own options (--simulate, --iscsi, --time-scale, "
                              "--verbose, --quiet) may come before or after the command: see '" +
                              std::string(Program) + " --help'.");
    text.pop_back(); // no blank line at the end
    return text;
}

std::string BashCompletion() {
    std::string commands;
    std::string perCommand;
    for (const CommandSpec& command : Commands()) {
        commands += (commands.empty() ? "" : " ") + std::string(command.Name);
        std::string options;
        for (const OptionSpec& option : command.Options) {
            options += " " + std::string(option.Name);
        }
        if (!options.empty()) {
            perCommand +=
                "        " + std::string(command.Name) + ") options+=\"" + options + "\" ;;\n";
        }
    }
    const std::string fileOptions = optionNames(takesFile);
    const std::string valueOptions = "--iscsi|--time-scale|" + optionNames([](ValueKind kind) {
                                         return kind != ValueKind::Flag && !takesFile(kind);
                                     });
    return "# bash completion for quillon-cli, made by 'quillon-cli completion' from its "
           "command table\n"
           "_quillon_cli()\n"
           "{\n"
           "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
           "    local commands=\"" +
           commands +
           "\"\n"
           "    local options=\"--simulate --iscsi --time-scale --verbose --quiet --help "
           "--version\"\n"
           "    local command='' word\n"
           "    for word in \"${COMP_WORDS[@]:1:COMP_CWORD-1}\"; do\n"
           "        case \" $commands \" in *\" $word \"*) command=$word; break ;; esac\n"
           "    done\n"
           "    case $prev in\n"
           "        " +
           fileOptions +
           ") COMPREPLY=($(compgen -f -- \"$cur\")); return ;;\n"
           "        " +
           valueOptions +
           ") COMPREPLY=(); return ;;\n"
           "    esac\n"
           "    case $command in\n" +
           perCommand +
           "    esac\n"
           "    if [[ $cur == -* ]]; then\n"
           "        COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
           "    elif [[ -z $command || $command == help ]]; then\n"
           "        COMPREPLY=($(compgen -W \"$commands\" -- \"$cur\"))\n"
           "    else\n"
           "        COMPREPLY=()\n"
           "    fi\n"
           "}\n"
           "complete -F _quillon_cli quillon-cli\n";
}

int RunHelp(CliSession& session, const CommandArguments& arguments) {
    const auto named = arguments.Text("COMMAND");
    session.Out() << (named ? CommandHelp(*FindCommand(*named)) : CliOverview());
    return 0;
}

int RunCompletion(CliSession& session, const CommandArguments&) {
    session.Out() << BashCompletion();
    return 0;
}

} // namespace quillon::app
