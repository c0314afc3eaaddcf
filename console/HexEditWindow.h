#pragma once

#include "console/BlockOperations.h"

#include <QDialog>
#include <array>

class QFrame;
class QLabel;

namespace quillon::widgets {
class TCuteButton;
class TIntEdit;
class TStringGridEx;
} // namespace quillon::widgets

namespace quillon::console {

// The sector hex editor: one block of the data buffer as sixteen
// hexadecimal cells a line, with the line's offset / 16 beside it and its
// ASCII text after it. Opened modally by the main window's Read, Write, Long
// Read and Long Write; in a read mode a new address in its LBA field reads
// that block at once, in a write mode WRITE writes the grid at that address.
// It owns the single-block operations, which the main window's buttons run.
class THexEdit : public QDialog, private BlockEditor {
    Q_OBJECT

public:
    THexEdit(DriveConsole& drive, QWidget* parent = nullptr);

    BlockOperations& Operations() { return operations_; }

    void BufferToGrid(std::int32_t Size, const std::uint8_t* Buffer) override;
    void GridToBuffer(std::int32_t Size, std::uint8_t* Buffer) override;
    // The ASCII text of a line of 16 bytes, double-byte characters shown
    // when the locale is Japanese.
    static QString MakePrintable(const std::array<std::uint8_t, 16>& Bytes);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ShowModal() override { exec(); }
    void buildPanel();
    void buildGrid();
    void IntEdit1Change();
    void CuteButton1Click();
    void StringGridEx1SetEditText(int ACol, int ARow, const QString& Value);
    // The sixteen byte cells of a data row, each converted leniently (an
    // empty or unreadable cell counts as 0).
    std::array<std::uint8_t, 16> rowBytes(int row) const;

    BlockOperations operations_;
    QFrame* Panel1 = nullptr;
    QLabel* Label1 = nullptr;
    widgets::TIntEdit* IntEdit1 = nullptr;
    widgets::TCuteButton* CuteButton1 = nullptr;
    widgets::TStringGridEx* StringGridEx1 = nullptr;
};

} // namespace quillon::console
