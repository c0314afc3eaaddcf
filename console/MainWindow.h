#pragma once

#include "console/DriveConsole.h"
#include "console/WindowConsole.h"
#include "drive/MODrive.h"

#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QFrame;
class QLabel;
class QPlainTextEdit;

namespace quillon::widgets {
class TCuteButton;
class TIntEdit;
class TStrColGrid;
} // namespace quillon::widgets

namespace quillon::console {

class TExSenseData;

// The drive console's main window: the devices found on the host adapters,
// the log, and a button per operation. It owns the drive component through
// which every window sends its commands; the operations themselves live in
// DriveConsole, which writes to this window's log.
class TForm1 : public QWidget {
    Q_OBJECT

public:
    // notes are lines about the transports (an absent sg driver, say) that
    // the log shows after the about text.
    TForm1(std::vector<std::unique_ptr<scsi::Transport>> transports,
           const std::vector<std::string>& notes = {});
    ~TForm1() override;

    void SetSenseWindow(TExSenseData* window) { windowConsole_.SetSenseWindow(window); }

    // Rebuilds the device list; only optical memory devices unless AllDevices.
    bool ScanDevices(bool AllDevices);
    // The address in the selected row of the device list; throws
    // std::invalid_argument when its cells hold no numbers.
    DeviceAddress SelectedAddress() const;
    // The log's lines, first to last.
    QStringList LogLines() const;
    // The address in the LBA field.
    std::int32_t LbaFieldValue() const;
    // Gives a button (CuteButton<number>) its operation: the media tests,
    // whose windows are made after this one, are connected so.
    void SetOperation(int buttonNumber, std::function<void()> operation);

private:
    QPlainTextEdit* Memo1; // the log, made first: the console writes to it
    WindowConsole windowConsole_;

public:
    drive::TMODrive MODrive1;
    DriveConsole Operations;

private:
    void buildDeviceList();
    void setUpLog();
    void buildPanels();
    QFrame* buildPanel(const char* name, QRect geometry);
    void buildButtons();
    void buildCapacityPanel();
    void writeAboutText(const std::vector<std::string>& notes);
    void connectOperations();
    // Runs an operation started by the user; an error it raises (a device
    // list without numbers, say) is shown in an error box.
    void runOperation(const std::function<void()>& operation);
    bool eventFilter(QObject* watched, QEvent* event) override;

    widgets::TStrColGrid* StrColGrid1 = nullptr;
    std::array<QFrame*, 7> panels_{}; // Panel1 to Panel6, by number
    QCheckBox* AllDevice = nullptr;
    QLabel* lbaLabel_ = nullptr;
    widgets::TIntEdit* IntEdit1 = nullptr;
    std::array<widgets::TCuteButton*, 20> buttons_{}; // CuteButton1 to CuteButton19, by number
};

} // namespace quillon::console
