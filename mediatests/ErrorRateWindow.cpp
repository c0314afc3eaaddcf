#include "ErrorRateWindow.h"

#include "plots/ArcGraph.h"
#include "widgets/Colors.h"
#include "widgets/IntEdit.h"

#include <QLabel>

namespace quillon::mediatests {

namespace {

using namespace widgets::colors;

constexpr QSize WindowSize{444, 487};
constexpr QRect StartStopPlace{372, 0, 49, 21};
constexpr const char* RightEdge = "rightEdge";

} // namespace

ErrorRateWindow::ErrorRateWindow(const char* name, const QString& caption, Qt::WindowFlags flags,
                                 std::int32_t skipTracks, QWidget* parent)
    : TestWindow(name, caption, flags, WindowSize, parent) {
    ArcGraph1 = new plots::TArcGraph(this);
    ArcGraph1->setObjectName("ArcGraph1");
    ArcGraph1->setGeometry(0, 24, 436, 436);
    ArcGraph1->Graph().OverWrite = false;
    ArcGraph1->Graph().GRFont = font();
    QLabel* startLba = AddLabel(this, "Label1", "Start LBA", {4, 4});
    IntEdit1 =
        AddIntEdit(this, "IntEdit1", {60, 0, 65, 21}, -16, 256,
                   widgets::TOverWriteMode::owOverWrite, widgets::TAlignment::taRightJustify);
    startLba->setBuddy(IntEdit1);
    QLabel* endLba = AddLabel(this, "Label2", "End LBA", {136, 4});
    IntEdit2 = AddIntEdit(this, "IntEdit2", {184, 0, 69, 21}, -16, 0);
    endLba->setBuddy(IntEdit2);
    QLabel* skipTrack = AddLabel(this, "Label5", "SkipTrack", {264, 4});
    IntEdit3 = AddIntEdit(this, "IntEdit3", {316, 0, 45, 21}, 16, skipTracks);
    skipTrack->setBuddy(IntEdit3);
    IntEdit3->setMinValue(0);
    addStartStop("START", StartStopPlace, *ArcGraph1);
    Label3 = addFigure("Label3", "Error Rate", {373, 440});
    Label4 = addFigure("Label4", "LBA", {402, 420});

    ArcGraph1->Graph().SetRange(-64, 64, -64, 64);
}

// The figures stand on the map's lower right, in white on the button face,
// each as wide as its text and with its right edge kept where it starts.
QLabel* ErrorRateWindow::addFigure(const char* name, const QString& text, QPoint at) {
    auto* label = AddLabel(this, name, text, at);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont sans("Sans Serif");
    sans.setPixelSize(11);
    label->setFont(sans);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(clWhite));
    palette.setColor(QPalette::Window, clBtnFace());
    label->setPalette(palette);
    label->setAutoFillBackground(true);
    label->adjustSize();
    label->setProperty(RightEdge, label->geometry().right());
    return label;
}

void ErrorRateWindow::setFigure(QLabel* label, const std::string& text) {
    label->setText(QString::fromStdString(text));
    label->adjustSize();
    label->move(label->property(RightEdge).toInt() - label->width() + 1, label->y());
}

void ErrorRateWindow::SetEndLba(std::int32_t lba) {
    IntEdit2->setValue(lba);
}

void ErrorRateWindow::showEvent(QShowEvent* event) {
    ArcGraph1->Graph().Redraw();
    ArcGraph1->update();
    Test().StopRequested = false;
    QDialog::showEvent(event);
}

bool ErrorRateWindow::runTest() {
    return Test().Run(IntEdit1->Value(), IntEdit2->Value(), IntEdit3->Value());
}

void ErrorRateWindow::requestStop() {
    Test().StopRequested = true;
}

plots::ArcGraphImage& ErrorRateWindow::Map() {
    return ArcGraph1->Graph();
}

void ErrorRateWindow::ShowRate(const std::string& text) {
    setFigure(Label3, text);
}

void ErrorRateWindow::ShowLba(const std::string& text) {
    setFigure(Label4, text);
}

void ErrorRateWindow::SetRunning(bool running) {
    showRunning(running);
}

void ErrorRateWindow::ProcessEvents() {
    processRunEvents();
}

} // namespace quillon::mediatests
