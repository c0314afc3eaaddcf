#pragma once

#include "app/CartridgeChanger.h"
#include "console/CopyOperations.h"
#include "console/DefectListWindow.h"
#include "console/ErrorRecoverWindow.h"
#include "console/FormatWindows.h"
#include "console/GaugeWindow.h"
#include "console/HexEditWindow.h"
#include "console/MainWindow.h"
#include "console/RangeWindow.h"
#include "console/SenseWindow.h"
#include "console/TwoDriveWindow.h"
#include "mediatests/BitErrRateWindow.h"
#include "mediatests/SafeBerWindow.h"
#include "mediatests/SeekTestWindow.h"

#include <memory>

namespace quillon::app {

// The program's windows, created once at start-up in their fixed order and
// kept, with what they show, until the program ends: the main window first,
// then the editors, the progress window, the defect list choice, the range
// dialog, the two-drive copy, the format progress windows and the test
// windows, the sense window last. The main window's buttons open the editors,
// the defect list choice, the copy window, the format progress windows and the
// test windows, and run the copies and verify with the range dialog and the
// progress window.
class Windows {
public:
    Windows(std::vector<std::unique_ptr<scsi::Transport>> transports,
            const std::vector<std::string>& notes);

    console::TForm1& Form1() { return *form1_; }
    console::THexEdit& HexEdit() { return *hexEdit_; }
    console::TForm2& Form2() { return *form2_; }
    console::TForm3& Form3() { return *form3_; }
    console::TForm4& Form4() { return *form4_; }
    console::TForm5& Form5() { return *form5_; }
    console::TForm6& Form6() { return *form6_; }
    console::TForm7& Form7() { return *form7_; }
    mediatests::TForm8& Form8() { return *form8_; }
    mediatests::TForm9& Form9() { return *form9_; }
    console::TForm10& Form10() { return *form10_; }
    mediatests::TForm11& Form11() { return *form11_; }
    console::TExSenseData& ExSenseData() { return *exSenseData_; }

private:
    // Shows a bit error rate test window from the main window, with its
    // header line.
    void launchTest(mediatests::ErrorRateWindow& window, const std::string& title);
    void launchSeekTest();
    void launchTwoDriveCopy();
    // Shows a window modally in the main window's place.
    void showInstead(QDialog& window);

    std::unique_ptr<console::TForm1> form1_;
    console::THexEdit* hexEdit_;         // owned by the main window
    console::TForm2* form2_;             // owned by the main window
    console::TForm3* form3_;             // owned by the main window
    console::TForm4* form4_;             // owned by the main window
    console::TForm5* form5_;             // owned by the main window
    console::TForm6* form6_;             // owned by the main window
    console::TForm7* form7_;             // owned by the main window
    mediatests::TForm8* form8_;          // owned by the main window
    mediatests::TForm9* form9_;          // owned by the main window
    console::TForm10* form10_;           // owned by the main window
    mediatests::TForm11* form11_;        // owned by the main window
    console::TExSenseData* exSenseData_; // owned by the main window
    CartridgeChanger changer_;
    console::CopyOperations copies_;
};

} // namespace quillon::app
