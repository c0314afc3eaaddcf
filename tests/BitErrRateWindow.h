#pragma once

#include "tests/BitErrorRate.h"
#include "tests/TestView.h"

#include <QDialog>

class QLabel;

namespace quillon::plots {
class TArcGraph;
}
namespace quillon::widgets {
class TCuteButton;
class TIntEdit;
} // namespace quillon::widgets

namespace quillon::tests {

// The window of the bit error rate test in long-write mode: the block range
// and the tracks to skip, START and STOP, and the disc map with the running
// error rate. Created once; each showing starts with a clean map, and the
// map and figures stay after a run until the window is closed.
class TForm9 : public QDialog, private TestView {
    Q_OBJECT

public:
    TForm9(console::DriveConsole& drive, QWidget* parent = nullptr);

    // The last block of the medium, set by the launcher before showing.
    void SetEndLba(std::int32_t lba);
    BitErrorRateTest& Test() { return test_; }

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    QLabel* addLabel(const char* name, const QString& text, QPoint at);
    widgets::TIntEdit* addIntEdit(const char* name, QRect geometry, int radix, std::int32_t value);
    widgets::TCuteButton* addButton(const char* name, const QString& caption, QRgb color);
    QLabel* addFigure(const char* name, const QString& text, QPoint at);
    void setFigure(QLabel* label, const std::string& text);
    void start();

    plots::ArcGraphImage& Map() override;
    void ShowRate(const std::string& text) override;
    void ShowLba(const std::string& text) override;
    void SetRunning(bool running) override;
    void ProcessEvents() override;

    BitErrorRateTest test_;
    bool running_ = false;
    plots::TArcGraph* ArcGraph1 = nullptr;
    widgets::TIntEdit* IntEdit1 = nullptr;
    widgets::TIntEdit* IntEdit2 = nullptr;
    widgets::TIntEdit* IntEdit3 = nullptr;
    widgets::TCuteButton* CuteButton1 = nullptr;
    widgets::TCuteButton* CuteButton2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
};

} // namespace quillon::tests
