#pragma once

#include "console/DefectLists.h"

#include <QDialog>
#include <array>

class QGroupBox;
class QRadioButton;

namespace quillon::console {

// The dialog "Select Memu" of the main window's "Read Defect": four radio
// buttons, the primary or the grown list in physical sector or block address
// format. A click on a button not yet checked, a double click on any, or
// closing the dialog ends the choice; the dialog keeps it for the next use.
class TForm4 : public QDialog, public DefectListChoice {
    Q_OBJECT

public:
    explicit TForm4(DriveConsole& drive, QWidget* parent = nullptr);

    DefectLists& Operation() { return defects_; }
    // Shows the dialog modally, centred on the screen.
    std::int32_t AskSelection() override;

    // The number of the checked button when the dialog last closed, 0 when
    // none was.
    std::int32_t Selection = 0;

protected:
    // Every way the dialog closes ends here.
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormClose();
    void RadioButton1Click();

    DefectLists defects_;
    QGroupBox* RadioGroup1 = nullptr;
    std::array<QRadioButton*, 4> RadioButtons{}; // RadioButton1 to RadioButton4
};

} // namespace quillon::console
