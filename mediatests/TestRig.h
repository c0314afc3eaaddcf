#pragma once

// What the media tests' unit tests share: a front end that records, a view
// without a screen, and a simulated drive made ready at 0:2:0.
#include "console/ConsoleTestSupport.h"
#include "console/DriveConsole.h"
#include "mediatests/TestView.h"
#include "plots/ArcGraphImage.h"
#include "scsi/SimTransport.h"
#include "sim/DriveSet.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quillon::mediatests::testing {

using console::testing::RecordingConsole;

// The test window without a screen: the map, the figures last shown, and
// what happens when the test lets events run.
class MapView : public TestView {
public:
    MapView() { map.SetRange(-64, 64, -64, 64); }
    plots::ArcGraphImage map;
    std::string rate, lba;
    std::function<void()> onEvents;

    plots::ArcGraphImage& Map() override { return map; }
    void ShowRate(const std::string& text) override { rate = text; }
    void ShowLba(const std::string& text) override { lba = text; }
    void SetRunning(bool) override {}
    void ProcessEvents() override {
        if (onEvents) {
            onEvents();
        }
    }

    // Pixels of a colour on the disc, the legend in the corner left out.
    int pixels(QRgb color) const {
        int count = 0;
        const QImage& image = map.Image();
        const QPoint centre(map.XToPixel(0), map.YToPixel(0));
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QPoint offset = QPoint(x, y) - centre;
                const bool onDisc = offset.x() * offset.x() + offset.y() * offset.y() < 200 * 200;
                count += onDisc && image.pixel(x, y) == color ? 1 : 0;
            }
        }
        return count;
    }
};

// The simulated drive at 0:2:0, ready, with the console's operations on it.
struct SimulatedDrive {
    // timeScale: 1 runs the drive at its modelled speed, 0 answers at once.
    explicit SimulatedDrive(const std::string& drives, double timeScale = 0)
        : drive(console::testing::SimulatedBus(sim::parseDriveSet(drives), bus, timeScale)),
          operations(drive, console) {
        operations.SelectCurrent({0, 2, 0});
        EXPECT_TRUE(operations.CheckUnitReady());
        view.map.OverWrite = false;
    }

    sim::SimDrive& simDrive() { return *bus->target(2)->lun(0); }
    // The commands the drive received since tracing was switched on.
    std::vector<sim::TraceEntry> trace() const { return bus->target(2)->trace(); }

    scsi::SimTransport* bus = nullptr;
    drive::TMODrive drive;
    RecordingConsole console;
    MapView view;
    console::DriveConsole operations;
};

// The block address of a 10-byte CDB.
inline std::uint32_t lbaOf(const std::vector<std::uint8_t>& cdb) {
    return std::uint32_t{cdb[2]} << 24 | cdb[3] << 16 | cdb[4] << 8 | cdb[5];
}

} // namespace quillon::mediatests::testing
