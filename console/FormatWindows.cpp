#include "FormatWindows.h"

#include "FixedDialog.h"
#include "FormatThread.h"
#include "widgets/Colors.h"
#include "widgets/FmtEdit.h"
#include "widgets/Gauge.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>

namespace quillon::console {

// How a format's progress window looks and behaves where the two differ.
struct FormatWindowLook {
    const char* name;
    const char* caption;
    QSize size;
    bool centred;
    bool closable; // has a system menu
    QRgb gaugeColor;
    const char* label;
    Qt::AlignmentFlag elapsedAlignment;
    bool timerRunsFromStart;
};

namespace {

using namespace widgets::colors;

constexpr FormatWindowLook Form7Look{"Form7",   "Physical Format", {339, 92},      true, false,
                                     clFuchsia, "SumTime",         Qt::AlignRight, false};
constexpr FormatWindowLook Form10Look{"Form10",   "Physical Format(Non P-list)",
                                      {323, 96},  false,
                                      true,       clBlack,
                                      "Sum Time", Qt::AlignLeft,
                                      true};

// The gauge across the top, the label and the elapsed time under it.
constexpr int Margin = 8;
constexpr int GaugeHeight = 25;
constexpr QPoint LabelPlace{Margin, 52};
constexpr QRect ElapsedPlace{72, 48, 80, 21};

Qt::WindowFlags bordersOf(const FormatWindowLook& look) {
    Qt::WindowFlags flags =
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinMaxButtonsHint;
    if (look.closable) {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    }
    return flags;
}

} // namespace

FormatWindow::FormatWindow(const FormatKind& kind, const FormatWindowLook& look,
                           QWidget& mainWindow)
    : QDialog(&mainWindow), kind_(kind), mainWindow_(mainWindow), centred_(look.centred),
      closable_(look.closable) {
    SetUpFixedDialog(*this, look.name, look.caption, look.size);
    setWindowFlags(bordersOf(look));
    Gauge1 = new widgets::TGauge(QColor(look.gaugeColor), this);
    Gauge1->setObjectName("Gauge1");
    Gauge1->setGeometry(Margin, Margin, look.size.width() - 2 * Margin, GaugeHeight);
    Label1 = new QLabel(look.label, this);
    Label1->setObjectName("Label1");
    Label1->move(LabelPlace);
    Label1->adjustSize();
    FmtEdit1 = new widgets::TFmtEdit(this);
    FmtEdit1->setObjectName("FmtEdit1");
    Label1->setBuddy(FmtEdit1);
    FmtEdit1->setGeometry(ElapsedPlace);
    FmtEdit1->setAlignment(look.elapsedAlignment);
    // Only the timer writes the time: it takes no focus, so it shows no
    // selection either.
    FmtEdit1->setReadOnly(true);
    FmtEdit1->setFocusPolicy(Qt::NoFocus);
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(kind.TickMilliseconds);
    connect(Timer1, &QTimer::timeout, this, &FormatWindow::Timer1Timer);
    if (look.timerRunsFromStart) {
        Timer1->start();
    }
}

void FormatWindow::ShowProgress(std::shared_ptr<FormatJob> job) {
    mainWindow_.hide();
    if (centred_) {
        if (const QScreen* screen = QApplication::primaryScreen()) {
            move(screen->availableGeometry().center() - rect().center());
        }
    }
    show();
    FormShow(std::move(job));
}

void FormatWindow::FormShow(std::shared_ptr<FormatJob> job) {
    ticks_ = 0;
    FmtEdit1->setText(QString::fromStdString(ElapsedText(ticks_, kind_)));
    Timer1->start();
    Gauge1->SetProgress(0);
    // The worker frees itself when it ends.
    Worker = new TMyThread(std::move(job));
    connect(Worker, &QThread::finished, this,
            [this, worker = Worker.data()] { WorkerTerminate(worker); });
    connect(Worker, &QThread::finished, Worker, &QObject::deleteLater);
    Worker->start();
}

// The worker's end posts an event, so waiting for the next event never
// misses it; the timer's ticks are events too.
void FormatWindow::ProcessMessages() {
    QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void FormatWindow::HideProgress() {
    hide();
    mainWindow_.show();
}

void FormatWindow::Timer1Timer() {
    ++ticks_;
    FmtEdit1->setText(QString::fromStdString(ElapsedText(ticks_, kind_)));
    const int next = Gauge1->Progress() + 1;
    Gauge1->SetProgress(next >= Gauge1->maximum() ? Gauge1->minimum() : next);
}

void FormatWindow::WorkerTerminate(const TMyThread* ended) {
    if (ended == Worker) {
        Timer1->stop();
    }
}

// Without a system menu the window cannot be closed; the program only hides
// it.
void FormatWindow::closeEvent(QCloseEvent* event) {
    event->setAccepted(closable_);
}

TForm7::TForm7(QWidget& mainWindow) : FormatWindow(PhysicalFormat, Form7Look, mainWindow) {}

TForm10::TForm10(QWidget& mainWindow) : FormatWindow(NonPListFormat, Form10Look, mainWindow) {}

} // namespace quillon::console
