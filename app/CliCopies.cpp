#include "CliCopies.h"

#include "CliSession.h"
#include "ProgramOptions.h"
#include "console/CopyOperations.h"
#include "console/ImageFile.h"

#include <algorithm>

namespace quillon::app {

namespace {

using console::CopyOperations;

// The range dialog on a terminal: its fields are the options, and OK is
// pressed at once. The range is checked as the dialog's OK checks it, but
// before anything is sent to the drive.
class OptionRange : public console::RangeDialog {
public:
    explicit OptionRange(const CommandArguments& arguments)
        : range_{*arguments.Hex("--start"), *arguments.Hex("--end"),
                 arguments.Hex("--dest").value_or(console::BlockRange{}.Dest)} {
        if (range_.Start >= range_.End) {
            throw UsageError("--start must lie below --end (Start Addres >= End Address)",
                             std::string(arguments.Command().Name));
        }
    }

    std::optional<console::BlockRange> AskRange(bool /*withDestination*/) override {
        return range_;
    }

private:
    console::BlockRange range_;
};

// Runs one of the operations on the command's device with its range.
template <typename Operation>
int run(CliSession& session, const CommandArguments& arguments, Operation operation) {
    OptionRange range(arguments);
    CopyOperations copies(session.Operations(), range, session.Gauge(), session.Changer());
    const bool done = operation(copies, arguments.Address());
    const int status = session.Conclude(copies.Shortcomings());
    return done ? status : std::max(status, 1);
}

} // namespace

int RunVerify(CliSession& session, const CommandArguments& arguments) {
    return run(session, arguments,
               [](CopyOperations& copies, console::DeviceAddress at) { return copies.Verify(at); });
}

int RunCopyBlock(CliSession& session, const CommandArguments& arguments) {
    return run(session, arguments, [](CopyOperations& copies, console::DeviceAddress at) {
        return copies.CopyBlock(at);
    });
}

int RunCopyDisk(CliSession& session, const CommandArguments& arguments) {
    const std::filesystem::path image =
        arguments.Text("--image").value_or(console::DefaultImagePath().string());
    session.AnswerQuestions(arguments.Flag("--yes") ? StreamConsole::Answering::Ok
                                                    : StreamConsole::Answering::FromInput);
    return run(session, arguments, [&](CopyOperations& copies, console::DeviceAddress at) {
        return copies.CopyDisk(at, image);
    });
}

} // namespace quillon::app
