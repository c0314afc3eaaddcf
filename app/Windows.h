#pragma once

#include "console/MainWindow.h"
#include "console/SenseWindow.h"
#include "tests/BitErrRateWindow.h"

#include <memory>

namespace quillon::app {

// The program's windows, created once at start-up in their fixed order and
// kept, with what they show, until the program ends: the main window first,
// then the test windows, the sense window last. The main window's test
// buttons open the test windows.
class Windows {
public:
    Windows(std::vector<std::unique_ptr<scsi::Transport>> transports,
            const std::vector<std::string>& notes);

    console::TForm1& Form1() { return *form1_; }
    tests::TForm9& Form9() { return *form9_; }
    console::TExSenseData& ExSenseData() { return *exSenseData_; }

private:
    void launchBitErrorRate();

    std::unique_ptr<console::TForm1> form1_;
    tests::TForm9* form9_;               // owned by the main window
    console::TExSenseData* exSenseData_; // owned by the main window
};

} // namespace quillon::app
