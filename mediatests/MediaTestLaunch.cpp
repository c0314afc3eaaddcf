#include "MediaTestLaunch.h"

namespace quillon::mediatests {

bool LaunchMediaTest(console::DriveConsole& drive, console::DeviceAddress at,
                     const MediaTestNames& names, const std::function<void()>& runTest) {
    if (!drive.BeginWithReadyMedium(at, names.Title, names.FailureName)) {
        return false;
    }
    runTest();
    drive.Output().AddLog(names.Completion);
    return true;
}

} // namespace quillon::mediatests
