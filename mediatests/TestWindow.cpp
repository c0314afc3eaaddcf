#include "TestWindow.h"

#include "plots/DigitFont.h"
#include "widgets/Colors.h"
#include "widgets/CuteButton.h"
#include "widgets/IntEdit.h"

#include <QApplication>
#include <QLabel>

namespace quillon::mediatests {

QLabel* AddLabel(QWidget* window, const char* name, const QString& text, QPoint at) {
    auto* label = new QLabel(text, window);
    label->setObjectName(name);
    label->move(at);
    return label;
}

widgets::TIntEdit* AddIntEdit(QWidget* window, const char* name, QRect geometry, int radix,
                              std::int32_t value, widgets::TOverWriteMode mode,
                              widgets::TAlignment alignment) {
    auto* edit = new widgets::TIntEdit(window);
    edit->setObjectName(name);
    edit->setGeometry(geometry);
    edit->setRadix(radix);
    edit->setValue(value);
    edit->setAlignment(alignment);
    edit->setOverWriteMode(mode);
    return edit;
}

TestWindow::TestWindow(const char* name, const QString& caption, Qt::WindowFlags flags, QSize size,
                       QWidget* parent)
    : QDialog(parent) {
    setObjectName(name);
    setWindowTitle(caption);
    setWindowFlags(flags);
    setFixedSize(size);
    setFont(plots::HalfWidthDigitFont(font(), 12));
}

void TestWindow::addStartStop(const QString& startCaption, QRect place, QWidget& picture) {
    using namespace widgets::colors;
    picture_ = &picture;
    CuteButton1 = widgets::AddCuteButton(this, "CuteButton1", startCaption, clAqua, place);
    CuteButton2 = widgets::AddCuteButton(this, "CuteButton2", "STOP", clFuchsia, place);
    CuteButton2->hide();
    CuteButton1->OnClick = [this](widgets::TCuteButton&) {
        start();
    };
    CuteButton2->OnClick = [this](widgets::TCuteButton&) {
        requestStop();
    };
}

void TestWindow::start() {
    const bool close = runTest();
    picture_->update();
    if (close) {
        accept();
    }
}

void TestWindow::showRunning(bool running) {
    running_ = running;
    CuteButton1->setVisible(!running);
    CuteButton2->setVisible(running);
    picture_->update(); // the last points of a run
}

void TestWindow::processRunEvents() {
    constexpr qint64 RepaintInterval = 40; // ms
    if (!sinceRepaint_.isValid() || sinceRepaint_.elapsed() >= RepaintInterval) {
        picture_->update();
        sinceRepaint_.start();
    }
    QApplication::processEvents();
}

void TestWindow::reject() {
    // The window stays while a run is under way: STOP ends the run first.
    if (!running_) {
        QDialog::reject();
    }
}

} // namespace quillon::mediatests
