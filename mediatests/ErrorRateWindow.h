#pragma once

#include "mediatests/ByteErrorTest.h"
#include "mediatests/TestView.h"
#include "mediatests/TestWindow.h"

class QLabel;

namespace quillon::plots {
class TArcGraph;
}
namespace quillon::mediatests {

// The window of a bit error rate test: the block range and the tracks to
// skip, START and STOP in one place, and the disc map with the running error
// rate and the current block. Created once; each showing starts with a clean
// map, and the map and figures stay after a run until the window is closed.
class ErrorRateWindow : public TestWindow, protected TestView {
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

private:
    QLabel* addFigure(const char* name, const QString& text, QPoint at);
    void setFigure(QLabel* label, const std::string& text);
    bool runTest() override;
    void requestStop() override;

    plots::ArcGraphImage& Map() override;
    void ShowRate(const std::string& text) override;
    void ShowLba(const std::string& text) override;
    void SetRunning(bool running) override;
    void ProcessEvents() override;

    plots::TArcGraph* ArcGraph1 = nullptr;
    widgets::TIntEdit* IntEdit1 = nullptr;
    widgets::TIntEdit* IntEdit2 = nullptr;
    widgets::TIntEdit* IntEdit3 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
};

} // namespace quillon::mediatests
