#include "CommandLine.h"

#include "scsi/IscsiUrl.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iterator>
#include <map>
#include <vector>

namespace quillon::app {

namespace {

using Words = std::map<std::string, std::vector<std::string>>;

// An operand or option as the parser collects it.
struct DeclaredValue {
    std::string name;
    ValueKind kind;
    bool repeatable;
    CLI::Option* option;
};

// One command as the parser knows it: its entry, its subcommand and what
// the subcommand collects.
struct DeclaredCommand {
    const CommandSpec* entry;
    CLI::App* parser;
    std::vector<DeclaredValue> values;
};

bool contains(int argc, const char* const* argv, std::string_view word) {
    return std::find(argv + 1, argv + argc, word) != argv + argc;
}

// The first word that names a command, from first on; argc when none does.
int commandWord(int argc, const char* const* argv, int first = 1) {
    int at = first;
    while (at < argc && FindCommand(argv[at]) == nullptr) {
        ++at;
    }
    return at;
}

// The help of a command, or the overview.
Invocation helpInvocation(const char* command) {
    Words words;
    if (command != nullptr) {
        words["COMMAND"] = {command};
    }
    Invocation invocation;
    invocation.command.emplace(*FindCommand("help"), std::move(words));
    return invocation;
}

// --help anywhere: the help of the command named first; "help [COMMAND]":
// the help of that command. Taken before anything else is read, so that a
// command's help needs none of its operands.
std::optional<Invocation> askedForHelp(int argc, const char* const* argv) {
    const int first = commandWord(argc, argv);
    const bool helpCommand = first < argc && std::string_view(argv[first]) == "help";
    if (contains(argc, argv, "--help")) {
        const int named = helpCommand ? commandWord(argc, argv, first + 1) : first;
        return helpInvocation(named < argc ? argv[named] : nullptr);
    }
    if (!helpCommand) {
        return std::nullopt;
    }
    std::vector<std::string_view> operands;
    std::copy_if(argv + first + 1, argv + argc, std::back_inserter(operands),
                 [](std::string_view word) { return !word.starts_with("-"); });
    if (operands.size() > 1) {
        throw UsageError("unexpected operand \"" + scsi::shownArgument(operands[1]) + "\"", "help");
    }
    if (!operands.empty() && FindCommand(operands[0]) == nullptr) {
        throw UsageError("unknown command \"" + scsi::shownArgument(operands[0]) + "\"", "help");
    }
    return helpInvocation(operands.empty() ? nullptr : operands[0].data());
}

DeclaredCommand declare(CLI::App& parser, const CommandSpec& entry) {
    DeclaredCommand command{&entry, parser.add_subcommand(std::string(entry.Name)), {}};
    for (const OperandSpec& operand : entry.Operands) {
        CLI::Option* option = command.parser->add_option(std::string(operand.Name));
        option->expected(operand.Rest ? -1 : 1);
        if (operand.Rest) {
            option->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
        }
        option->required(!operand.Optional);
        command.values.push_back({std::string(operand.Name), operand.Kind, operand.Rest, option});
    }
    for (const OptionSpec& wanted : entry.Options) {
        const std::string name(wanted.Name);
        CLI::Option* option = wanted.Kind == ValueKind::Flag ? command.parser->add_flag(name)
                                                             : command.parser->add_option(name);
        if (wanted.Kind != ValueKind::Flag) {
            // Missing values and repeats are worded by checkedWords.
            option->expected(0, 1);
            option->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
        }
        option->required(wanted.Required);
        command.values.push_back({name, wanted.Kind, wanted.Repeatable, option});
    }
    for (const OptionSpec& wanted : entry.Options) {
        if (!wanted.Excludes.empty()) {
            command.parser->get_option(std::string(wanted.Name))
                ->excludes(command.parser->get_option(std::string(wanted.Excludes)));
        }
    }
    return command;
}

// What the parser left over, in words: an unknown option, an unknown
// command, or a word the command has no place for.
void refuseLeftovers(const std::vector<std::string>& leftovers, const CommandSpec* command) {
    if (leftovers.empty()) {
        return;
    }
    const std::string& word = leftovers.front();
    const std::string name = command != nullptr ? std::string(command->Name) : "";
    if (word.starts_with("-") && word.size() > 1) {
        throw UsageError("unknown option " + word.substr(0, word.find('=')), name);
    }
    if (command == nullptr) {
        throw UsageError("unknown command \"" + scsi::shownArgument(word) + "\"");
    }
    throw UsageError("unexpected operand \"" + scsi::shownArgument(word) + "\"", name);
}

// The words given for the command, each checked against its kind.
Words checkedWords(const DeclaredCommand& command) {
    Words words;
    for (const auto& [name, kind, repeatable, option] : command.values) {
        if (option->count() == 0) {
            continue;
        }
        std::vector<std::string> values =
            kind == ValueKind::Flag ? std::vector<std::string>{} : option->results();
        if (kind != ValueKind::Flag && name.starts_with("-")) {
            if (std::find(values.begin(), values.end(), "") != values.end()) {
                throw UsageError(name + " needs a value", std::string(command.entry->Name));
            }
            if (values.size() > 1 && !repeatable) {
                throw UsageError(name + " is given more than once",
                                 std::string(command.entry->Name));
            }
        }
        for (const std::string& value : values) {
            if (const std::string problem = CheckValue(kind, name, value); !problem.empty()) {
                throw UsageError(problem, std::string(command.entry->Name));
            }
        }
        words.emplace(name, std::move(values));
    }
    return words;
}

} // namespace

Invocation ParseCommandLine(int argc, const char* const* argv) {
    if (auto help = askedForHelp(argc, argv)) {
        return std::move(*help);
    }
    Invocation invocation;
    if (contains(argc, argv, "--version")) {
        invocation.version = true;
        return invocation;
    }
    CLI::App parser;
    parser.set_help_flag();
    parser.allow_extras();
    parser.fallthrough(); // the program's options may follow the command
    AddAdapterOptions(parser, invocation.adapters);
    parser.add_flag("--verbose", invocation.verbose);
    parser.add_flag("--quiet", invocation.quiet);
    std::vector<DeclaredCommand> commands;
    for (const CommandSpec& entry : Commands()) {
        commands.push_back(declare(parser, entry));
    }
    const auto given = [&]() -> const DeclaredCommand* {
        for (const DeclaredCommand& command : commands) {
            if (command.parser->parsed()) {
                return &command;
            }
        }
        return nullptr;
    };
    try {
        parser.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const DeclaredCommand* command = given();
        throw UsageError(error.what(), command != nullptr ? std::string(command->entry->Name) : "");
    }
    const DeclaredCommand* command = given();
    refuseLeftovers(parser.remaining(), command != nullptr ? command->entry : nullptr);
    if (command == nullptr) {
        throw UsageError("no command given");
    }
    invocation.command.emplace(*command->entry, checkedWords(*command));
    return invocation;
}

} // namespace quillon::app
