#pragma once

#include "console/MainWindow.h"
#include "console/SenseWindow.h"

#include <memory>

namespace quillon::console {

// The program's windows, created once at start-up in their fixed order and
// kept, with what they show, until the program ends. The main window comes
// first; the sense window last.
class Windows {
public:
    Windows(std::vector<std::unique_ptr<scsi::Transport>> transports,
            const std::vector<std::string>& notes);

    TForm1& Form1() { return *form1_; }
    TExSenseData& ExSenseData() { return *exSenseData_; }

private:
    std::unique_ptr<TForm1> form1_;
    TExSenseData* exSenseData_; // owned by the main window
};

} // namespace quillon::console
