#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMessageBox>
#include <QSet>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <functional>
#include <utility>

namespace quillon::e2e {

// Answers the modal windows that an operation opens, as a user would: notes
// what each shows, runs a check while it is up, then presses a button on a
// message box (the next one queued in buttons, OK when none is) or Escape on
// any other window, except those the test drives itself (leftAlone, by
// name). A window is described by its name, its title in brackets, and a
// message box's text or the other window's visible boxes and labels
// ("Edit1= $03|Label1=Medium Error|...", by name).
class ModalAnswerer : public QObject {
public:
    ModalAnswerer() {
        connect(&timer_, &QTimer::timeout, this, &ModalAnswerer::answer);
        timer_.start(5);
    }

    // The windows shown since the last call, first to last.
    QStringList take() { return std::exchange(shown_, {}); }

    std::function<void()> whileShown;
    QList<QMessageBox::StandardButton> buttons;
    QSet<QString> leftAlone;

private:
    void answer() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible() || leftAlone.contains(modal->objectName())) {
            return;
        }
        if (whileShown) {
            whileShown();
        }
        const QString heading = modal->objectName() + " [" + modal->windowTitle() + "] ";
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            shown_ << heading + box->text();
            const auto button = buttons.isEmpty() ? QMessageBox::Ok : buttons.takeFirst();
            QTest::mouseClick(box->button(button), Qt::LeftButton);
            return;
        }
        shown_ << heading + visibleTexts(*modal);
        QTest::keyClick(modal, Qt::Key_Escape);
    }

    static QString visibleTexts(const QWidget& window) {
        QMap<QString, QString> fields;
        for (auto* child : window.findChildren<QWidget*>()) {
            const bool textual = qobject_cast<QLabel*>(child) || qobject_cast<QLineEdit*>(child);
            if (textual && child->isVisible()) {
                fields[child->objectName()] = child->property("text").toString();
            }
        }
        QStringList pairs;
        for (auto it = fields.begin(); it != fields.end(); ++it) {
            pairs << it.key() + "=" + it.value();
        }
        return pairs.join('|');
    }

    QTimer timer_;
    QStringList shown_;
};

} // namespace quillon::e2e
