// The manual pages as made from the command table and the --help texts:
// roff escaping, the option lists, and that each page holds every command,
// operand and option the program takes.
#include "CliHelp.h"
#include "ManPage.h"
#include "ProgramOptions.h"

#include <gtest/gtest.h>
#include <set>
#include <sstream>

using namespace quillon::app;

namespace {

constexpr ManPageEdition Edition{"9.8.7", "2026-01-02"};

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The requests a page is made of; any other line starting with a dot would
// be help text that roff takes for an unknown request and drops.
void expectOnlyKnownRequests(const std::string& page) {
    const std::set<std::string> known{".TH", ".SH", ".PP", ".TP", ".IP", ".RS", ".RE", ".nf",
                                      ".fi", ".B",  ".BR", ".I",  ".IR", ".EX", ".EE"};
    std::istringstream lines(page);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && (line[0] == '.' || line[0] == '\'')) {
            EXPECT_TRUE(known.contains(line.substr(0, line.find(' ')))) << line;
        }
    }
}

TEST(ManPage, RoffTextKeepsTextFromBeingReadAsRequests) {
    EXPECT_EQ(RoffText("--time-scale=X, write-protected, -1 and a\\b"),
              "\\%\\-\\-time\\-scale=X, write-protected, \\%\\-1 and a\\eb");
    EXPECT_EQ(RoffText("the end\n.profile and\n'quoted'"), "the end\n\\&.profile and\n\\&'quoted'");
    EXPECT_EQ(RoffText("    indented\n  line"), "indented\nline");
}

TEST(ManPage, OptionListTagsEachOptionAndKeepsDeeperLinesAsTheyAre) {
    const std::string list = RoffOptionList("Options:\n"
                                            "  --iscsi URL     add a target;\n"
                                            "                  each portal:\n"
                                            "                    iscsi://HOST/IQN\n"
                                            "                  without a LUN\n"
                                            "  --quiet         no progress line\n");
    EXPECT_EQ(list, ".TP\n\\fB\\%\\-\\-iscsi\\fR URL\nadd a target;\neach portal:\n"
                    ".RS\n.nf\niscsi://HOST/IQN\n.fi\n.RE\n.IP\nwithout a LUN\n"
                    ".TP\n\\fB\\%\\-\\-quiet\\fR\nno progress line\n");
}

TEST(ManPage, CliPageHoldsEveryCommandOperandAndOption) {
    const std::string page = CliManPage(Edition);
    EXPECT_TRUE(page.starts_with(".TH QUILLON-CLI 1 2026-01-02 \"Quillon 9.8.7\""));
    for (const CommandSpec& command : Commands()) {
        EXPECT_TRUE(contains(page, ".TP\n\\fB" + RoffText(command.Name) + "\\fR")) << command.Name;
        EXPECT_TRUE(contains(page, RoffText(CommandSentence(command)))) << command.Name;
        for (const OperandSpec& operand : command.Operands) {
            EXPECT_TRUE(contains(page, "\\fI" + RoffText(operand.Name) + "\\fR\n")) << operand.Name;
        }
        for (const OptionSpec& option : command.Options) {
            EXPECT_TRUE(contains(page, RoffText(OptionHelp(option)))) << option.Name;
        }
    }
    for (const char* option :
         {"simulate", "iscsi", "time\\-scale", "verbose", "quiet", "help", "version"}) {
        EXPECT_TRUE(contains(page, ".TP\n\\fB\\%\\-\\-" + std::string(option) + "\\fR")) << option;
    }
    expectOnlyKnownRequests(page);
}

TEST(ManPage, BothPagesHaveTheOrdinarySectionsAndTheDiskGroup) {
    for (const std::string& page : {CliManPage(Edition), WindowManPage(Edition)}) {
        std::size_t at = 0;
        for (const char* section : {"NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "EXIT STATUS",
                                    "ENVIRONMENT", "FILES", "NOTES", "EXAMPLES", "SEE ALSO"}) {
            const std::size_t found = page.find(".SH " + std::string(section) + "\n", at);
            EXPECT_NE(found, std::string::npos) << section;
            at = found == std::string::npos ? at : found;
        }
        EXPECT_TRUE(contains(page, "sudo adduser $USER disk"));
        EXPECT_TRUE(contains(page, "LIBISCSI_CHAP_TARGET_PASSWORD"));
        expectOnlyKnownRequests(page);
    }
    const std::string window = WindowManPage(Edition);
    EXPECT_FALSE(contains(window, ".SH COMMANDS"));
    EXPECT_TRUE(contains(window, ".TP\n\\fB\\%\\-\\-simulate\\fR[=DRIVES]\n"));
}

} // namespace
