#pragma once

#include "console/FormatOperations.h"

#include <QDialog>
#include <QPointer>

class QLabel;
class QTimer;

namespace quillon::widgets {
class TFmtEdit;
class TGauge;
} // namespace quillon::widgets

namespace quillon::console {

struct FormatWindowLook;
class TMyThread;

// The progress window of a format, shown in the main window's place while
// the drive formats: a gauge that sweeps once every hundred ticks of its
// timer to show that the drive is at work (not how far it has come) and the
// elapsed time. Showing it starts the worker thread that sends FORMAT UNIT;
// when the worker ends the timer stops, so the time shown is the format's.
// Escape does not close it.
class FormatWindow : public QDialog, public FormatProgress {
    Q_OBJECT

public:
    void ShowProgress(std::shared_ptr<FormatJob> job) override;
    void ProcessMessages() override;
    void HideProgress() override;
    std::int32_t Ticks() const override { return ticks_; }

    widgets::TGauge* Gauge1 = nullptr;
    QLabel* Label1 = nullptr;
    widgets::TFmtEdit* FmtEdit1 = nullptr;
    QTimer* Timer1 = nullptr;

protected:
    FormatWindow(const FormatKind& kind, const FormatWindowLook& look, QWidget& mainWindow);

    void closeEvent(QCloseEvent* event) override;
    void reject() override {}

private:
    // What showing the window does: the count from 0, the timer on, the
    // gauge at its start, and the worker started on the job.
    void FormShow(std::shared_ptr<FormatJob> job);
    void Timer1Timer();
    // A worker has ended (on this window's thread); only the running one's
    // end stops the timer.
    void WorkerTerminate(const TMyThread* ended);

    const FormatKind& kind_;
    QWidget& mainWindow_;
    const bool centred_;
    const bool closable_;
    std::int32_t ticks_ = 0;
    QPointer<TMyThread> Worker; // the running worker, until it ends
};

// "Physical Format", the progress window of Format: ticks of a second, a
// fuchsia gauge, centred on the screen; the user cannot close it.
class TForm7 : public FormatWindow {
    Q_OBJECT

public:
    explicit TForm7(QWidget& mainWindow);
};

// "Physical Format(Non P-list)", the progress window of ZeroFormat: ticks of
// a tenth of a second; closing it from its system menu lets the format go on,
// and the main window comes back when the drive answers.
class TForm10 : public FormatWindow {
    Q_OBJECT

public:
    explicit TForm10(QWidget& mainWindow);
};

} // namespace quillon::console
