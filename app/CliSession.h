#pragma once

#include "app/CartridgeChanger.h"
#include "app/CommandLine.h"
#include "app/ProgressLine.h"
#include "app/StreamConsole.h"
#include "app/TerminalGauge.h"
#include "console/DriveConsole.h"
#include "drive/MODrive.h"

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace quillon::app {

// One run of quillon-cli: the program's options, the output, the progress
// line and the drive stack, whose transports are opened the first time the
// command asks for a drive (the help texts need none).
class CliSession {
public:
    CliSession(const Invocation& invocation, std::ostream& out);
    ~CliSession();

    // The drive component and the main window's operations on it.
    drive::TMODrive& Drive();
    console::DriveConsole& Operations();
    std::ostream& Out() { return out_; }
    // The progress window of the copies and of verify.
    console::ProgressWindow& Gauge() { return gauge_; }
    // The hand that changes a cartridge for Copy Disk.
    console::MediumChanger& Changer();
    // How the operation's questions are answered (Abort unless said).
    void AnswerQuestions(StreamConsole::Answering answering) { console_.SetAnswering(answering); }
    // The progress line of a command that shows no percentage.
    ProgressLine& Progress() { return progress_; }
    // The exit status of a run: 0 when nothing fell short, else 1, with each
    // shortcoming said on standard error.
    int Conclude(const std::vector<std::string>& shortcomings);
    // The exit status of an operation that succeeded or not: 1 when not,
    // saying on standard error when no device answered (the log only shows
    // the header then).
    int Outcome(bool succeeded);

private:
    void open();

    const Invocation& invocation_;
    std::ostream& out_;
    ProgressLine progress_;
    StreamConsole console_;
    TerminalGauge gauge_;
    std::unique_ptr<drive::TMODrive> drive_;
    std::unique_ptr<console::DriveConsole> operations_;
    std::unique_ptr<CartridgeChanger> changer_;
};

} // namespace quillon::app
