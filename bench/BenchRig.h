#pragma once

// What the media test benchmarks share: a front end that shows nothing, and
// a simulated drive with a 230 MB cartridge at 0:2:0 made ready, with the
// console's operations on it.
#include "console/DriveConsole.h"
#include "scsi/SimTransport.h"
#include "sim/DriveSet.h"

#include <QGuiApplication>
#include <memory>
#include <vector>

namespace quillon::bench {

// A front end that logs nothing and answers the end question Abort.
class SilentConsole : public console::Console {
public:
    void ClearLog() override {}
    void AddLog(const std::string&) override {}
    void MessageBox(BoxKind, const std::string&) override {}
    Answer AskOkAbort(const std::string&) override { return Answer::Abort; }
    void ShowSense(bool, std::int32_t, std::int32_t, std::int32_t, std::int32_t) override {}
};

// The pictures' texts need the font database; no screen is needed.
inline void drawOffscreen() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

// The drive at 0:2:0; timeScale 1 runs it at its modelled speed, 0 at once.
struct ReadyDrive {
    static constexpr std::uint8_t Target = 2;

    explicit ReadyDrive(double timeScale)
        : drive(transports(timeScale)), operations(drive, console) {
        operations.SelectCurrent({0, Target, 0});
        ready = operations.CheckUnitReady();
    }

    static std::vector<std::unique_ptr<scsi::Transport>> transports(double timeScale) {
        std::vector<std::unique_ptr<scsi::Transport>> all;
        all.push_back(
            std::make_unique<scsi::SimTransport>(sim::parseDriveSet("2=mo230"), timeScale));
        return all;
    }

    drive::TMODrive drive;
    SilentConsole console;
    console::DriveConsole operations;
    bool ready = false;
};

} // namespace quillon::bench
