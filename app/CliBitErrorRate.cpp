#include "CliBitErrorRate.h"

#include "CliSession.h"
#include "InterruptAsStop.h"
#include "OutputFiles.h"
#include "StreamedReport.h"
#include "mediatests/BitErrorRate.h"
#include "mediatests/SafeBitErrorRate.h"
#include "plots/ArcGraphImage.h"

#include <QJsonArray>
#include <QJsonObject>
#include <optional>
#include <stdexcept>

namespace quillon::app {

namespace {

// The test window for a terminal: the map is drawn off screen, the figures
// are not shown, and Ctrl-C is STOP.
class TerminalTestView : public mediatests::TestView {
public:
    TerminalTestView() {
        map_.OverWrite = false;
        map_.SetRange(-64, 64, -64, 64);
    }

    // The flag that Ctrl-C sets.
    void SetStopFlag(bool& stopRequested) { stopRequested_ = &stopRequested; }
    // Whether a run started (the test could begin on the medium).
    bool Started() const { return started_; }

    plots::ArcGraphImage& Map() override { return map_; }
    void ShowRate(const std::string&) override {}
    void ShowLba(const std::string&) override {}
    void SetRunning(bool running) override { started_ = started_ || running; }
    void ProcessEvents() override {
        if (InterruptAsStop::Requested() && stopRequested_ != nullptr) {
            *stopRequested_ = true;
        }
    }

private:
    plots::ArcGraphImage map_;
    bool* stopRequested_ = nullptr;
    bool started_ = false;
};

QJsonArray jsonLines(const std::vector<std::string>& lines) {
    QJsonArray array;
    for (const std::string& line : lines) {
        array.append(QString::fromStdString(line));
    }
    return array;
}

// The run's figures, written after its burst lines.
QJsonObject reportFigures(const mediatests::ByteErrorTest& test, console::DeviceAddress at,
                          std::int32_t start, std::int32_t end, std::int32_t skip) {
    return {
        {"device", QString("%1:%2:%3").arg(at.HA).arg(at.Target).arg(at.LUN)},
        {"start", start},
        {"end", end},
        {"skip", skip},
        {"mediaType", test.Geometry.MediaType},
        {"longBlockSize", drive::TMODrive::LongBlockSize.load()},
        {"blocksTested", test.BlocksTested},
        {"erroneousBytes", test.ErrorCount},
        {"errorRate", static_cast<double>(test.ErrorRate)},
        {"failedBlocks", test.FailedBlocks},
        {"errorsOffMap", test.ErrorsOffDisc},
        {"lastBlockTested", static_cast<double>(test.LastBlockTested)},
        {"shortcomings", jsonLines(test.Shortcomings())},
    };
}

// The plumbing of both test commands: the options read before the drive is
// addressed, the launch with the test's header, Ctrl-C as STOP, then the
// map and the report.
int runInTerminal(CliSession& session, const CommandArguments& options,
                  mediatests::ByteErrorTest& test, TerminalTestView& view,
                  const std::string& title) {
    console::DriveConsole& drive = session.Operations();
    view.SetStopFlag(test.StopRequested);
    const console::DeviceAddress at = options.Address();
    const std::int32_t start = *options.Hex("--start");
    const std::optional<std::int32_t> givenEnd = options.Hex("--end");
    const std::int32_t skip = *options.Hex("--skip");
    const InterruptAsStop interrupt;
    mediatests::LaunchBitErrorRateTest(
        drive, at,
        [&] {
            const std::int32_t end = givenEnd.value_or(drive::TMODrive::LastBlockLBA);
            std::optional<StreamedReport> report;
            if (const auto path = options.Text("--report")) {
                report.emplace(*path, "burstLines");
                test.OnBurstLine = [&report](const std::string& line) {
                    report->AddLine(line);
                };
            }
            test.Run(start, end, skip);
            test.OnBurstLine = nullptr;
            if (const auto map = options.Text("--map")) {
                SaveImage(view.Map().Image(), *map, "map");
            }
            if (report) {
                report->Finish(reportFigures(test, at, start, end, skip));
            }
        },
        title);
    return view.Started() ? session.Conclude(test.Shortcomings()) : session.Outcome(false);
}

} // namespace

int RunBitErrorRate(CliSession& session, const CommandArguments& arguments) {
    TerminalTestView view;
    mediatests::BitErrorRateTest test(session.Operations(), view);
    return runInTerminal(session, arguments, test, view, "Bit Error Rate Test");
}

int RunSafeBitErrorRate(CliSession& session, const CommandArguments& arguments) {
    TerminalTestView view;
    mediatests::MediumGeometry geometry;
    mediatests::SafeBitErrorRateTest test(session.Operations(), view, geometry);
    return runInTerminal(session, arguments, test, view, "Safe Bit Error Rate Test");
}

} // namespace quillon::app
