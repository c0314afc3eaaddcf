// Shows each widget of the library in its main configurations, for looking at
// them and for screenshots: gallery [--screenshot FILE.png]

#include "widgets/Colors.h"
#include "widgets/CuteButton.h"
#include "widgets/FmtEdit.h"
#include "widgets/IntEdit.h"
#include "widgets/StrColGrid.h"
#include "widgets/StringGridEx.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QVBoxLayout>

using namespace quillon::widgets;

namespace {

// Adds a labelled widget as the next row of a form-like grid.
void addRow(QGridLayout& grid, const QString& label, QWidget* widget) {
    const int row = grid.rowCount();
    grid.addWidget(new QLabel(label), row, 0);
    grid.addWidget(widget, row, 1);
}

QGroupBox* editFields() {
    auto* box = new QGroupBox("TIntEdit / TFmtEdit");
    auto* grid = new QGridLayout(box);

    auto* decimal = new TIntEdit;
    decimal->setValue(-1234);
    addRow(*grid, "signed decimal", decimal);

    auto* hex = new TIntEdit;
    hex->setRadix(16);
    hex->setValue(0x1FFFF);
    hex->setAlignment(TAlignment::taRightJustify);
    hex->setOverWriteMode(TOverWriteMode::owOverWrite);
    addRow(*grid, "hexadecimal, right, overwrite", hex);

    auto* ranged = new TIntEdit;
    ranged->setMinValue(0);
    ranged->setMaxValue(100);
    ranged->setValue(100);
    ranged->setEditModes(TIntEditMode::imArrowWrap);
    addRow(*grid, "0 to 100, arrow wrap", ranged);

    auto* display = new TFmtEdit;
    display->setText("00:12:34");
    display->setReadOnly(true);
    display->setAlignment(TAlignment::taCenter);
    addRow(*grid, "TFmtEdit display", display);
    return box;
}

TStrColGrid* deviceList() {
    auto* grid = new TStrColGrid;
    grid->setObjectName("StrColGrid1");
    grid->setColCount(7);
    grid->setRowCount(4);
    const int widths[] = {20, 20, 20, 26, 96, 102, 98};
    for (int col = 0; col < 7; ++col)
        grid->setColWidths(col, widths[col]);
    grid->setDefaultRowHeight(18);
    grid->setOptions(grid->Options() | TGridOption::goRowSelect);
    grid->setFocusCellColor(QColor(colors::clYellow));
    grid->setFixedAlignment(TAlignment::taCenter);
    const QStringList rows[] = {
        {"", "HA", "ID", "LUN", "Vender ID", "Product ID", "Revision"},
        {"1", "0", "2", "0", "FUJITSU", "M2513A", "1300"},
        {"2", "0", "4", "0", "SONY", "SMO-F541", "2.00"},
        {"3", "1", "5", "0", "QUILLON", "SIM DISK", "0.1"},
    };
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 7; ++col)
            grid->setCells(col, row, rows[row][col]);
    grid->setRow(1);
    return grid;
}

QGroupBox* parameterisedGrid() {
    auto* box = new QGroupBox("TStrColGrid with cell parameters");
    auto* grid = new TStrColGrid;
    grid->setColCount(4);
    grid->setRowCount(4);
    grid->setDefaultRowHeight(34);
    TSCGCellParam& header = grid->CellParams().Add();
    header.setCol(1);
    header.setRow(1);
    header.setColMax(3);
    header.setRowMax(1);
    header.setRangeEnabled(true);
    header.setCellColor(QColor(colors::clAqua));
    header.setCellColorEnabled(true);
    header.setCaption("top");
    header.setCaptionType(TCaptionType::ctTop);
    TSCGCellParam& bold = grid->CellParams().Add();
    bold.setCol(2);
    bold.setRow(2);
    bold.setFontWidth(2);
    bold.setCaption("bold");
    for (int col = 1; col < 4; ++col)
        for (int row = 1; row < 4; ++row)
            grid->setCells(col, row, QString("%1,%2").arg(col).arg(row));
    (new QVBoxLayout(box))->addWidget(grid);
    return box;
}

