#include "SeekTestWindow.h"

#include "plots/PxGraph.h"
#include "widgets/Colors.h"
#include "widgets/CuteButton.h"
#include "widgets/IntEdit.h"

#include <QLabel>
#include <QLineEdit>

namespace quillon::tests {

namespace {

using namespace widgets::colors;
using widgets::TOverWriteMode;

constexpr QSize WindowSize{505, 421};
constexpr QRect SeekStopPlace{382, 2, 81, 21};
constexpr int Decimal = -10;
constexpr int Hexadecimal = -16;

QLabel* addYellowLabel(QWidget* window, const char* name, const QString& text, QRect geometry) {
    QLabel* label = AddLabel(window, name, text, geometry.topLeft());
    label->resize(geometry.size());
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, QColor(clYellow));
    label->setPalette(palette);
    label->setAutoFillBackground(true);
    return label;
}

} // namespace

TForm8::TForm8(console::DriveConsole& drive, QWidget* parent)
    : QDialog(parent), test_(drive, *this, HrpcTimer1) {
    setObjectName("Form8");
    setWindowTitle("Random Seek Test");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(WindowSize);
    QFont gothic = font();
    gothic.setPixelSize(12);
    setFont(gothic);
    HrpcTimer1.setObjectName("HrpcTimer1");

    AddLabel(this, "Label2", "Max Time", {4, 6});
    IntEdit2 =
        AddIntEdit(this, "IntEdit2", {66, 2, 41, 21}, Decimal, 80, TOverWriteMode::owOverWrite);
    AddLabel(this, "Label1", "Max LBA", {116, 6});
    IntEdit1 =
        AddIntEdit(this, "IntEdit1", {172, 2, 65, 21}, Hexadecimal, 0, TOverWriteMode::owOverWrite);
    AddLabel(this, "Label3", "Test Count", {246, 6});
    IntEdit3 =
        AddIntEdit(this, "IntEdit3", {318, 2, 55, 21}, Decimal, 1000, TOverWriteMode::owInsert);
    CuteButton1 = AddButton(this, "CuteButton1", "Seek Test", clAqua, SeekStopPlace);
    CuteButton2 = AddButton(this, "CuteButton2", "STOP", clFuchsia, SeekStopPlace);
    CuteButton2->hide();
    CuteButton1->OnClick = [this](widgets::TCuteButton&) {
        start();
    };
    CuteButton2->OnClick = [this](widgets::TCuteButton&) {
        test_.StopRequested = true;
    };
    Label5 = addYellowLabel(this, "Label5", "Ave =", {4, 28, 200, 18});
    Label4 = addYellowLabel(this, "Label4", "Seek Error", {300, 28, 72, 18});
    Label4->hide();
    Edit1 = new QLineEdit("Edit1", this);
    Edit1->setObjectName("Edit1");
    Edit1->setGeometry(378, 26, 65, 21);
    Edit1->setReadOnly(true);
    Edit1->hide();

    PxGraph1 = new plots::TPxGraph(this);
    PxGraph1->setObjectName("PxGraph1");
    PxGraph1->setGeometry(4, 50, 497, 369);
    PrepareSeekPlot(PxGraph1->Graph(), gothic);
}

void TForm8::SetMaxLba(std::int32_t lba) {
    IntEdit1->setValue(lba);
}

void TForm8::showEvent(QShowEvent* event) {
    test_.SetAxisRange();
    PxGraph1->update();
    QDialog::showEvent(event);
}

void TForm8::reject() {
    // The window stays while a run is under way: STOP ends the run first.
    if (!running_) {
        QDialog::reject();
    }
}

void TForm8::start() {
    const bool close = test_.Run();
    PxGraph1->update();
    if (close) {
        accept();
    }
}

plots::PxGraphImage& TForm8::Graph() {
    return PxGraph1->Graph();
}

std::int32_t TForm8::MaxTime() const {
    return IntEdit2->Value();
}

std::int32_t TForm8::MaxLba() const {
    return IntEdit1->Value();
}

std::int32_t TForm8::TestCount() const {
    return IntEdit3->Value();
}

void TForm8::ShowAverages(const std::string& text) {
    Label5->setText(QString::fromStdString(text));
}

void TForm8::ShowErrorCount(std::int32_t count) {
    Label4->show();
    Edit1->show();
    Edit1->setText(QString::number(count));
}

void TForm8::SetRunning(bool running) {
    running_ = running;
    CuteButton1->setVisible(!running);
    CuteButton2->setVisible(running);
    PxGraph1->update();
}

void TForm8::ProcessEvents() {
    runEvents_.Process(*PxGraph1);
}

} // namespace quillon::tests
