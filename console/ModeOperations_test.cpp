// Mode Sense and Mode Select against the simulated drive: what the editor is
// shown, what it leaves, and the exact parameter list MODE SELECT sends.
#include "ConsoleTestSupport.h"
#include "ModeOperations.h"
#include "scsi/SimTransport.h"
#include "sim/DriveSet.h"

#include <gtest/gtest.h>
#include <map>

using namespace quillon;
using console::FieldState;
using console::RecoveryEditorState;
using console::testing::RecordingConsole;
using Bytes = std::vector<std::uint8_t>;
using Page = sim::ErrorRecoveryPage::Parameters;

namespace {

constexpr std::uint8_t ModeSense6 = 0x1A;
constexpr std::uint8_t ModeSelect6 = 0x15;
const std::string Header = "    **** Mode Sense Data *****";

// Indexes of RecoveryFields.
enum Field : std::size_t {
    AWRE = 0,
    ARRE = 1,
    DCR = 7,
    ReadRetry = 8,
    WriteRetry = 9,
    Span = 10,
    TimeLimit = 13
};

// Notes what it is shown and types the edits into it, enabled or not.
class ScriptedEditor : public console::RecoveryEditor {
public:
    std::vector<RecoveryEditorState> shown;
    std::map<std::size_t, std::int32_t> edits;

    void Edit(RecoveryEditorState& state) override {
        shown.push_back(state);
        for (const auto& [field, value] : edits) {
            state.Fields[field].Value = value;
        }
    }
};

// The simulated drive at 0:2:0 traced, with the two operations on it.
struct Rig {
    explicit Rig(const std::string& drives)
        : drive(console::testing::SimulatedBus(sim::parseDriveSet(drives), bus)),
          operations(drive, console), modes(operations, editor) {
        bus->target(2)->setTracing(true);
    }

    sim::SimDrive& simDrive() { return *bus->target(2)->lun(0); }
    std::vector<sim::TraceEntry> commands(std::uint8_t opcode) {
        auto trace = bus->target(2)->trace();
        std::erase_if(trace, [&](const sim::TraceEntry& entry) { return entry.cdb[0] != opcode; });
        return trace;
    }
    // The page of the one MODE SELECT parameter list sent, after the header
    // and the block descriptor.
    Bytes pageSent() {
        const auto selects = commands(ModeSelect6);
        EXPECT_EQ(selects.size(), 1u);
        return selects.empty() ? Bytes{}
                               : Bytes(selects[0].dataOut.begin() + 12, selects[0].dataOut.end());
    }
    std::vector<bool> enabledShown() {
        std::vector<bool> enabled;
        for (const FieldState& field : editor.shown.at(0).Fields) {
            enabled.push_back(field.Enabled);
        }
        return enabled;
    }

    scsi::SimTransport* bus = nullptr;
    drive::TMODrive drive;
    RecordingConsole console;
    ScriptedEditor editor;
    console::DriveConsole operations;
    console::ModeOperations modes;
};

} // namespace

TEST(ModeOperations, ModeSenseShowsTheCurrentPageAndSendsNothing) {
    Rig rig("2=mo230:no-ua");
    rig.simDrive().setModePage({0xC5, 44, 0, 2, 3, 0, 8, 0, 0x01, 0x2C}, {});
    rig.editor.edits = {{DCR, 0}, {ReadRetry, 99}};
    EXPECT_TRUE(rig.modes.ModeSense({0, 2, 0}));

    const RecoveryEditorState& shown = rig.editor.shown.at(0);
    std::vector<std::int32_t> values;
    for (const FieldState& field : shown.Fields) {
        values.push_back(field.Value);
    }
    EXPECT_EQ(values, (std::vector<std::int32_t>{1, 1, 0, 0, 0, 1, 0, 1, 44, 8, 0, 2, 3, 300}));
    EXPECT_EQ(rig.enabledShown(), std::vector<bool>(14, true));
    EXPECT_EQ(shown.Caption, "Mode Sense");
    EXPECT_EQ(rig.console.lines, (std::vector<std::string>{Header, "Mode Sense OK"}));
    EXPECT_EQ(rig.commands(ModeSense6).at(0).cdb, (Bytes{ModeSense6, 0, 0x01, 0, 127, 0}));
    EXPECT_TRUE(rig.commands(ModeSelect6).empty());
}

