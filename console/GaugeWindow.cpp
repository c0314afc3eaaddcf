#include "GaugeWindow.h"

#include "widgets/Colors.h"
#include "widgets/Gauge.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>

namespace quillon::console {

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
    setObjectName("Form3");
    setWindowTitle("Gauge");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(321, 94);
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(16, 12, 289, 20);
    Gauge1 = new widgets::TGauge(QColor(widgets::colors::clBlue), this);
    Gauge1->setObjectName("Gauge1");
    Gauge1->setGeometry(16, 44, 289, 28);
}

void TForm3::ShowGauge(const std::string& text) {
    Label1->setText(QString::fromStdString(text));
    Gauge1->SetProgress(0);
    if (const QScreen* screen = QApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    show();
    ProcessMessages();
}

void TForm3::SetGauge(std::int64_t percent) {
    Gauge1->SetProgress(percent);
}

void TForm3::HideGauge() {
    hide();
}

void TForm3::ProcessMessages() {
    QApplication::processEvents();
}

} // namespace quillon::console
