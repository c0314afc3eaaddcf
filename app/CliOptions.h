#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillon::app {

// A command line quillon-cli cannot run; the message says why.
class UsageError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The options and words of a quillon-cli command line.
struct CliOptions {
    std::optional<std::string> simulate; // drive set; empty for the default set
    std::vector<std::string> iscsi;      // portal URLs, in the order given
    std::optional<double> timeScale;     // the front end's default when not given
    bool verbose = false;
    bool help = false;
    bool version = false;
    std::vector<std::string> words; // the command and its operands

    static CliOptions parse(int argc, char** argv);
};

// The --help texts of quillon-cli and of quillon.
std::string cliUsage();
std::string guiUsage();

} // namespace quillon::app
