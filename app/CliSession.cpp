#include "CliSession.h"

#include "Transports.h"

#include <cstdio>
#include <iostream>

namespace quillon::app {

CliSession::CliSession(const Invocation& invocation, std::ostream& out)
    : invocation_(invocation), out_(out),
      progress_(stderr, ProgressLine::WantedOnStandardError(invocation.quiet)),
      console_(out, progress_, std::cin), gauge_(progress_) {}

CliSession::~CliSession() = default;

drive::TMODrive& CliSession::Drive() {
    open();
    return *drive_;
}

console::DriveConsole& CliSession::Operations() {
    open();
    return *operations_;
}

console::MediumChanger& CliSession::Changer() {
    open();
    return *changer_;
}

int CliSession::Conclude(const std::vector<std::string>& shortcomings) {
    progress_.Clear();
    out_.flush();
    for (const std::string& reason : shortcomings) {
        std::fprintf(stderr, "quillon-cli: %s\n", reason.c_str());
    }
    return shortcomings.empty() ? 0 : 1;
}

int CliSession::Outcome(bool succeeded) {
    if (!succeeded && operations_ && !operations_->DeviceAnswered()) {
        return Conclude({console::DriveConsole::NoDeviceReason});
    }
    return succeeded ? 0 : 1;
}

void CliSession::open() {
    if (drive_) {
        return;
    }
    auto opened =
        openTransports(invocation_.adapters, invocation_.command->Command().DefaultTimeScale);
    for (const std::string& line : invocation_.verbose ? opened.logLines() : opened.warnings) {
        std::fprintf(stderr, "quillon-cli: %s\n", line.c_str());
    }
    drive_ = std::make_unique<drive::TMODrive>(std::move(opened.transports));
    operations_ = std::make_unique<console::DriveConsole>(*drive_, console_);
    changer_ = std::make_unique<CartridgeChanger>(*drive_);
}

} // namespace quillon::app
