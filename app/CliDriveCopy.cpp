#include "CliDriveCopy.h"

#include "CliSession.h"
#include "console/TwoDriveCopy.h"

namespace quillon::app {

int RunCopyDrive(CliSession& session, const CommandArguments& arguments) {
    console::TwoDriveCopy copy(session.Operations(), session.Gauge());
    copy.BeginLog();
    const auto result =
        copy.CopyStart(arguments.Address("SRC-H:T:L"), arguments.Address("DST-H:T:L"),
                       *arguments.Hex("--start"), *arguments.Hex("--end"));
    if (result.Completed) {
        return session.Conclude({});
    }
    return session.Conclude({result.Shortfall});
}

} // namespace quillon::app
