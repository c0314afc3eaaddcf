// The two formats against simulated drives, with the worker thread the
// windows use: the command and parameter list the drive receives, the log
// lines with the time the format took, the command time-out around the
// format, and every way a format ends without formatting.
#include "ConsoleTestSupport.h"
#include "FormatOperations.h"
#include "FormatThread.h"
#include "scsi/SimTransport.h"
#include "sim/DriveSet.h"

#include <gtest/gtest.h>

using namespace quillon;
using console::FormatOperations;
using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
// Qt is not built with ThreadSanitizer: QThread's own locking (atomics inside
// libQt6Core) is invisible to it, so what Qt does with its wait condition
// when a worker ends looks like a race. Calls from inside Qt are Qt's.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so.6\n";
}
#endif
#endif

namespace {

constexpr std::uint8_t FormatUnit = 0x04;
constexpr std::uint8_t StartStopUnit = 0x1B;
constexpr console::DeviceAddress Drive{0, 2, 0};
const std::string Header = "    **** Physical Format *****";

// The progress window of the tests: the worker runs the job as on the
// terminal; what the window is told is noted, with the command time-out at
// its showing; its ticks are set by the test, so elapsed times need no
// waiting.
class RecordingProgress : public console::FormatProgress {
public:
    explicit RecordingProgress(drive::TMODrive& drive) : drive_(drive) {}

    void ShowProgress(std::shared_ptr<console::FormatJob> job) override {
        events.push_back("show " + std::to_string(drive_.TimeOut_ExecSCSICommand));
        worker_.Start(std::move(job));
    }
    void ProcessMessages() override {
        ++rounds;
        worker_.WaitFor(std::chrono::milliseconds(5));
    }
    void HideProgress() override {
        worker_.Finish();
        events.push_back("hide");
    }
    std::int32_t Ticks() const override { return ticks; }

    Lines events;
    std::int32_t ticks = 0;
    int rounds = 0;

private:
    drive::TMODrive& drive_;
    console::FormatWorker worker_;
};

struct Rig {
    explicit Rig(const std::string& drives, double timeScale = 0)
        : drive(console::testing::SimulatedBus(sim::parseDriveSet(drives), bus, timeScale)),
          operations(drive, console), formats(operations), progress(drive) {
        bus->target(2)->setTracing(true);
        console.answer = console::Console::Answer::Ok;
    }

    sim::SimDrive& simDrive() { return *bus->target(2)->lun(0); }
    std::vector<sim::TraceEntry> sent(std::uint8_t opcode) const {
        std::vector<sim::TraceEntry> found;
        for (const auto& entry : bus->target(2)->trace()) {
            if (entry.cdb[0] == opcode) {
                found.push_back(entry);
            }
        }
        return found;
    }

    scsi::SimTransport* bus = nullptr;
    drive::TMODrive drive;
    console::testing::SenseRecordingConsole console;
    console::DriveConsole operations;
    FormatOperations formats;
    RecordingProgress progress;
};

} // namespace

TEST(FormatOperations, FormatLetsTheDriveFormatWithItsDefaults) {
    Rig rig("2=mo230");
    rig.progress.ticks = 187;
    const auto result = rig.formats.Format(Drive, rig.progress);
    EXPECT_TRUE(result.Completed);
    EXPECT_EQ(result.Shortfall, "");
    EXPECT_EQ(rig.console.lines,
              (Lines{Header, "ask: Format Drive", "Format Start", "Format Complete",
                     "  Time(mm:ss) =    3: 7", "box: Format Complete"}));
    const auto formats = rig.sent(FormatUnit);
    ASSERT_EQ(formats.size(), 1u);
    EXPECT_EQ(formats[0].cdb, (Bytes{0x04, 0x00, 0, 0, 0, 0}));
    EXPECT_TRUE(formats[0].dataOut.empty());
    // Two hours while the drive formats, 10 s again after it.
    EXPECT_EQ(rig.progress.events, (Lines{"show 7200000", "hide"}));
    EXPECT_EQ(rig.drive.TimeOut_ExecSCSICommand, 10000);
}

