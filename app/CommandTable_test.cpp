// The command line of quillon-cli as its table makes it: parsing, usage
// errors, help texts, the bash completion and the progress line.
#include "CliHelp.h"
#include "CommandLine.h"
#include "ProgressLine.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>

using namespace quillon::app;

namespace {

Invocation parse(std::vector<std::string> words) {
    words.insert(words.begin(), "quillon-cli");
    std::vector<const char*> argv;
    for (const std::string& word : words) {
        argv.push_back(word.c_str());
    }
    return ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

// The usage error a command line gets: its message and the command it names.
std::pair<std::string, std::string> refusal(std::vector<std::string> words) {
    try {
        parse(std::move(words));
    } catch (const UsageError& error) {
        return {error.what(), error.Command()};
    }
    return {"accepted", ""};
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// What the completion script offers for the words of a command line, the
// last one the word at the cursor.
std::set<std::string> completions(const std::string& words) {
    const auto directory = std::filesystem::temp_directory_path();
    const auto script = directory / "quillon-cli-completion.bash";
    const auto driver = directory / "quillon-cli-completion-driver.bash";
    std::ofstream(script) << BashCompletion();
    std::ofstream(driver) << "source " << script.string() << "\nCOMP_WORDS=(" << words
                          << ")\nCOMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n_quillon_cli\n"
                          << "printf '%s\\n' \"${COMPREPLY[@]}\"\n";
    std::set<std::string> offered;
    FILE* pipe = popen(("bash " + driver.string()).c_str(), "r");
    std::array<char, 256> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) {
        std::string word(buffer.data());
        word.erase(word.find_last_not_of('\n') + 1);
        if (!word.empty()) {
            offered.insert(word);
        }
    }
    pclose(pipe);
    return offered;
}

} // namespace

TEST(CommandLine, EveryCommandRefusesAMissingOperandWithItsOwnUsage) {
    for (const CommandSpec& command : Commands()) {
        const bool needsOperand = !command.Operands.empty() && !command.Operands.front().Optional;
        if (!needsOperand) {
            continue;
        }
        const auto [message, named] = refusal({std::string(command.Name)});
        EXPECT_EQ(named, command.Name) << message;
        const std::string usage = UsageLine(&command);
        EXPECT_TRUE(
            usage.starts_with("Usage: quillon-cli [OPTION]... " + std::string(command.Name) + " "))
            << usage;
        for (const OptionSpec& option : command.Options) {
            EXPECT_TRUE(contains(usage, std::string(option.Name))) << usage;
        }
    }
    EXPECT_EQ(refusal({}).first, "no command given");
    EXPECT_EQ(refusal({"frobnicate"}).first, "unknown command \"frobnicate\"");
}

TEST(CommandLine, ValuesAreCheckedByTheirKindBeforeAnythingRuns) {
    EXPECT_EQ(refusal({"inquiry", "0:2"}),
              std::make_pair(std::string("\"0:2\" is not a device address H:T:L"),
                             std::string("inquiry")));
    EXPECT_EQ(refusal({"ber", "0:2:0", "--start", "xyz"}).first,
              "--start needs a hexadecimal number, not \"xyz\"");
    EXPECT_EQ(refusal({"seek", "0:2:0", "--count", "1.5"}).first,
              "--count needs a decimal number, not \"1.5\"");
    EXPECT_EQ(refusal({"seek", "0:2:0", "--count"}).first, "--count needs a value");
    EXPECT_EQ(refusal({"seek", "0:2:0", "--count", "1", "--count", "2"}).first,
              "--count is given more than once");
    EXPECT_EQ(refusal({"raw", "0:2:0", "12", "--in", "99999999"}).first,
              "--in needs a byte count from 0 to 16777216, not \"99999999\"");
    EXPECT_TRUE(contains(
        refusal({"raw", "0:2:0", "00", "--in", "3", "--out", "/etc/hostname"}).first, "excludes"));
    EXPECT_EQ(refusal({"raw", "0:2:0", "00", "--out", "/nonexistent/file"}).first,
              "cannot read /nonexistent/file");
    const auto directory = std::filesystem::temp_directory_path().string();
    EXPECT_EQ(refusal({"raw", "0:2:0", "2A00000000000000010", "0", "--out", directory}).first,
              "--out names a directory: " + directory);
    EXPECT_EQ(refusal({"seek", "0:2:0", "--csv", directory}).first,
              "--csv names a directory: " + directory);
    EXPECT_EQ(refusal({"scan", "extra"}),
              std::make_pair(std::string("unexpected operand \"extra\""), std::string("scan")));
    EXPECT_EQ(refusal({"--time-scalefoo", "0", "scan"}).first, "unknown option --time-scalefoo");
    EXPECT_EQ(refusal({"ber", "0:2:0", "--bogus=1"}).first, "unknown option --bogus");
    // Time scales whose durations would not fit the clocks, or that are no
    // number at all.
    for (const char* scale : {"-1", "nan", "inf", "1e308", "1e-300", "0.0009", "1001", "1x"}) {
        EXPECT_EQ(refusal({"--time-scale", scale, "scan"}).first,
                  "--time-scale: 0, or a number from 0.001 to 1000, is needed, not \"" +
                      std::string(scale) + "\"");
    }
    EXPECT_EQ(parse({"--time-scale=0.001", "scan"}).adapters.timeScale, 0.001);
    EXPECT_EQ(parse({"--time-scale=1e3", "scan"}).adapters.timeScale, 1000);
}

TEST(CommandLine, OptionsTakeTheTableDefaultsAndTheProgramOptionsGoAnywhere) {
    const auto ber = parse({"ber", "1:2:3", "--simulate=2=mo230", "--end=-A", "--quiet"});
    ASSERT_TRUE(ber.command);
    const CommandArguments& arguments = *ber.command;
    EXPECT_EQ(arguments.Command().Name, "ber");
    EXPECT_EQ(arguments.Address().HA, 1);
    EXPECT_EQ(arguments.Address().LUN, 3);
    EXPECT_EQ(arguments.Hex("--start"), 0x100);
    EXPECT_EQ(arguments.Hex("--skip"), 0x80);
    EXPECT_EQ(arguments.Hex("--end"), -10);
    EXPECT_FALSE(arguments.Text("--map"));
    EXPECT_EQ(ber.adapters.simulate, "2=mo230");
    EXPECT_TRUE(ber.quiet);

    const auto safe = parse({"--simulate", "--time-scale", "2.5", "safe-ber", "0:2:0"});
    EXPECT_EQ(safe.command->Hex("--skip"), 0x10);
    EXPECT_EQ(safe.adapters.simulate, "");
    EXPECT_EQ(safe.adapters.timeScale, 2.5);

    const auto edits =
        parse({"mode-select", "0:2:0", "--set", "dcr=1", "--set", "per=0", "--iscsi", "a"});
    EXPECT_EQ(edits.command->Words("--set"), (std::vector<std::string>{"dcr=1", "per=0"}));
    EXPECT_EQ(edits.adapters.iscsi, std::vector<std::string>{"a"});

    const auto raw = parse({"raw", "0:2:0", "28 00", "00000000", "--in", "512", "00 0001 00"});
    EXPECT_EQ(raw.command->Words("CDB"),
              (std::vector<std::string>{"28 00", "00000000", "00 0001 00"}));
    EXPECT_EQ(raw.command->Count("--in"), 512u);
    EXPECT_TRUE(parse({"scan", "--all"}).command->Flag("--all"));
    EXPECT_TRUE(parse({"--version", "whatever"}).version);
}

TEST(CommandLine, HelpIsAskedForBeforeAnythingElseIsChecked) {
    const auto named = [](std::vector<std::string> words) {
        const auto invocation = parse(std::move(words));
        EXPECT_EQ(invocation.command->Command().Name, "help");
        return invocation.command->Text("COMMAND").value_or("(overview)");
    };
    EXPECT_EQ(named({"--help"}), "(overview)");
    EXPECT_EQ(named({"help"}), "(overview)");
    EXPECT_EQ(named({"ber", "--help"}), "ber"); // no address needed
    EXPECT_EQ(named({"--simulate", "help", "eject"}), "eject");
    EXPECT_EQ(named({"help", "raw", "--help"}), "raw");
    EXPECT_EQ(named({"help", "--verbose", "seek"}), "seek");
    EXPECT_EQ(refusal({"help", "frob"}),
              std::make_pair(std::string("unknown command \"frob\""), std::string("help")));
    EXPECT_EQ(refusal({"help", "ber", "seek"}).first, "unexpected operand \"seek\"");
}

TEST(CliHelp, TheTextsNameEveryCommandOptionAndDefault) {
    const std::string overview = CliOverview();
    for (const CommandSpec& command : Commands()) {
        EXPECT_TRUE(contains(overview, "\n  " + std::string(command.Name))) << command.Name;
        const std::string help = CommandHelp(command);
        EXPECT_TRUE(help.starts_with(UsageLine(&command) + "\n\n")) << help;
        for (const OptionSpec& option : command.Options) {
            EXPECT_TRUE(contains(help, "\n  " + std::string(option.Name))) << help;
            if (!option.Default.empty()) {
                EXPECT_TRUE(contains(help, "(default: " + std::string(option.Default) + ")"));
            }
        }
        for (const OperandSpec& operand : command.Operands) {
            EXPECT_TRUE(contains(help, "\n  " + std::string(operand.Name))) << help;
        }
        std::istringstream lines(help);
        for (std::string line; std::getline(lines, line);) {
            EXPECT_LE(line.size(), 79u) << line;
        }
    }
    EXPECT_TRUE(contains(overview, "--simulate[=DRIVES]"));
    EXPECT_TRUE(contains(overview, "--quiet"));
    EXPECT_TRUE(contains(overview, "Exit status:"));
}

TEST(CliHelp, TheBashCompletionOffersCommandsOptionsAndFiles) {
    std::set<std::string> commands;
    for (const CommandSpec& command : Commands()) {
        commands.insert(std::string(command.Name));
    }
    EXPECT_EQ(completions("quillon-cli ''"), commands);
    EXPECT_EQ(completions("quillon-cli --simulate help ''"), commands);
    EXPECT_EQ(completions("quillon-cli se"), (std::set<std::string>{"seek", "sense"}));
    const auto berOptions = completions("quillon-cli ber 0:2:0 --");
    for (const char* option : {"--start", "--end", "--skip", "--map", "--report", "--simulate"}) {
        EXPECT_TRUE(berOptions.contains(option)) << option;
    }
    EXPECT_FALSE(berOptions.contains("--count"));
    EXPECT_TRUE(completions("quillon-cli seek 0:2:0 --count ''").empty());

    const auto directory = std::filesystem::temp_directory_path() / "quillon-completion-files";
    std::filesystem::create_directories(directory);
    std::ofstream(directory / "plot-one.png") << "";
    EXPECT_EQ(completions("quillon-cli seek 0:2:0 --plot " + (directory / "plot-").string()),
              std::set<std::string>{(directory / "plot-one.png").string()});
    std::filesystem::remove_all(directory);
}

TEST(ProgressLine, ShowsTheShareDoneAndTheTimeLeftAtTheRateSoFar) {
    using std::chrono::seconds;
    EXPECT_EQ(ProgressLine::Text(50, 200, seconds(30)), "  25%  0:30 elapsed  1:30 left");
    EXPECT_EQ(ProgressLine::Text(0, 200, seconds(2)), "   0%  0:02 elapsed");
    EXPECT_EQ(ProgressLine::Text(300, 200, seconds(75)), " 100%  1:15 elapsed  0:00 left");
    EXPECT_EQ(ProgressLine::Text(7, 0, seconds(3725)), "  62:05 elapsed");
}
