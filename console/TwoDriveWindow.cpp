#include "TwoDriveWindow.h"

#include "DeviceList.h"
#include "FixedDialog.h"
#include "HelpBook.h"
#include "MessageBoxes.h"
#include "widgets/Colors.h"
#include "widgets/CuteButton.h"
#include "widgets/IntEdit.h"
#include "widgets/StrColGrid.h"

#include <QLabel>
#include <QTimer>

namespace quillon::console {

namespace {

using namespace widgets::colors;

constexpr QSize WindowSize{403, 370};
constexpr int HelpContext = 10012;

// Each list sits under its label.
constexpr QPoint SourceLabelPlace{4, 4};
constexpr QRect SourceListPlace{2, 20, 399, 130};
constexpr QPoint DestinationLabelPlace{4, 160};
constexpr QRect DestinationListPlace{2, 178, 399, 130};

// The range fields, each beside its label, in one line under the lists.
constexpr QPoint StartLabelPlace{4, 318};
constexpr QRect StartEditPlace{64, 314, 76, 21};
constexpr QPoint EndLabelPlace{150, 318};
constexpr QRect EndEditPlace{200, 314, 76, 21};

struct ButtonPlace {
    const char* name;
    const char* caption;
    QRgb color;
    QRect geometry;
};

constexpr ButtonPlace ReScanPlace{"CuteButton1", "ReScan", clLime, {324, 152, 75, 23}};
constexpr ButtonPlace MaxLbaPlace{"CuteButton3", "Max LBA", clYellow, {324, 312, 75, 25}};
constexpr ButtonPlace CancelPlace{"CuteButton4", "Cansel", clFuchsia, {244, 341, 75, 25}};
constexpr ButtonPlace CopyStartPlace{"CuteButton2", "Copy Start", clAqua, {324, 341, 75, 25}};

QLabel* addLabel(QWidget* window, const char* name, const char* text, QPoint at) {
    auto* label = new QLabel(text, window);
    label->setObjectName(name);
    label->move(at);
    label->adjustSize();
    return label;
}

widgets::TStrColGrid* addList(QWidget* window, const char* name, QRect geometry) {
    auto* grid = new widgets::TStrColGrid(window);
    grid->setObjectName(name);
    grid->setGeometry(geometry);
    DeviceList::SetUp(*grid);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return grid;
}

widgets::TIntEdit* addRangeField(QWidget* window, const char* name, QRect geometry) {
    auto* edit = new widgets::TIntEdit(window);
    edit->setObjectName(name);
    edit->setGeometry(geometry);
    edit->setRadix(-16);
    edit->setAlignment(widgets::TAlignment::taRightJustify);
    edit->setValue(0);
    return edit;
}

} // namespace

TForm6::TForm6(DriveConsole& drive, ProgressWindow& gauge, QWidget* parent)
    : QDialog(parent), copy_(drive, gauge) {
    SetUpFixedDialog(*this, "Form6", "Select Drive (Copy Disk)", WindowSize);
    HelpBook::SetHelpContext(this, HelpContext);
    buildLists();
    buildRange();
    buildButtons();
}

void TForm6::buildLists() {
    Label1 = addLabel(this, "Label1", "Source Drive", SourceLabelPlace);
    StrColGrid1 = addList(this, "StrColGrid1", SourceListPlace);
    Label2 = addLabel(this, "Label2", "Destination Drive", DestinationLabelPlace);
    StrColGrid2 = addList(this, "StrColGrid2", DestinationListPlace);
}

void TForm6::buildRange() {
    Label3 = addLabel(this, "Label3", "Start LBA", StartLabelPlace);
    IntEdit1 = addRangeField(this, "IntEdit1", StartEditPlace);
    Label3->setBuddy(IntEdit1);
    Label4 = addLabel(this, "Label4", "End LBA", EndLabelPlace);
    IntEdit2 = addRangeField(this, "IntEdit2", EndEditPlace);
    Label4->setBuddy(IntEdit2);
}

void TForm6::buildButtons() {
    const auto add = [this](const ButtonPlace& place, void (TForm6::*click)()) {
        auto* button = new widgets::TCuteButton(this);
        button->setObjectName(place.name);
        button->setGeometry(place.geometry);
        button->setCaption(place.caption);
        button->setColor(QColor(place.color));
        button->OnClick = [this, click](widgets::TCuteButton&) {
            RunShowingErrors(this, [this, click] { (this->*click)(); });
        };
        return button;
    };
    CuteButton1 = add(ReScanPlace, &TForm6::CuteButton1Click);
    CuteButton3 = add(MaxLbaPlace, &TForm6::CuteButton3Click);
    CuteButton4 = add(CancelPlace, &TForm6::CuteButton4Click);
    CuteButton2 = add(CopyStartPlace, &TForm6::CuteButton2Click);
}

std::size_t TForm6::scanLists() {
    const auto drives = copy_.ScanDrives();
    DeviceList::Fill(*StrColGrid1, drives);
    DeviceList::Fill(*StrColGrid2, drives);
    return drives.size();
}

// The lists are filled before the window paints; the report of too few
// drives waits until the window is up, as a dialog can close only then.
void TForm6::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    const std::size_t found = scanLists();
    QTimer::singleShot(0, this, [this, found] { act(copy_.DrivesFound(found)); });
}

void TForm6::act(TwoDriveCopy::WindowAction action) {
    if (action == TwoDriveCopy::WindowAction::Close) {
        close();
    }
}

void TForm6::CuteButton1Click() {
    scanLists();
}

void TForm6::CuteButton2Click() {
    act(copy_
            .CopyStart(DeviceList::Selected(*StrColGrid1), DeviceList::Selected(*StrColGrid2),
                       IntEdit1->Value(), IntEdit2->Value())
            .Window);
}

void TForm6::CuteButton3Click() {
    if (const auto lba = copy_.MaxLba(DeviceList::Selected(*StrColGrid1))) {
        IntEdit2->setValue(*lba);
    }
}

void TForm6::CuteButton4Click() {
    act(copy_.Cancel());
}

} // namespace quillon::console