// Sixteen hexadecimal byte columns shown through "xx" between a line number
// column and an ASCII column, striped in aqua, as the sector hex editor has it.
QGroupBox* hexEditorGrid() {
    auto* box = new QGroupBox("TStringGridEx, hex editor");
    auto* grid = new TStringGridEx;
    grid->setObjectName("StringGridEx1");
    QFont narrow("Arial Narrow");
    narrow.setPixelSize(11);
    grid->setFont(narrow);
    grid->setColCount(18);
    grid->setRowCount(9);
    grid->setDefaultColWidth(18);
    grid->setDefaultRowHeight(18);
    grid->setColWidths(17, 106);
    grid->setOptions(grid->Options() | TGridOption::goEditing | TGridOption::goTabs);
    grid->setStripeColor(QColor(colors::clAqua));
    grid->setGridStyle(TGridStyle::gsStriped);
    TGridColumns& columns = grid->GridColumns();
    columns.Items(0).setDataType(TGridDataType::dtInteger);
    for (int col = 1; col <= 16; ++col) {
        TGridColumn& byte = columns.Items(col);
        byte.setCaption(QString("%1").arg(col - 1, 2, 16, QChar('0')).toUpper());
        byte.setAlignment(TAlignment::taCenter);
        byte.setDataType(TGridDataType::dtHex);
        byte.setDisplayMask("xx");
    }
    columns.Items(17).setCaption("            ASCII");
    columns.Items(17).setDisplayMask("s");
    columns.Items(17).setCanEdit(false);
    grid->BeginUpdate();
    for (int row = 1; row < grid->RowCount(); ++row) {
        grid->setCells(0, row, QString("%1").arg(row - 1, 2, 16, QChar('0')).toUpper());
        QString ascii;
        for (int col = 1; col <= 16; ++col) {
            const int byte = ((row - 1) * 16 + col - 1 + 0x30) & 0xFF;
            grid->setCells(col, row, QString("%1").arg(byte, 4, 16, QChar('0')).toUpper());
            ascii += byte >= 0x20 && byte < 0x7F ? QChar(byte) : QChar('.');
        }
        grid->setCells(17, row, ascii);
    }
    grid->EndUpdate();
    grid->setMinimumSize(452, 200);
    (new QVBoxLayout(box))->addWidget(grid);
    return box;
}

// A column of each data type, a masked number, a multi-line and word-wrapped
// column and one that cannot be edited, in the columns' own colours.
QGroupBox* typedColumnsGrid() {
    auto* box = new QGroupBox("TStringGridEx, typed columns");
    auto* grid = new TStringGridEx;
    grid->setColCount(6);
    grid->setRowCount(4);
    grid->setDefaultColWidth(84);
    grid->setColWidths(0, 16);
    grid->setRowHeights(2, 36);
    grid->setRowHeights(3, 36);
    grid->setMinimumSize(16 + 5 * 84 + 4, 4 + 20 * 2 + 36 * 2);
    grid->setOptions(grid->Options() | TGridOption::goEditing | TGridOption::goTabs);
    const struct {
        const char* caption;
        TGridDataType type;
        const char* mask;
        TAlignment alignment;
        QRgb color;
    } settings[] = {
        {"text", TGridDataType::dtString, "", TAlignment::taLeftJustify, colors::clWhite},
        {"integer", TGridDataType::dtInteger, "", TAlignment::taRightJustify, colors::clWhite},
        {"hex", TGridDataType::dtHex, "xx", TAlignment::taCenter, colors::clYellow},
        {"0.00", TGridDataType::dtString, "#,##0.00", TAlignment::taRightJustify, colors::clLime},
        {"notes", TGridDataType::dtString, "s", TAlignment::taLeftJustify, colors::clSilver},
    };
    for (int col = 1; col < 6; ++col) {
        const auto& setting = settings[col - 1];
        TGridColumn& column = grid->GridColumns().Items(col);
        column.setCaption(setting.caption);
        column.setDataType(setting.type);
        column.setDisplayMask(setting.mask);
        column.setAlignment(setting.alignment);
        column.setColor(QColor(setting.color));
    }
    TGridColumn& notes = grid->GridColumns().Items(5);
    notes.setMultiLine(true);
    notes.setWordwrap(true);
    QFont bold = notes.FixCellFont();
    bold.setBold(true);
    notes.setFixCellFont(bold);
    grid->GridColumns().Items(1).setCanEdit(false);
    const QStringList rows[] = {
        {"read only", "-12", "001F", "1234.5", "R&D, as it stands"},
        {"second", "7", "0123", "0.125", "two\nlines"},
        {"third", "-0", "FFFF", "-3", "a longer note that wraps at the cell width"},
    };
    for (int row = 1; row < 4; ++row)
        for (int col = 1; col < 6; ++col)
            grid->setCells(col, row, rows[row - 1][col - 1]);
    (new QVBoxLayout(box))->addWidget(grid);
    return box;
}

