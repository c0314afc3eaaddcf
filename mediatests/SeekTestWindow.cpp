#include "SeekTestWindow.h"

#include "plots/PxGraph.h"
#include "widgets/Colors.h"
#include "widgets/IntEdit.h"

#include <QLabel>
#include <QLineEdit>

namespace quillon::mediatests {

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
    : TestWindow("Form8", "Random Seek Test",
                 Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint, WindowSize, parent),
      test_(drive, *this, HrpcTimer1) {
    HrpcTimer1.setObjectName("HrpcTimer1");

    QLabel* maxTime = AddLabel(this, "Label2", "Max Time", {4, 6});
    IntEdit2 =
        AddIntEdit(this, "IntEdit2", {66, 2, 41, 21}, Decimal, 80, TOverWriteMode::owOverWrite);
    maxTime->setBuddy(IntEdit2);
    QLabel* maxLba = AddLabel(this, "Label1", "Max LBA", {116, 6});
    IntEdit1 =
        AddIntEdit(this, "IntEdit1", {172, 2, 65, 21}, Hexadecimal, 0, TOverWriteMode::owOverWrite);
    maxLba->setBuddy(IntEdit1);
    QLabel* testCount = AddLabel(this, "Label3", "Test Count", {246, 6});
    IntEdit3 = AddIntEdit(this, "IntEdit3", {318, 2, 55, 21}, Decimal, 1000);
    testCount->setBuddy(IntEdit3);
    Label5 = addYellowLabel(this, "Label5", "Ave =", {4, 28, 200, 18});
    Label4 = addYellowLabel(this, "Label4", "Seek Error", {300, 28, 72, 18});
    Label4->hide();
    Edit1 = new QLineEdit("Edit1", this);
    Edit1->setObjectName("Edit1");
    Edit1->setGeometry(378, 26, 65, 21);
    Edit1->setReadOnly(true);
    Edit1->hide();
    Label4->setBuddy(Edit1);

    PxGraph1 = new plots::TPxGraph(this);
    PxGraph1->setObjectName("PxGraph1");
    PxGraph1->setGeometry(4, 50, 497, 369);
    PrepareSeekPlot(PxGraph1->Graph(), font());
    addStartStop("Seek Test", SeekStopPlace, *PxGraph1);
}

void TForm8::SetMaxLba(std::int32_t lba) {
    IntEdit1->setValue(lba);
}

void TForm8::showEvent(QShowEvent* event) {
    test_.SetAxisRange();
    PxGraph1->update();
    QDialog::showEvent(event);
}

bool TForm8::runTest() {
    return test_.Run();
}

void TForm8::requestStop() {
    test_.StopRequested = true;
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
    showRunning(running);
}

void TForm8::ProcessEvents() {
    processRunEvents();
}

} // namespace quillon::mediatests
