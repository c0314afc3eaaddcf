#pragma once

#include "tests/ByteErrorTest.h"
#include "tests/TestControls.h"
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

// The window of a bit error rate test: the block range and the tracks to
// skip, START and STOP in one place, and the disc map with the running error
// rate and the current block. Created once; each showing starts with a clean
// map, and the map and figures stay after a run until the window is closed.
// It cannot be closed while a run is under way, which also holds off the
// application's quit until the run has ended.
class ErrorRateWindow : public QDialog, protected TestView {
    Q_OBJECT

public:
    // The last block of the medium, set by the launcher before showing.
    void SetEndLba(std::int32_t lba);
    // The test that START runs.
    virtual ByteErrorTest& Test() = 0;

protected:
    // flags: the border icons; skipTracks: the tracks to skip at first.
    ErrorRateWindow(const char* name, const QString& caption, Qt::WindowFlags flags,
                    std::int32_t skipTracks, QWidget* parent);

    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    QLabel* addFigure(const char* name, const QString& text, QPoint at);
    void setFigure(QLabel* label, const std::string& text);
    void start();

    plots::ArcGraphImage& Map() override;
    void ShowRate(const std::string& text) override;
    void ShowLba(const std::string& text) override;
    void SetRunning(bool running) override;
    void ProcessEvents() override;

    bool running_ = false;
    RunEvents runEvents_;
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
