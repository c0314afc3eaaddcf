#pragma once

#include "console/DriveConsole.h"

#include <functional>
#include <string>

namespace quillon::mediatests {

// The texts a media test is launched with: the log's header, the name a
// medium that is not ready is reported under, and the line that ends it.
struct MediaTestNames {
    std::string Title;
    std::string FailureName;
    std::string Completion;
};

// The launch from the main window (or the terminal): the device in the list
// becomes the current one, the log gets the test's header ("    **** Title
// *****"), and when the medium is ready the test is shown (runTest) and its
// completion logged. Returns whether the test was shown.
bool LaunchMediaTest(console::DriveConsole& drive, console::DeviceAddress at,
                     const MediaTestNames& names, const std::function<void()>& runTest);

} // namespace quillon::mediatests
