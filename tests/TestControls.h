#pragma once

#include "widgets/EditTyping.h"

#include <QElapsedTimer>
#include <QPoint>
#include <QRect>
#include <QRgb>
#include <QString>
#include <cstdint>

class QLabel;
class QWidget;

namespace quillon::widgets {
class TCuteButton;
class TIntEdit;
} // namespace quillon::widgets

namespace quillon::tests {

// The controls of the media test windows, made alike: labels, right-aligned
// number fields and the start and stop buttons.
QLabel* AddLabel(QWidget* window, const char* name, const QString& text, QPoint at);
widgets::TIntEdit* AddIntEdit(QWidget* window, const char* name, QRect geometry, int radix,
                              std::int32_t value, widgets::TOverWriteMode mode);
widgets::TCuteButton* AddButton(QWidget* window, const char* name, const QString& caption,
                                QRgb color, QRect geometry);

// Lets pending events run during a test run, so that STOP can be pressed,
// and repaints the run's picture at most every 40 ms rather than before each
// of thousands of commands a second.
class RunEvents {
public:
    void Process(QWidget& picture);

private:
    QElapsedTimer sinceRepaint_;
};

} // namespace quillon::tests
