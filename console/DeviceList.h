#pragma once

#include "console/DriveConsole.h"
#include "drive/MODrive.h"

#include <vector>

namespace quillon::widgets {
class TStrColGrid;
}

namespace quillon::console {

// The device lists of the main window and of the two-drive copy: a grid with
// a row of titles and a row per device (its number, host adapter, target ID,
// LUN, vendor, product and revision), selected by whole rows.
namespace DeviceList {

// Columns, widths, row height and the yellow current row of a device list.
void SetUp(widgets::TStrColGrid& grid);
// Writes the titles and one row per device; the list then has a row more
// than there are devices.
void Fill(widgets::TStrColGrid& grid, const std::vector<drive::TDeviceInfo>& devices);
// The address in the selected row; throws std::invalid_argument when its
// cells hold no numbers.
DeviceAddress Selected(const widgets::TStrColGrid& grid);

} // namespace DeviceList

} // namespace quillon::console
