#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace quillon::app {

// A command line a program cannot run; the message says why, and the command
// it concerns (if any) chooses the usage line shown with it.
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const std::string& message, std::string command = {})
        : std::runtime_error(message), command_(std::move(command)) {}
    const std::string& Command() const { return command_; }

private:
    std::string command_;
};

// How both programs choose their host adapters: the simulated bus and its
// drives, the iSCSI portals, and the simulated drives' speed.
struct AdapterOptions {
    std::optional<std::string> simulate; // drive set; empty for the default set
    std::vector<std::string> iscsi;      // portal URLs, in the order given
    std::optional<double> timeScale;     // the front end's default when not given
};

// Declares --simulate[=DRIVES], --iscsi URL (repeatable) and --time-scale X
// on a parser, to be read into options.
void AddAdapterOptions(CLI::App& parser, AdapterOptions& options);

// The help text of the adapter options, shared by both programs' --help.
const char* AdapterOptionsHelp();

// quillon's command line: the adapter options, and --help and --version
// answered by the caller before anything starts. Throws UsageError.
AdapterOptions ParseWindowProgramOptions(int argc, const char* const* argv);

// quillon's --help.
std::string WindowProgramUsage();
// What quillon does, the paragraph of its --help.
const char* WindowProgramIntroduction();
// quillon's --help and --version as its --help lists them.
const char* WindowProgramFlagsHelp();

} // namespace quillon::app
