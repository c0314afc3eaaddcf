#pragma once

#include "console/ModeOperations.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QGroupBox;

namespace quillon::widgets {
class TIntEdit;
}

namespace quillon::console {

// The error recovery editor: the flags of the drive's read-write error
// recovery page as check boxes and its counts as integer fields, shown
// modally by Mode Sense (to look) and Mode Select (to change what the drive
// lets change). Closing it in any way accepts the edits. Created once; it
// owns the two operations, which the main window's buttons run.
class TForm2 : public QDialog, private RecoveryEditor {
    Q_OBJECT

public:
    TForm2(DriveConsole& drive, QWidget* parent = nullptr);

    ModeOperations& Operations() { return operations_; }

private:
    void buildCheckBoxes();
    void buildIntEdits();
    void Edit(RecoveryEditorState& state) override;

    ModeOperations operations_;
    QGroupBox* GroupBox1 = nullptr;
    std::array<QCheckBox*, 8> checkBoxes_{};       // CheckBox1 to CheckBox8
    std::array<widgets::TIntEdit*, 6> intEdits_{}; // IntEdit1 to IntEdit6
};

} // namespace quillon::console
