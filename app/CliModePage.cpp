#include "CliModePage.h"

#include "CliSession.h"
#include "ProgramOptions.h"
#include "console/FormatText.h"
#include "console/ModeOperations.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <vector>

namespace quillon::app {

namespace {

using console::FieldKind;
using console::RecoveryField;
using console::RecoveryFields;

constexpr std::size_t CaptionColumns = 27;

// A --set edit: the control's index in RecoveryFields and its new value.
struct FieldEdit {
    std::size_t field;
    std::int32_t value;
};

std::string fieldNames() {
    std::string names;
    for (const RecoveryField& field : RecoveryFields) {
        names += (names.empty() ? "" : ", ") + std::string(field.Key);
    }
    return names;
}

std::int32_t parseValue(const RecoveryField& field, std::string_view text) {
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    const bool flag = field.Kind == FieldKind::Flag;
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() ||
        (flag && value != 0 && value != 1)) {
        throw UsageError(std::string(field.Key) +
                         (flag ? " takes 0 or 1" : " takes a decimal number") + ", not \"" +
                         std::string(text) + "\"");
    }
    return value;
}

std::vector<FieldEdit> parseEdits(const std::vector<std::string>& texts) {
    std::vector<FieldEdit> edits;
    for (const std::string& text : texts) {
        const auto equals = text.find('=');
        const std::string_view key = std::string_view(text).substr(0, equals);
        const auto found =
            std::find_if(RecoveryFields.begin(), RecoveryFields.end(),
                         [&](const RecoveryField& field) { return key == field.Key; });
        if (equals == std::string::npos || found == RecoveryFields.end()) {
            throw UsageError("--set needs FIELD=VALUE, FIELD one of " + fieldNames());
        }
        const auto index = static_cast<std::size_t>(found - RecoveryFields.begin());
        if (std::any_of(edits.begin(), edits.end(),
                        [&](const FieldEdit& edit) { return edit.field == index; })) {
            throw UsageError(std::string(key) + " is set twice");
        }
        edits.push_back({index, parseValue(*found, std::string_view(text).substr(equals + 1))});
    }
    return edits;
}

// The caption and blanks up to the value's column. Characters from U+3000 to
// U+3FFF (the ideographic space, kana) take two columns on a terminal.
std::string paddedCaption(std::string_view caption) {
    std::size_t columns = 0;
    for (const char c : caption) {
        const auto byte = static_cast<unsigned char>(c);
        columns += (byte & 0xC0) == 0x80 ? 0 : byte == 0xE3 ? 2 : 1;
    }
    return std::string(caption) +
           std::string(CaptionColumns - std::min(columns, CaptionColumns), ' ');
}

// The editor on a terminal: the --set edits are made on the controls the
// drive lets change, as a user would make them in the window, then the
// controls are printed as the window would show them when it closes.
class TerminalRecoveryEditor : public console::RecoveryEditor {
public:
    TerminalRecoveryEditor(std::ostream& out, std::vector<FieldEdit> edits)
        : out_(out), edits_(std::move(edits)) {}

    void Edit(console::RecoveryEditorState& state) override {
        for (const FieldEdit& edit : edits_) {
            console::FieldState& field = state.Fields[edit.field];
            if (field.Enabled) {
                field.Value = edit.value;
            } else {
                out_ << RecoveryFields[edit.field].Key << " cannot be changed on this drive\n";
            }
        }
        for (std::size_t i = 0; i < RecoveryFields.size(); ++i) {
            const console::FieldState& field = state.Fields[i];
            const char* changeable = !state.ChangeableKnown ? ""
                                     : field.Enabled        ? "  changeable"
                                                            : "  not changeable";
            out_ << paddedCaption(RecoveryFields[i].Caption)
                 << console::formatText("%-16s %6d%s\n", RecoveryFields[i].Key, field.Value,
                                        changeable);
        }
    }

private:
    std::ostream& out_;
    std::vector<FieldEdit> edits_;
};

} // namespace

int RunModeSense(CliSession& session, const CommandArguments& arguments) {
    TerminalRecoveryEditor editor(session.Out(), {});
    return session.Outcome(
        console::ModeOperations(session.Operations(), editor).ModeSense(arguments.Address()));
}

int RunModeSelect(CliSession& session, const CommandArguments& arguments) {
    TerminalRecoveryEditor editor(session.Out(), parseEdits(arguments.Words("--set")));
    return session.Outcome(
        console::ModeOperations(session.Operations(), editor).ModeSelect(arguments.Address()));
}

} // namespace quillon::app
