#include "DeviceList.h"

#include "widgets/Colors.h"
#include "widgets/StrColGrid.h"

#include <stdexcept>

namespace quillon::console::DeviceList {

namespace {

constexpr int Widths[] = {20, 20, 20, 26, 96, 102, 98};
constexpr const char* Titles[] = {"", "HA", "ID", "LUN", "Vender ID", "Product ID", "Revision"};
constexpr int DesignedRows = 12;
constexpr int RowHeight = 18;

// A cell of the list as a number, as the operations read the address.
std::uint8_t addressNumber(const QString& cell) {
    bool ok = false;
    const int value = cell.trimmed().toInt(&ok);
    if (!ok) {
        throw std::invalid_argument("'" + cell.toStdString() + "' is not a valid integer value");
    }
    return static_cast<std::uint8_t>(value);
}

} // namespace

void SetUp(widgets::TStrColGrid& grid) {
    grid.setColCount(static_cast<int>(std::size(Widths)));
    grid.setRowCount(DesignedRows);
    grid.setDefaultRowHeight(RowHeight);
    for (int col = 0; col < grid.ColCount(); ++col) {
        grid.setColWidths(col, Widths[col]);
    }
    grid.setOptions(grid.Options() | widgets::goRowSelect);
    grid.setFocusCellColor(QColor(widgets::colors::clYellow));
    grid.setFixedAlignment(widgets::TAlignment::taCenter);
    grid.setLayout(widgets::TTextLayout::tlTop);
}

void Fill(widgets::TStrColGrid& grid, const std::vector<drive::TDeviceInfo>& devices) {
    for (int col = 0; col < grid.ColCount(); ++col) {
        grid.setCells(col, 0, Titles[col]);
    }
    int row = 1;
    for (const drive::TDeviceInfo& info : devices) {
        const QString cells[] = {QString::number(row),
                                 QString::number(info.HA),
                                 QString::number(info.Target),
                                 QString::number(info.LUN),
                                 QString::fromStdString(info.Vendor),
                                 QString::fromStdString(info.Product),
                                 QString::fromStdString(info.Revision)};
        for (int col = 0; col < grid.ColCount(); ++col) {
            grid.setCells(col, row, cells[col]);
        }
        ++row;
    }
    grid.setRowCount(row);
}

DeviceAddress Selected(const widgets::TStrColGrid& grid) {
    const int row = grid.Row();
    return {addressNumber(grid.Cells(1, row)), addressNumber(grid.Cells(2, row)),
            addressNumber(grid.Cells(3, row))};
}

} // namespace quillon::console::DeviceList
