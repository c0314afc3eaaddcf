#include "TestControls.h"

#include "widgets/CuteButton.h"
#include "widgets/IntEdit.h"

#include <QApplication>
#include <QLabel>

namespace quillon::tests {

QLabel* AddLabel(QWidget* window, const char* name, const QString& text, QPoint at) {
    auto* label = new QLabel(text, window);
    label->setObjectName(name);
    label->move(at);
    return label;
}

widgets::TIntEdit* AddIntEdit(QWidget* window, const char* name, QRect geometry, int radix,
                              std::int32_t value, widgets::TOverWriteMode mode) {
    auto* edit = new widgets::TIntEdit(window);
    edit->setObjectName(name);
    edit->setGeometry(geometry);
    edit->setRadix(radix);
    edit->setValue(value);
    edit->setAlignment(widgets::TAlignment::taRightJustify);
    edit->setOverWriteMode(mode);
    return edit;
}

widgets::TCuteButton* AddButton(QWidget* window, const char* name, const QString& caption,
                                QRgb color, QRect geometry) {
    auto* button = new widgets::TCuteButton(window);
    button->setObjectName(name);
    button->setGeometry(geometry);
    button->setCaption(caption);
    button->setColor(QColor(color));
    return button;
}

void RunEvents::Process(QWidget& picture) {
    constexpr qint64 RepaintInterval = 40; // ms
    if (!sinceRepaint_.isValid() || sinceRepaint_.elapsed() >= RepaintInterval) {
        picture.update();
        sinceRepaint_.start();
    }
    QApplication::processEvents();
}

} // namespace quillon::tests
