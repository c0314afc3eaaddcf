#include "MainWindow.h"

#include "DeviceList.h"
#include "HelpBook.h"
#include "MessageBoxes.h"
#include "widgets/Colors.h"
#include "widgets/CuteButton.h"
#include "widgets/IntEdit.h"
#include "widgets/StrColGrid.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>

namespace quillon::console {

namespace {

using widgets::TCuteButton;
using namespace widgets::colors;

constexpr QSize ClientSize{577, 460};
constexpr int ButtonColumns[] = {4, 83};

// The operation buttons: where each sits, its colour (0 for the default
// face) and its help context.
struct ButtonPlace {
    int number;
    const char* caption;
    int panel;
    int x;
    int y;
    QRgb color;
    int helpContext;
};

constexpr ButtonPlace Buttons[] = {
    {1, "ReScan", 1, ButtonColumns[1], 26, 0, 10021},
    {2, "Target Info", 2, ButtonColumns[0], 5, 0, 10023},
    {3, "Eject", 2, ButtonColumns[1], 5, 0, 10024},
    {4, "Read", 3, ButtonColumns[0], 32, 0, 10005},
    {5, "Long Read", 3, ButtonColumns[1], 32, 0, 10007},
    {6, "Write", 3, ButtonColumns[0], 61, clYellow, 10006},
    {7, "Long Write", 3, ButtonColumns[1], 61, clFuchsia, 10008},
    {8, "Verify", 4, ButtonColumns[0], 5, 0, 10009},
    {9, "Copy Block", 4, ButtonColumns[1], 5, clYellow, 10010},
    {14, "Copy Disk", 4, ButtonColumns[0], 34, clYellow, 10011},
    {15, "2 Drive Copy", 4, ButtonColumns[1], 34, clYellow, 10012},
    {10, "Mode Sense", 5, ButtonColumns[0], 5, 0, 10013},
    {11, "Mode Select", 5, ButtonColumns[1], 5, clYellow, 10014},
    {16, "Read Defect", 5, ButtonColumns[0], 34, 0, 10015},
    {17, "Format", 5, ButtonColumns[1], 34, clYellow, 10016},
    {12, "BER", 6, ButtonColumns[0], 5, clFuchsia, 10017},
    {19, "Safe BER", 6, ButtonColumns[1], 5, 0, 10018},
    {18, "ZeroFormat", 6, ButtonColumns[0], 34, clFuchsia, 10019},
    {13, "Seek Test", 6, ButtonColumns[1], 34, 0, 10020},
};

struct PanelPlace {
    const char* name;
    QRect geometry;
};

constexpr PanelPlace Panels[] = {
    {"Panel1", {410, 4, 163, 56}},   {"Panel2", {410, 64, 163, 35}},
    {"Panel3", {410, 103, 163, 93}}, {"Panel4", {410, 200, 163, 64}},
    {"Panel5", {410, 268, 163, 64}}, {"Panel6", {410, 336, 163, 64}},
};

const char* const AboutText[] = {
    ("Quillon " QUILLON_VERSION), // one line: the name and the version
    "  Bit Error Rate (MO Disk)",
    "  Test and debugging console for magneto-optical disk drives on SCSI",
    "",
};

// A click or double click with the left button on a widget; a press dragged
// off the widget before its release is no click.
bool isLeftClick(const QWidget& widget, const QEvent& event) {
    if (event.type() != QEvent::MouseButtonRelease && event.type() != QEvent::MouseButtonDblClick) {
        return false;
    }
    const auto& mouse = static_cast<const QMouseEvent&>(event);
    return mouse.button() == Qt::LeftButton && widget.rect().contains(mouse.position().toPoint());
}

} // namespace

TForm1::TForm1(std::vector<std::unique_ptr<scsi::Transport>> transports,
               const std::vector<std::string>& notes)
    : Memo1(new QPlainTextEdit(this)), windowConsole_(*Memo1), MODrive1(std::move(transports)),
      Operations(MODrive1, windowConsole_) {
    setObjectName("Form1");
    setWindowTitle("Bit Error Rate (MO Disk)");
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(ClientSize);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    buildDeviceList();
    setUpLog();
    buildPanels();
    buildButtons();
    buildCapacityPanel();
    connectOperations();

    ScanDevices(AllDevice->isChecked());
    writeAboutText(notes);
}

TForm1::~TForm1() = default;

void TForm1::buildDeviceList() {
    StrColGrid1 = new widgets::TStrColGrid(this);
    StrColGrid1->setObjectName("StrColGrid1");
    StrColGrid1->setGeometry(4, 4, 400, 222);
    DeviceList::SetUp(*StrColGrid1);
    HelpBook::SetHelpContext(StrColGrid1, 10026);
}

void TForm1::setUpLog() {
    Memo1->setObjectName("Memo1");
    Memo1->setGeometry(4, 230, 400, 226);
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont terminal("Terminal");
    terminal.setStyleHint(QFont::TypeWriter);
    terminal.setFixedPitch(true);
    Memo1->setFont(terminal);
    HelpBook::SetHelpContext(Memo1, 10027);
}

void TForm1::buildPanels() {
    for (std::size_t i = 0; i < std::size(Panels); ++i) {
        auto* panel = new QFrame(this);
        panel->setObjectName(Panels[i].name);
        panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
        panel->setGeometry(Panels[i].geometry);
        panels_[i + 1] = panel;
    }
    AllDevice = new QCheckBox("All SCSI Device", panels_[1]);
    AllDevice->setObjectName("AllDevice");
    AllDevice->move(6, 4);
    HelpBook::SetHelpContext(AllDevice, 10022);
}

void TForm1::buildButtons() {
    for (const ButtonPlace& place : Buttons) {
        auto* button = new TCuteButton(panels_[static_cast<std::size_t>(place.panel)]);
        button->setObjectName(QString("CuteButton%1").arg(place.number));
        button->setCaption(place.caption);
        button->move(place.x, place.y);
        if (place.color != 0) {
            button->setColor(QColor(place.color));
        }
        HelpBook::SetHelpContext(button, place.helpContext);
        buttons_[static_cast<std::size_t>(place.number)] = button;
    }
}

void TForm1::buildCapacityPanel() {
    QFrame* panel = panels_[3];
    panel->setToolTip("Disk Capacity");
    HelpBook::SetHelpContext(panel, 10025);
    lbaLabel_ = new QLabel("LBA", panel);
    lbaLabel_->setObjectName("Label1");
    lbaLabel_->setGeometry(6, 8, 28, 16);
    IntEdit1 = new widgets::TIntEdit(panel);
    IntEdit1->setObjectName("IntEdit1");
    IntEdit1->setGeometry(36, 5, 122, 22);
    IntEdit1->setRadix(16);
    IntEdit1->setMinValue(-268435455);
    IntEdit1->setValue(0);
    IntEdit1->setAlignment(widgets::TAlignment::taRightJustify);
    IntEdit1->setOverWriteMode(widgets::TOverWriteMode::owOverWrite);
    lbaLabel_->setBuddy(IntEdit1); // names the field for assistive technology
    panel->installEventFilter(this);
    lbaLabel_->installEventFilter(this);
}

void TForm1::connectOperations() {
    SetOperation(1, [this] { ScanDevices(AllDevice->isChecked()); });
    SetOperation(2, [this] { Operations.TargetInfo(SelectedAddress()); });
    SetOperation(3, [this] { Operations.Eject(SelectedAddress()); });
}

std::int32_t TForm1::LbaFieldValue() const {
    return IntEdit1->Value();
}

void TForm1::SetOperation(int buttonNumber, std::function<void()> operation) {
    buttons_.at(static_cast<std::size_t>(buttonNumber))->OnClick =
        [this, operation = std::move(operation)](TCuteButton&) {
            runOperation(operation);
        };
}

void TForm1::runOperation(const std::function<void()>& operation) {
    RunShowingErrors(this, operation);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    const bool onCapacityPanel = watched == panels_[3] || watched == lbaLabel_;
    if (onCapacityPanel && isLeftClick(*static_cast<QWidget*>(watched), *event)) {
        runOperation([this] { Operations.DiskCapacity(SelectedAddress()); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::writeAboutText(const std::vector<std::string>& notes) {
    QStringList lines;
    for (const char* line : AboutText) {
        lines << line;
    }
    for (const std::string& note : notes) {
        lines << QString::fromStdString(note);
    }
    // Line 4 comes after the about text; it is the last line when no note
    // follows.
    lines.insert(4, "  Last  edition  2000/03/27");
    Memo1->appendPlainText(lines.join('\n'));
}

bool TForm1::ScanDevices(bool AllDevices) {
    DeviceList::Fill(*StrColGrid1, Operations.ScanDevices(AllDevices));
    return true;
}

DeviceAddress TForm1::SelectedAddress() const {
    return DeviceList::Selected(*StrColGrid1);
}

QStringList TForm1::LogLines() const {
    return Memo1->toPlainText().split('\n');
}

} // namespace quillon::console
