#pragma once

#include <QDialog>
#include <cstdint>

class QLabel;
class QLineEdit;

namespace quillon::console {

// The sense window: what REQUEST SENSE answered, in hexadecimal boxes with
// the meaning of the sense key and of the additional sense code in words.
// Extended sense and the old non-extended form each have a view of their
// own at the same place; exactly one of them is visible.
class TExSenseData : public QDialog {
    Q_OBJECT

public:
    explicit TExSenseData(QWidget* parent = nullptr);

    // Fills the window (SenseKey -1 means non-extended sense: ASC and ASCQ
    // are then the error class and code); shows it modally when Show is set.
    void ShowSense(bool Show, std::int32_t SenseKey, std::int32_t ASC, std::int32_t ASCQ,
                   std::int32_t LBA);

private:
    QWidget* buildExtendedView();
    QWidget* buildNonextendedView();

    QWidget* extendedView_ = nullptr;
    QWidget* nonextendedView_ = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QLineEdit* Edit7 = nullptr;
};

} // namespace quillon::console
