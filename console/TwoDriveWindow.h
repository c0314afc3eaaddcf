#pragma once

#include "console/TwoDriveCopy.h"

#include <QDialog>

class QLabel;

namespace quillon::widgets {
class TCuteButton;
class TIntEdit;
class TStrColGrid;
} // namespace quillon::widgets

namespace quillon::console {

// The window "Select Drive (Copy Disk)" of the main window's "2 Drive Copy":
// every optical memory drive listed twice, once to choose the source and
// once the destination, the block range (hexadecimal; End LBA 0 means the
// source's last block), and the buttons that fill End LBA from the source,
// cancel, and start the copy. The lists are scanned on every show; with
// fewer than two drives the window says so and closes.
class TForm6 : public QDialog {
    Q_OBJECT

public:
    TForm6(DriveConsole& drive, ProgressWindow& gauge, QWidget* parent = nullptr);

    TwoDriveCopy& Operation() { return copy_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildLists();
    void buildRange();
    void buildButtons();
    // Fills both lists; returns how many drives were found.
    std::size_t scanLists();
    void act(TwoDriveCopy::WindowAction action);
    void CuteButton1Click();
    void CuteButton2Click();
    void CuteButton3Click();
    void CuteButton4Click();

    TwoDriveCopy copy_;
    QLabel* Label1 = nullptr;
    widgets::TStrColGrid* StrColGrid1 = nullptr;
    QLabel* Label2 = nullptr;
    widgets::TCuteButton* CuteButton1 = nullptr;
    widgets::TStrColGrid* StrColGrid2 = nullptr;
    QLabel* Label3 = nullptr;
    widgets::TIntEdit* IntEdit1 = nullptr;
    QLabel* Label4 = nullptr;
    widgets::TIntEdit* IntEdit2 = nullptr;
    widgets::TCuteButton* CuteButton3 = nullptr;
    widgets::TCuteButton* CuteButton4 = nullptr;
    widgets::TCuteButton* CuteButton2 = nullptr;
};

} // namespace quillon::console