TEST(FormatOperations, ZeroFormatReplacesTheGrownListWithAnEmptyOne) {
    Rig rig("2=mo230");
    ASSERT_FALSE(rig.simDrive().defectLists().grown.empty());
    rig.progress.ticks = 1870;
    EXPECT_TRUE(rig.formats.ZeroFormat(Drive, rig.progress).Completed);
    EXPECT_EQ(rig.console.lines,
              (Lines{Header, "ask: Format Drive(Non P-list:Disable Certification)", "Format Start",
                     "Format Complete", "  Time(mm:ss) =    3: 7", "box: Format Complete"}));
    const auto formats = rig.sent(FormatUnit);
    ASSERT_EQ(formats.size(), 1u);
    // LUN 0, FmtData, CmpLst, physical sector format; FOV and DCRT, no
    // defects.
    EXPECT_EQ(formats[0].cdb, (Bytes{0x04, 0x1D, 0, 0, 0, 0}));
    EXPECT_EQ(formats[0].dataOut, (Bytes{0x00, 0xA0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(rig.simDrive().defectLists().grown.empty());
    EXPECT_EQ(rig.drive.TimeOut_ExecSCSICommand, 10000);
}

TEST(FormatOperations, ElapsedTimeIsBlankPaddedMinutesAndSecondsOfEitherTick) {
    struct Case {
        std::int32_t ticks;
        const console::FormatKind& kind;
        const char* text;
    };
    const Case cases[] = {
        {187, console::PhysicalFormat, "   3: 7"},   {65, console::PhysicalFormat, "   1: 5"},
        {0, console::PhysicalFormat, "   0: 0"},     {1870, console::NonPListFormat, "   3: 7"},
        {1879, console::NonPListFormat, "   3: 7"},  {599, console::NonPListFormat, "   0:59"},
        {75000, console::NonPListFormat, " 125: 0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(console::ElapsedText(c.ticks, c.kind), c.text) << c.ticks;
    }
}

TEST(FormatOperations, TheDrivesRefusalIsReportedAfterTheTimeItTook) {
    struct Case {
        const char* drives;
        bool ejected;
        Lines report; // after "Format Start"
        std::string shortfall;
    };
    const Case cases[] = {
        {"2=mo230:fail=04-3.31.1",
         false,
         {"  Time(mm:ss) =    0: 0", "Error: Format", "sense 3/49"},
         "the format failed: format command failed"},
        {"2=mo230:fail=04-busy",
         false,
         {"  Time(mm:ss) =    0: 0", "Error: Format", "box: SCSI Busy"},
         "the format failed: SCSI STATUS =  8"},
        {"2=mo230",
         true,
         {"  Time(mm:ss) =    0: 0", "Error: Format", "sense 2/58"},
         "the format failed: medium not present"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.drives);
        Rig rig(c.drives);
        if (c.ejected) {
            rig.simDrive().ejectMedium();
        }
        const auto result = rig.formats.Format(Drive, rig.progress);
        EXPECT_FALSE(result.Completed);
        EXPECT_EQ(result.Shortfall, c.shortfall);
        Lines expected{Header, "ask: Format Drive", "Format Start"};
        expected.insert(expected.end(), c.report.begin(), c.report.end());
        EXPECT_EQ(rig.console.lines, expected);
        EXPECT_EQ(rig.progress.events, (Lines{"show 7200000", "hide"}));
        EXPECT_EQ(rig.drive.TimeOut_ExecSCSICommand, 10000);
    }
}

TEST(FormatOperations, ADriveThatNeverAnswersTimesOutAndAnErrorRaisedInTheWorkerReachesTheUser) {
    Rig hung("2=mo230:fail=04-hang");
    hung.formats.FormatTimeOut = 50;
    auto result = hung.formats.ZeroFormat(Drive, hung.progress);
    EXPECT_FALSE(result.Completed);
    EXPECT_EQ(result.Shortfall, "the format failed: Time out: the device did not answer in time "
                                "and the command was aborted");
    EXPECT_EQ(hung.console.lines.back(), "box: Time out: the device did not answer in time and "
                                         "the command was aborted");
    EXPECT_EQ(hung.drive.TimeOut_ExecSCSICommand, 10000);

    // With ErrorEnable the drive layer raises the failure instead of
    // returning it: the worker keeps it, the wait ends all the same, and the
    // error reaches the user once the time-out is back and the main window
    // shown.
    Rig raising("2=mo230:fail=04-hang");
    raising.formats.FormatTimeOut = 50;
    raising.drive.ErrorEnable = true;
    EXPECT_THROW(raising.formats.Format(Drive, raising.progress), drive::ECDROMError);
    EXPECT_EQ(raising.console.lines, (Lines{Header, "ask: Format Drive", "Format Start",
                                            "  Time(mm:ss) =    0: 0", "Error: Format"}));
    EXPECT_EQ(raising.progress.events, (Lines{"show 50", "hide"}));
    EXPECT_EQ(raising.drive.TimeOut_ExecSCSICommand, 10000);
}

TEST(FormatOperations, NoFormatWithoutADeviceOnAProtectedMediumOrWhenTheUserAborts) {
    Rig absent("2=mo230");
    EXPECT_EQ(absent.formats.Format({0, 3, 0}, absent.progress).Shortfall,
              "no device answers at this address");
    EXPECT_EQ(absent.console.lines, Lines{Header});

    Rig protectedMedium("2=mo230:wp");
    EXPECT_FALSE(protectedMedium.formats.ZeroFormat(Drive, protectedMedium.progress).Completed);
    EXPECT_EQ(protectedMedium.console.lines, (Lines{Header, "box: Error: Media Write protected"}));
    EXPECT_EQ(protectedMedium.sent(StartStopUnit).size(), 1u);
    EXPECT_FALSE(protectedMedium.simDrive().hasMedium());

    Rig aborted("2=mo230");
    aborted.console.answer = console::Console::Answer::Abort;
    EXPECT_EQ(aborted.formats.Format(Drive, aborted.progress).Shortfall,
              "the format was cancelled");
    EXPECT_EQ(aborted.console.lines, (Lines{Header, "ask: Format Drive", "Cancel Format Drive"}));

    for (Rig* rig : {&absent, &protectedMedium, &aborted}) {
        EXPECT_TRUE(rig->sent(FormatUnit).empty());
        EXPECT_TRUE(rig->progress.events.empty());
        EXPECT_EQ(rig->drive.TimeOut_ExecSCSICommand, 10000);
    }
}

// At a time scale at which the format lasts a moment, the user interface
// waits through it and the drive is ready at once after it.
TEST(FormatOperations, TheWaitLastsAsLongAsTheDriveFormats) {
    // mo128 has 10000 tracks: a format without certification sweeps them
    // once, 167 s at 3600 rpm.
    Rig rig("2=mo128", 0.003);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(rig.formats.ZeroFormat(Drive, rig.progress).Completed);
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(450));
    EXPECT_GT(rig.progress.rounds, 10);
    EXPECT_EQ(rig.drive.TestUnitReady(0, 2, 0), 0);
}