// The default drive: a block descriptor of 8 bytes; flags, counts and the
// time limit changeable, the correction span not.
TEST(ModeOperations, ModeSelectSendsTheEditedPageBehindTheBlockDescriptor) {
    Rig rig("2=mo230:no-ua");
    rig.editor.edits = {{ARRE, 0}, {DCR, 1}, {ReadRetry, 300}, {TimeLimit, 300}};
    EXPECT_TRUE(rig.modes.ModeSelect({0, 2, 0}));

    std::vector<bool> enabled(14, true);
    enabled[Span] = false;
    EXPECT_EQ(rig.enabledShown(), enabled);
    Bytes controls; // changeable, current, changeable again for the editor
    for (const auto& entry : rig.commands(ModeSense6)) {
        controls.push_back(entry.cdb[2]);
    }
    EXPECT_EQ(controls, (Bytes{0x41, 0x01, 0x41}));
    const auto select = rig.commands(ModeSelect6).at(0);
    EXPECT_EQ(select.cdb, (Bytes{ModeSelect6, 0x10, 0, 0, 24, 0}));
    EXPECT_EQ(Bytes(select.dataOut.begin(), select.dataOut.begin() + 12),
              (Bytes{0, 0, 0, 8, 0, 0x06, 0xCF, 0x75, 0, 0, 0x02, 0})); // descriptor as read
    // PS (bit 7 of the page code byte) as 0, as MODE SELECT must send it.
    EXPECT_EQ(rig.pageSent(), (Bytes{0x01, 10, 0x81, 0x2C, 0, 0, 0, 0, 8, 0, 0x01, 0x2C}));
    EXPECT_EQ(rig.console.lines, (std::vector<std::string>{Header, "Mode Select OK"}));
    EXPECT_EQ(rig.simDrive().modePage().current(), (Page{0x81, 0x2C, 0, 0, 0, 0, 8, 0, 1, 0x2C}));
}

// Disabled controls go as read, whatever was checked or typed into them (a
// drive refuses a change to what it does not let change); page bytes 7 and 9
// as read. A flag is enabled by its bit of the mask, a count by its byte, the
// recovery time limit by its high byte alone.
TEST(ModeOperations, ChangeableMaskDecidesWhatIsSent) {
    Rig fixed("2=mo230:no-ua");
    fixed.simDrive().setModePage({0xC0, 8, 0, 0, 0, 0x03, 8, 0xA5, 0, 0}, {});
    fixed.editor.edits = {{DCR, 1}, {ReadRetry, 5}, {TimeLimit, 300}};
    EXPECT_TRUE(fixed.modes.ModeSelect({0, 2, 0})); // the page goes back unchanged
    EXPECT_EQ(fixed.enabledShown(), std::vector<bool>(14, false));
    EXPECT_EQ(fixed.editor.shown.at(0).Fields[AWRE].Value, 1); // the check mark as read
    EXPECT_EQ(fixed.pageSent(), (Bytes{0x01, 10, 0xC0, 8, 0, 0, 0, 0x03, 8, 0xA5, 0, 0}));
    EXPECT_EQ(fixed.console.lines, (std::vector<std::string>{Header, "Mode Select OK"}));

    Rig limited("2=mo230:no-ua");
    limited.simDrive().setModePage({0xC0, 8, 0, 0, 0, 0, 8, 0, 0, 0},
                                   {0x01, 0, 0, 0, 0, 0, 0xFF, 0, 0, 0xFF});
    limited.editor.edits = {{DCR, 1}, {WriteRetry, 3}, {TimeLimit, 300}};
    limited.modes.ModeSelect({0, 2, 0});
    std::vector<bool> enabled(14, false);
    enabled[DCR] = enabled[WriteRetry] = true;
    EXPECT_EQ(limited.enabledShown(), enabled);
    EXPECT_EQ(limited.pageSent(), (Bytes{0x01, 10, 0xC1, 8, 0, 0, 0, 0, 3, 0, 0, 0}));
    EXPECT_EQ(limited.console.lines.back(), "Mode Select OK");
}

TEST(ModeOperations, FailedReadsAreReportedAndOpenNoEditor) {
    Rig fresh("2=mo230:ua"); // the power-on unit attention meets MODE SENSE
    EXPECT_FALSE(fresh.modes.ModeSense({0, 2, 0}));
    EXPECT_EQ(fresh.console.lines, (std::vector<std::string>{Header, "Error: Mode Sense"}));

    Rig busy("2=mo230:no-ua:fail=1a-busy");
    EXPECT_FALSE(busy.modes.ModeSelect({0, 2, 0}));
    EXPECT_EQ(busy.console.lines,
              (std::vector<std::string>{Header, "Error: Mode Select(Changeable page read error)",
                                        "box: SCSI Busy"}));

    Rig second("2=mo230:no-ua");
    second.simDrive().addFault({ModeSense6, 0, UINT32_MAX, 1, 1, sim::FaultKind::Busy});
    EXPECT_FALSE(second.modes.ModeSelect({0, 2, 0}));
    EXPECT_EQ(second.console.lines.at(1), "Error: Mode Select(Current page read error)");

    Rig absent("2=mo230:no-ua");
    EXPECT_FALSE(absent.modes.ModeSelect({0, 3, 0}));
    EXPECT_EQ(absent.console.lines, std::vector<std::string>{Header});
    for (Rig* rig : {&fresh, &busy, &second, &absent}) {
        EXPECT_TRUE(rig->editor.shown.empty());
        EXPECT_TRUE(rig->commands(ModeSelect6).empty());
    }
}
