#include "CliBitErrorRate.h"

#include "plots/ArcGraph.h"
#include "tests/BitErrorRate.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <csignal>
#include <stdexcept>

namespace quillon::app {

namespace {

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int) {
    interrupted = 1;
}

// The test window for a terminal: the map is drawn off screen, the figures
// are not shown, and Ctrl-C is STOP.
class TerminalTestView : public tests::TestView {
public:
    TerminalTestView() {
        map_.OverWrite = false;
        map_.SetRange(-64, 64, -64, 64);
    }

    // The flag that Ctrl-C sets.
    void SetStopFlag(bool& stopRequested) { stopRequested_ = &stopRequested; }
    // Whether a run started (the medium could be written).
    bool Started() const { return started_; }

    plots::ArcGraphImage& Map() override { return map_; }
    void ShowRate(const std::string&) override {}
    void ShowLba(const std::string&) override {}
    void SetRunning(bool running) override { started_ = started_ || running; }
    void ProcessEvents() override {
        if (interrupted != 0 && stopRequested_ != nullptr) {
            *stopRequested_ = true;
        }
    }

private:
    plots::ArcGraphImage map_;
    bool* stopRequested_ = nullptr;
    bool started_ = false;
};

void saveMap(const QImage& map, const std::string& path) {
    if (!map.save(QString::fromStdString(path), "PNG")) {
        throw std::runtime_error("cannot write the map to " + path);
    }
}

void writeReport(const tests::BitErrorRateTest& test, console::DeviceAddress at, std::int32_t start,
                 std::int32_t end, std::int32_t skip, const std::string& path) {
    QJsonArray bursts;
    for (const std::string& line : test.BurstLines) {
        bursts.append(QString::fromStdString(line));
    }
    const QJsonObject report{
        {"device", QString("%1:%2:%3").arg(at.HA).arg(at.Target).arg(at.LUN)},
        {"start", start},
        {"end", end},
        {"skip", skip},
        {"mediaType", test.Geometry.MediaType},
        {"longBlockSize", drive::TMODrive::LongBlockSize},
        {"blocksTested", test.BlocksTested},
        {"erroneousBytes", test.ErrorCount},
        {"errorRate", static_cast<double>(test.ErrorRate)},
        {"burstLines", bursts},
    };
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(QJsonDocument(report).toJson()) < 0 || !file.flush()) {
        throw std::runtime_error("cannot write the report to " + path);
    }
}

} // namespace

int RunBitErrorRate(console::DriveConsole& drive, console::DeviceAddress at,
                    const CommandOptions& options) {
    TerminalTestView view;
    tests::BitErrorRateTest test(drive, view);
    view.SetStopFlag(test.StopRequested);
    const auto previous = std::signal(SIGINT, onInterrupt);
    tests::LaunchBitErrorRateTest(drive, at, [&] {
        const std::int32_t start = options.Hex("--start").value_or(0x100);
        const std::int32_t end = options.Hex("--end").value_or(drive::TMODrive::LastBlockLBA);
        const std::int32_t skip = options.Hex("--skip").value_or(0x80);
        test.Run(start, end, skip);
        if (const auto map = options.Text("--map")) {
            saveMap(view.Map().Image(), *map);
        }
        if (const auto report = options.Text("--report")) {
            writeReport(test, at, start, end, skip, *report);
        }
    });
    std::signal(SIGINT, previous);
    return view.Started() ? 0 : 1;
}

} // namespace quillon::app
