#pragma once

#include "widgets/EditTyping.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>

class QLabel;

namespace quillon::widgets {
class TCuteButton;
class TIntEdit;
} // namespace quillon::widgets

namespace quillon::mediatests {

// The labels and number fields of the media test windows; a field types in
// insert mode and is left-aligned unless told otherwise.
QLabel* AddLabel(QWidget* window, const char* name, const QString& text, QPoint at);
widgets::TIntEdit* AddIntEdit(QWidget* window, const char* name, QRect geometry, int radix,
                              std::int32_t value,
                              widgets::TOverWriteMode mode = widgets::TOverWriteMode::owInsert,
                              widgets::TAlignment alignment = widgets::TAlignment::taLeftJustify);

// A media test's window: a fixed size and the 12-pixel font with digits 6
// pixels wide (its labels end where their fields begin), the button that
// starts a run and STOP sharing one place, and the picture the run draws
// (map or plot). While a run is under way only STOP shows, the picture is
// repainted at most every 40 ms rather than before each of thousands of
// commands a second, and the window cannot be closed, which also holds off
// the application's quit until the run has ended.
class TestWindow : public QDialog {
    Q_OBJECT

protected:
    TestWindow(const char* name, const QString& caption, Qt::WindowFlags flags, QSize size,
               QWidget* parent);

    // The start button (aqua, CuteButton1) and STOP (fuchsia, CuteButton2)
    // at place; picture is what a run draws on.
    void addStartStop(const QString& startCaption, QRect place, QWidget& picture);
    // One run of the test; returns whether the window is to close.
    virtual bool runTest() = 0;
    // STOP: the run ends after the step under way.
    virtual void requestStop() = 0;

    // While running, the start button is hidden and STOP shown in its place.
    void showRunning(bool running);
    // Lets pending events run during a run, so that STOP can be pressed.
    void processRunEvents();
    void reject() override;

private:
    void start();

    bool running_ = false;
    QElapsedTimer sinceRepaint_;
    QWidget* picture_ = nullptr;
    widgets::TCuteButton* CuteButton1 = nullptr;
    widgets::TCuteButton* CuteButton2 = nullptr;
};

} // namespace quillon::mediatests
