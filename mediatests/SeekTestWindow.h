#pragma once

#include "mediatests/SeekTest.h"
#include "mediatests/TestWindow.h"
#include "plots/HrpcTimer.h"

class QLabel;
class QLineEdit;

namespace quillon::plots {
class TPxGraph;
}

namespace quillon::mediatests {

// The window of the random seek test: Max Time, Max LBA and Test Count, the
// "Seek Test" and STOP buttons in one place, the running averages, the count
// of failed seeks once one has failed, and the plot of seek time against
// distance. Created once; each showing starts with an empty plot sized to
// the fields, and a run's points stay until the next showing or run.
class TForm8 : public TestWindow, protected SeekView {
    Q_OBJECT

public:
    explicit TForm8(console::DriveConsole& drive, QWidget* parent = nullptr);

    // The last block of the medium, set by the launcher before showing.
    void SetMaxLba(std::int32_t lba);
    RandomSeekTest& Test() { return test_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool runTest() override;
    void requestStop() override;

    plots::PxGraphImage& Graph() override;
    std::int32_t MaxTime() const override;
    std::int32_t MaxLba() const override;
    std::int32_t TestCount() const override;
    void ShowAverages(const std::string& text) override;
    void ShowErrorCount(std::int32_t count) override;
    void SetRunning(bool running) override;
    void ProcessEvents() override;

    widgets::TIntEdit* IntEdit2 = nullptr;
    widgets::TIntEdit* IntEdit1 = nullptr;
    widgets::TIntEdit* IntEdit3 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* Edit1 = nullptr;
    plots::TPxGraph* PxGraph1 = nullptr;
    plots::THrpcTimer HrpcTimer1;
    RandomSeekTest test_;
};

} // namespace quillon::mediatests
