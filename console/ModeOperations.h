#pragma once

#include "console/DriveConsole.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace quillon::console {

// How a control of the error recovery editor maps onto the page: a bit of the
// flags byte, one parameter byte, or the two bytes of the recovery time limit
// (high byte first).
enum class FieldKind { Flag, Byte, Word };

// One control of the error recovery editor: its name in the window, its
// caption or label, the short name quillon-cli knows it by, and where it sits
// in the page.
struct RecoveryField {
    const char* Control;
    const char* Caption;
    const char* Key;
    FieldKind Kind;
    std::size_t PageByte;
    std::uint8_t Bit; // the flag's bit in page byte 2
};

// The editor's controls in window order: CheckBox1 to CheckBox8, then
// IntEdit1 to IntEdit6.
inline constexpr std::array<RecoveryField, 14> RecoveryFields{{
    {"CheckBox1", "Auto Write Reallocation", "awre", FieldKind::Flag, 2, 0x80},
    {"CheckBox2", "Auto Read Reallocation", "arre", FieldKind::Flag, 2, 0x40},
    {"CheckBox3", "Transfer Block", "tb", FieldKind::Flag, 2, 0x20},
    {"CheckBox4", "Read Continue", "rc", FieldKind::Flag, 2, 0x10},
    // The blank is a full-width ideographic space, U+3000.
    {"CheckBox5",
     "Enable"
     "\xE3\x80\x80"
     "Early Recover",
     "eer", FieldKind::Flag, 2, 0x08},
    {"CheckBox6", "Post Error", "per", FieldKind::Flag, 2, 0x04},
    {"CheckBox7", "Disable Transfer on Error", "dte", FieldKind::Flag, 2, 0x02},
    {"CheckBox8", "Disable Correction", "dcr", FieldKind::Flag, 2, 0x01},
    {"IntEdit1", "Read Retry", "read-retry", FieldKind::Byte, 3, 0},
    {"IntEdit2", "Write Retry", "write-retry", FieldKind::Byte, 8, 0},
    {"IntEdit3", "Data", "correction-span", FieldKind::Byte, 4, 0},
    {"IntEdit4", "Hed Offset", "head-offset", FieldKind::Byte, 5, 0},
    {"IntEdit5", "Hed Strobe Offset", "strobe-offset", FieldKind::Byte, 6, 0},
    {"IntEdit6", "Recovery Time Limt", "recovery-time", FieldKind::Word, 10, 0},
}};

// A control's contents: a check box is checked when Value is not 0.
struct FieldState {
    std::int32_t Value = 0;
    bool Enabled = true;
};

// What the error recovery editor shows: its caption and each control of
// RecoveryFields, in the same order.
struct RecoveryEditorState {
    std::string Caption = "Mode Sense";
    std::array<FieldState, RecoveryFields.size()> Fields{};
    // Whether the enabled states are the drive's changeable mask.
    bool ChangeableKnown = false;
};

// The front end's error recovery editor: a window (TForm2) or the terminal.
class RecoveryEditor {
public:
    virtual ~RecoveryEditor() = default;

    // Shows the state modally and lets the user change the enabled controls;
    // returns when the editor is closed, in whatever way, with the values
    // the user left in it.
    virtual void Edit(RecoveryEditorState& state) = 0;
};

// The main window's Mode Sense and Mode Select operations on the read-write
// error recovery page (01h), and the editor's part in them: filling the
// controls from mode parameter data, enabling those the drive lets change,
// and writing them back into the page that MODE SELECT sends. The editor
// keeps its enabled states from one use to the next.
class ModeOperations {
public:
    ModeOperations(DriveConsole& drive, RecoveryEditor& editor) : drive_(drive), editor_(editor) {}

    // Reads the current page and shows it; nothing is sent back.
    bool ModeSense(DeviceAddress at);
    // Reads the changeable and current pages, lets the user edit the page
    // and sends it back.
    bool ModeSelect(DeviceAddress at);

    // Sets the caption and every control from the mode parameter data; only
    // "Mode Select" enables the controls by the drive's changeable mask.
    void ShowPage(const std::string& Caption, const ModeBuffer& Data);
    // Reads the changeable values of the current device and enables each
    // control whose field may change; on failure returns false and leaves
    // the enabled states.
    bool EnableChangeable();
    // Writes the controls into ModeCurrent: unchecked flags as 0, disabled
    // fields as read (the drive refuses them changed), a field's low bits,
    // the header's first three bytes and the PS bit cleared, page bytes 7
    // and 9 as read.
    void StorePage();

    const RecoveryEditorState& State() const { return state_; }

private:
    bool begin(DeviceAddress at);
    bool sense(std::uint8_t pageControl, ModeBuffer& into, const std::string& failureName);
    // MODE SELECT of the stored page; bits the drive does not let change go
    // as in asRead, the page as MODE SENSE read it.
    bool sendPage(const ModeBuffer& asRead);
    void report(const std::string& failureName);

    DriveConsole& drive_;
    RecoveryEditor& editor_;
    RecoveryEditorState state_;
};

} // namespace quillon::console
