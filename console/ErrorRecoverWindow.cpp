#include "ErrorRecoverWindow.h"

#include "FixedDialog.h"
#include "widgets/IntEdit.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>

namespace quillon::console {

namespace {

constexpr QSize WindowSize{356, 223};
constexpr QRect GroupPlace{8, 4, 340, 211};
// Places inside the group box: two columns of check boxes, then two columns
// of fields, each with its label to the left.
constexpr int CheckColumns[] = {8, 166};
constexpr int CheckTop = 20;
constexpr int CheckStep = 20;
constexpr int CheckWidths[] = {158, 166};
constexpr int CheckHeight = 18;
constexpr int LabelColumns[] = {8, 166};
constexpr int EditColumns[] = {92, 280};
constexpr int EditWidths[] = {68, 56};
constexpr int FieldTop = 108;
constexpr int FieldStep = 30;
constexpr int FieldHeight = 22;
constexpr std::size_t RowsPerColumn = 4;
constexpr std::size_t FieldRowsPerColumn = 3;

} // namespace

TForm2::TForm2(DriveConsole& drive, QWidget* parent) : QDialog(parent), operations_(drive, *this) {
    SetUpFixedDialog(*this, "Form2", "Mode Sense", WindowSize);
    GroupBox1 = new QGroupBox("Error Recover Data", this);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(GroupPlace);
    buildCheckBoxes();
    buildIntEdits();
}

void TForm2::buildCheckBoxes() {
    for (std::size_t i = 0; i < checkBoxes_.size(); ++i) {
        const RecoveryField& field = RecoveryFields[i];
        auto* box = new QCheckBox(QString::fromUtf8(field.Caption), GroupBox1);
        box->setObjectName(field.Control);
        const std::size_t column = i / RowsPerColumn;
        const int top = CheckTop + static_cast<int>(i % RowsPerColumn) * CheckStep;
        box->setGeometry(CheckColumns[column], top, CheckWidths[column], CheckHeight);
        checkBoxes_[i] = box;
    }
}

void TForm2::buildIntEdits() {
    for (std::size_t i = 0; i < intEdits_.size(); ++i) {
        const RecoveryField& field = RecoveryFields[checkBoxes_.size() + i];
        const std::size_t column = i / FieldRowsPerColumn;
        const int top = FieldTop + static_cast<int>(i % FieldRowsPerColumn) * FieldStep;
        auto* edit = new widgets::TIntEdit(GroupBox1);
        edit->setObjectName(field.Control);
        edit->setGeometry(EditColumns[column], top, EditWidths[column], FieldHeight);
        edit->setAlignment(widgets::TAlignment::taRightJustify);
        edit->setValue(0);
        auto* label = new QLabel(field.Caption, GroupBox1);
        label->setObjectName(QString("Label%1").arg(i + 1));
        label->setGeometry(LabelColumns[column], top, EditColumns[column] - LabelColumns[column],
                           FieldHeight);
        label->setBuddy(edit);
        intEdits_[i] = edit;
    }
}

void TForm2::Edit(RecoveryEditorState& state) {
    setWindowTitle(QString::fromStdString(state.Caption));
    for (std::size_t i = 0; i < checkBoxes_.size(); ++i) {
        checkBoxes_[i]->setChecked(state.Fields[i].Value != 0);
        checkBoxes_[i]->setEnabled(state.Fields[i].Enabled);
    }
    for (std::size_t i = 0; i < intEdits_.size(); ++i) {
        const FieldState& field = state.Fields[checkBoxes_.size() + i];
        intEdits_[i]->setValue(field.Value);
        intEdits_[i]->setEnabled(field.Enabled);
    }
    exec();
    for (std::size_t i = 0; i < checkBoxes_.size(); ++i) {
        state.Fields[i].Value = checkBoxes_[i]->isChecked() ? 1 : 0;
    }
    for (std::size_t i = 0; i < intEdits_.size(); ++i) {
        state.Fields[checkBoxes_.size() + i].Value = intEdits_[i]->Value();
    }
}

} // namespace quillon::console
