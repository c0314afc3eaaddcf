#include "RangeWindow.h"

#include "MessageBoxes.h"
#include "widgets/Colors.h"
#include "widgets/CuteButton.h"
#include "widgets/IntEdit.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>

namespace quillon::console {

namespace {

constexpr QSize WindowSize{240, 119};
// Three rows of a label and its field, then the two buttons.
constexpr int LabelLeft = 12;
constexpr int LabelWidth = 100;
constexpr int FieldLeft = 116;
constexpr int FieldWidth = 112;
constexpr int RowTop = 6;
constexpr int RowStep = 25;
constexpr int RowHeight = 21;
constexpr QRect OkPlace{40, 84, 72, 25};
constexpr QRect CancelPlace{128, 84, 72, 25};

} // namespace

TForm5::TForm5(QWidget* parent) : QDialog(parent) {
    setObjectName("Form5");
    setWindowTitle("Set LBA Address");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(WindowSize);
    const BlockRange defaults;
    buildField(0, "Start LBA", defaults.Start);
    buildField(1, "End LBA", defaults.End);
    buildField(2, "Destination LBA", defaults.Dest);
    CuteButton1 =
        widgets::AddCuteButton(this, "CuteButton1", "OK", widgets::colors::clAqua, OkPlace);
    CuteButton1->OnClick = [this](widgets::TCuteButton&) {
        CuteButton1Click();
    };
    CuteButton2 = widgets::AddCuteButton(this, "CuteButton2", "Cancel", widgets::colors::clYellow,
                                         CancelPlace);
    CuteButton2->OnClick = [this](widgets::TCuteButton&) {
        CuteButton2Click();
    };
}

void TForm5::buildField(int index, const char* caption, std::int32_t value) {
    const int top = RowTop + index * RowStep;
    auto* field = new widgets::TIntEdit(this);
    field->setObjectName(QString("IntEdit%1").arg(index + 1));
    field->setGeometry(FieldLeft, top, FieldWidth, RowHeight);
    field->setRadix(-16);
    field->setOverWriteMode(widgets::TOverWriteMode::owOverWrite);
    field->setAlignment(widgets::TAlignment::taRightJustify);
    field->setValue(value);
    auto* label = new QLabel(caption, this);
    label->setObjectName(QString("Label%1").arg(index + 1));
    label->setGeometry(LabelLeft, top, LabelWidth, RowHeight);
    label->setBuddy(field);
    labels_[static_cast<std::size_t>(index)] = label;
    fields_[static_cast<std::size_t>(index)] = field;
}

std::optional<BlockRange> TForm5::AskRange(bool withDestination) {
    labels_[2]->setEnabled(withDestination);
    fields_[2]->setEnabled(withDestination);
    exec();
    if (Cancelled) {
        return std::nullopt;
    }
    return BlockRange{fields_[0]->Value(), fields_[1]->Value(), fields_[2]->Value()};
}

void TForm5::showEvent(QShowEvent* event) {
    Cancelled = true;
    if (const QScreen* screen = QApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    QDialog::showEvent(event);
}

void TForm5::CuteButton1Click() {
    if (fields_[0]->Value() < fields_[1]->Value()) {
        Cancelled = false;
        accept();
        return;
    }
    ShowMessageBox(this, Console::BoxKind::Confirmation, "Start Addres >= End Address");
}

void TForm5::CuteButton2Click() {
    Cancelled = true;
    reject();
}

} // namespace quillon::console