QGroupBox* buttons(QMenu* menu) {
    auto* box = new QGroupBox("TCuteButton");
    auto* grid = new QGridLayout(box);
    const struct {
        const char* caption;
        QRgb color;
    } coloured[] = {{"&Read", 0},
                    {"&Write", colors::clYellow},
                    {"START", colors::clAqua},
                    {"STOP", colors::clFuchsia}};
    int col = 0;
    for (const auto& entry : coloured) {
        auto* button = new TCuteButton;
        button->setCaption(entry.caption);
        if (entry.color != 0)
            button->setColor(QColor(entry.color));
        grid->addWidget(button, 0, col++);
    }
    auto* flat = new TCuteButton;
    flat->setCaption("Flat");
    flat->setFlat(true);
    grid->addWidget(flat, 1, 0);
    auto* disabled = new TCuteButton;
    disabled->setCaption("Disabled");
    disabled->setEnabled(false);
    grid->addWidget(disabled, 1, 1);
    auto* left = new TCuteButton;
    left->setCaption("Margin 4");
    left->setAlignment(TAlignment::taLeftJustify);
    left->setMarginX(4);
    grid->addWidget(left, 1, 2);
    auto* dropDown = new TCuteButton;
    dropDown->setCaption("Menu");
    dropDown->setDropDownMenu(menu);
    dropDown->setDropDownDelay(500);
    grid->addWidget(dropDown, 1, 3);
    return box;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser options;
    options.setApplicationDescription("Shows the Quillon widgets.");
    options.addHelpOption();
    const QCommandLineOption screenshot("screenshot", "Saves the window to FILE and quits.",
                                        "FILE");
    options.addOption(screenshot);
    options.process(app);

    QWidget window;
    window.setWindowTitle("Quillon widgets");
    QMenu menu;
    menu.addAction("First");
    menu.addAction("Second");
    auto* layout = new QGridLayout(&window);
    layout->addWidget(editFields(), 0, 0);
    layout->addWidget(buttons(&menu), 0, 1);
    layout->addWidget(deviceList(), 1, 0);
    layout->addWidget(parameterisedGrid(), 1, 1);
    layout->addWidget(hexEditorGrid(), 2, 0);
    layout->addWidget(typedColumnsGrid(), 2, 1);
    window.show();

    if (options.isSet(screenshot)) {
        const QString file = options.value(screenshot);
        QTimer::singleShot(0, &window, [&] {
            if (!window.grab().save(file)) {
                qCritical("cannot write %s", qPrintable(file));
                QApplication::exit(1);
                return;
            }
            QApplication::quit();
        });
    }
    return app.exec();
}
