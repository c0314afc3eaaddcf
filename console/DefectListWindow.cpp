#include "DefectListWindow.h"

#include "FixedDialog.h"
#include "HelpBook.h"

#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QRadioButton>
#include <QScreen>

namespace quillon::console {

namespace {

constexpr QSize WindowSize{241, 153};
constexpr int HelpContext = 10015;
constexpr QRect GroupPlace{4, 4, 233, 145};
// The buttons inside the group box, one under the other.
constexpr QRect FirstButtonPlace{6, 22, 225, 20};
constexpr int ButtonPitch = 28;

} // namespace

TForm4::TForm4(DriveConsole& drive, QWidget* parent) : QDialog(parent), defects_(drive, *this) {
    SetUpFixedDialog(*this, "Form4", "Select Memu", WindowSize);
    HelpBook::SetHelpContext(this, HelpContext);
    RadioGroup1 = new QGroupBox("Select Defect List", this);
    RadioGroup1->setObjectName("RadioGroup1");
    RadioGroup1->setGeometry(GroupPlace);
    for (std::size_t i = 0; i < RadioButtons.size(); ++i) {
        auto* button = new QRadioButton(DefectListKinds[i].Caption, RadioGroup1);
        button->setObjectName(QString("RadioButton%1").arg(i + 1));
        button->setGeometry(FirstButtonPlace.translated(0, static_cast<int>(i) * ButtonPitch));
        button->setChecked(i == 0);
        button->installEventFilter(this);
        connect(button, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked) {
                RadioButton1Click();
            }
        });
        RadioButtons[i] = button;
    }
}

std::int32_t TForm4::AskSelection() {
    if (const QScreen* screen = QApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    exec();
    return Selection;
}

void TForm4::done(int result) {
    FormClose();
    QDialog::done(result);
}

// A double click chooses the button it is on, checked or not.
bool TForm4::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        static_cast<QRadioButton*>(watched)->setChecked(true);
        RadioButton1Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TForm4::FormClose() {
    Selection = 0;
    for (std::size_t i = 0; i < RadioButtons.size(); ++i) {
        if (RadioButtons[i]->isChecked()) {
            Selection = static_cast<std::int32_t>(i + 1);
        }
    }
}

void TForm4::RadioButton1Click() {
    close();
}

} // namespace quillon::console
