#pragma once

#include "console/CopyWindows.h"

#include <QDialog>
#include <array>

class QLabel;

namespace quillon::widgets {
class TCuteButton;
class TIntEdit;
} // namespace quillon::widgets

namespace quillon::console {

// The range dialog "Set LBA Address" of the copies and of verify: the first
// block, the end of the range and, for Copy Block, the first destination
// block, in hexadecimal. OK takes the range only when Start lies below End;
// Cancel, Escape or the system menu give none. Created once, it keeps its
// values from one use to the next.
class TForm5 : public QDialog, public RangeDialog {
    Q_OBJECT

public:
    explicit TForm5(QWidget* parent = nullptr);

    std::optional<BlockRange> AskRange(bool withDestination) override;

    // Whether the last showing ended without a range.
    bool Cancelled = true;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildField(int index, const char* caption, std::int32_t value);
    void CuteButton1Click();
    void CuteButton2Click();

    std::array<QLabel*, 3> labels_{};            // Label1 to Label3
    std::array<widgets::TIntEdit*, 3> fields_{}; // IntEdit1 to IntEdit3
    widgets::TCuteButton* CuteButton1 = nullptr; // OK
    widgets::TCuteButton* CuteButton2 = nullptr; // Cancel
};

} // namespace quillon::console
