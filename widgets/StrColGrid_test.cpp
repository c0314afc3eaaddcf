#include "widgets/DottedFrame.h"
#include "widgets/StrColGrid.h"
#include "widgets/TestSupport.h"

#include <QLineEdit>
#include <QPainter>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <memory>
#include <stdexcept>

using namespace quillon::widgets;

namespace {

constexpr QRgb white = colors::clWhite;
constexpr QRgb yellow = colors::clYellow;
constexpr QRgb blue = colors::clBlue;
constexpr QRgb silver = colors::clSilver;

// A line of the text drawn in a cell, as the grid handed it to be drawn.
struct DrawnLine {
    int index;
    QString text;
    QRect rect;
};

QImage render(TStrColGrid& grid) {
    return grid.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QRect cellRect(TStrColGrid& grid, int col, int row) {
    return grid.visualRect(grid.model()->index(row, col));
}

// The part of a cell inside its grid lines (the lines take the last column
// and row of pixels).
QRect innerRect(TStrColGrid& grid, int col, int row) {
    return cellRect(grid, col, row).adjusted(0, 0, -1, -1);
}

} // namespace

// Drives a shown grid with real key and mouse events and checks what it
// reports and how its cells are painted.
class StrColGridTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QWidget> window;
    TStrColGrid* grid = nullptr;
    QLineEdit* other = nullptr;
    QStringList events;

    // Fills the grid as the device lists are: a title row, seven columns,
    // row selection in yellow, titles centred.
    void makeDeviceList() {
        grid->setColCount(7);
        grid->setRowCount(5);
        grid->setFixedCols(0);
        grid->setDefaultRowHeight(18);
        const int widths[] = {20, 20, 20, 26, 96, 102, 98};
        for (int col = 0; col < 7; ++col)
            grid->setColWidths(col, widths[col]);
        grid->setOptions(grid->Options() | goRowSelect);
        grid->setFocusCellColor(yellow);
        grid->setFixedAlignment(TAlignment::taCenter);
        const QStringList titles = {"", "HA", "ID", "LUN", "Vender ID", "Product ID", "Revision"};
        for (int col = 0; col < 7; ++col)
            grid->setCells(col, 0, titles[col]);
        for (int row = 1; row < 5; ++row)
            grid->setCells(4, row, "VENDOR" + QString::number(row));
    }

    void recordMoves() {
        connect(grid, &TStrColGrid::OnCellChanged, this, [this](int c0, int r0, int c1, int r1) {
            events << QString("cell %1,%2>%3,%4").arg(c0).arg(r0).arg(c1).arg(r1);
        });
        connect(grid, &TStrColGrid::OnColChanged, this,
                [this](int c0, int c1) { events << QString("col %1>%2").arg(c0).arg(c1); });
        connect(grid, &TStrColGrid::OnRowChanged, this,
                [this](int r0, int r1) { events << QString("row %1>%2").arg(r0).arg(r1); });
    }

    TCellMoveEvent record(const QString& what) {
        return [this, what](TStrColGrid&, int col, int row) {
            events << QString("%1 %2,%3").arg(what).arg(col).arg(row);
        };
    }

    void click(int col, int row) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellRect(*grid, col, row).center());
    }

    std::vector<DrawnLine> drawnLines(int col, int row) {
        std::vector<DrawnLine> lines;
        grid->OnDrawTextOneLine = [&lines, col, row](TStrColGrid&, const QRect& rect, int c, int r,
                                                     int index, TGridDrawState, QString& text,
                                                     TAlignment&, TTextLayout&, bool&) {
            if (c == col && r == row)
                lines.push_back({index, text, rect});
        };
        render(*grid);
        grid->OnDrawTextOneLine = nullptr;
        return lines;
    }

private slots:
    void init() {
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        grid = new TStrColGrid(window.get());
        other = new QLineEdit(window.get());
        layout->addWidget(grid);
        layout->addWidget(other);
        QFont font("DejaVu Sans", 9);
        font.setStyleStrategy(QFont::NoAntialias);
        grid->setFont(font);
        QPalette palette = grid->palette();
        palette.setColor(QPalette::Text, Qt::black);
        grid->setPalette(palette);
        grid->setColor(white);
        events.clear();
        window->resize(500, 300);
        QVERIFY(testing::showActive(*window));
        grid->setFocus();
        QTRY_VERIFY(grid->hasFocus());
    }

    void cleanup() { window.reset(); }

    void laterParametersOverrideEarlierOnes() {
        TSCGCellParams& params = grid->CellParams();
        TSCGCellParam& range = params.Add();
        range.setCol(1);
        range.setRow(1);
        range.setColMax(4);
        range.setRowMax(4);
        range.setRangeEnabled(true);
        TSCGCellParam& single = params.Add();
        single.setCol(2);
        single.setRow(2);
        single.setColMax(3);
        single.setRowMax(3);
        TSCGCellParam& inner = params.Add();
        inner.setCol(2);
        inner.setRow(2);
        inner.setColMax(3);
        inner.setRowMax(3);
        inner.setRangeEnabled(true);
        QCOMPARE(grid->CellParam(2, 2), &inner);
        QCOMPARE(grid->CellParam(3, 3), &inner);
        QCOMPARE(grid->CellParam(4, 1), &range);
        QCOMPARE(grid->CellParam(0, 0), nullptr);
        params.Delete(2);
        QCOMPARE(grid->CellParam(2, 2), &single);
        QCOMPARE(grid->CellParam(3, 3), &range);
    }

    void creatingAParameterKeepsTheCellsLook() {
        grid->setColor(colors::clAqua);
        grid->setFixedColor(colors::clGray);
        TSCGCellParam* fixed = grid->CellParam(0, 2, true);
        TSCGCellParam* normal = grid->CellParam(3, 2, true);
        QCOMPARE(grid->CellParams().Count(), 2);
        QCOMPARE(grid->CellParam(3, 2, true), normal);
        QCOMPARE(fixed->CellColor(), QColor(colors::clGray));
        QCOMPARE(normal->CellColor(), QColor(colors::clAqua));
        QCOMPARE(normal->FontColor(), QColor(Qt::black));
        QVERIFY(normal->CellColorEnabled() && normal->FontColorEnabled());
        QVERIFY(!normal->RangeEnabled());
        QCOMPARE(normal->Caption(), QString());
        QCOMPARE(normal->CaptionType(), TCaptionType::ctCellText);
        QCOMPARE(QPoint(normal->Col(), normal->Row()), QPoint(3, 2));
        const QImage image = render(*grid);
        QCOMPARE(image.pixel(innerRect(*grid, 3, 2).bottomRight() - QPoint(1, 1)),
                 QColor(colors::clAqua).rgb());
    }

    void deviceListFollowsKeysAndClicks() {
        makeDeviceList();
        recordMoves();
        QCOMPARE(grid->Row(), 1);
        QTest::keyClick(grid, Qt::Key_Down);
        QTest::keyClick(grid, Qt::Key_Up);
        QTest::keyClick(grid, Qt::Key_Up);
        QCOMPARE(grid->Row(), 1);
        QCOMPARE(events, QStringList({"cell 1,1>1,2", "row 1>2", "cell 1,2>1,1", "row 2>1"}));
        events.clear();
        click(4, 3);
        click(4, 3);
        click(5, 0);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(50, 150));
        QCOMPARE(grid->Row(), 3);
        QCOMPARE(events, QStringList({"cell 1,1>4,3", "col 1>4", "row 1>3"}));
        QCOMPARE(grid->Cells(4, grid->Row()), QString("VENDOR3"));
    }

    void deviceListHighlightsTheCurrentRow() {
        makeDeviceList();
        click(1, 3);
        click(2, 0);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(50, 150));
        QImage image = render(*grid);
        for (int col = 0; col < 7; ++col) {
            const QPoint inside = innerRect(*grid, col, 3).bottomRight() - QPoint(1, 1);
            QCOMPARE(image.pixel(inside), yellow);
            QCOMPARE(image.pixel(innerRect(*grid, col, 2).bottomRight() - QPoint(1, 1)), white);
        }
        QCOMPARE(image.pixel(innerRect(*grid, 2, 0).center()), colors::clBtnFace().rgb());
        QCOMPARE(image.pixel(cellRect(*grid, 2, 2).bottomRight()), silver);

        // The focus frame runs around the whole row: blue dots on yellow.
        const QRect row = innerRect(*grid, 0, 3).united(innerRect(*grid, 6, 3));
        for (int col = 0; col < 7; ++col) {
            const QRect cell = innerRect(*grid, col, 3);
            for (int x = cell.left(); x <= cell.right(); ++x) {
                QCOMPARE(image.pixel(x, cell.top()) == blue, (x + cell.top()) % 2 == 0);
                QCOMPARE(image.pixel(x, cell.bottom()) == blue, (x + cell.bottom()) % 2 == 0);
            }
        }
        QCOMPARE(image.pixel(row.left(), row.top() + 2),
                 (row.left() + row.top()) % 2 ? yellow : blue);
        const QRect second = innerRect(*grid, 1, 3);
        QCOMPARE(image.pixel(second.left(), second.top() + 1), yellow);
        QCOMPARE(image.pixel(second.left(), second.top() + 2), yellow);

        other->setFocus();
        QTRY_VERIFY(other->hasFocus());
        image = render(*grid);
        QCOMPARE(image.pixel(row.topLeft()), yellow);
        QCOMPARE(image.pixel(row.topLeft() + QPoint(1, 0)), yellow);
        grid->setFocusDraw(false);
        QCOMPARE(render(*grid).pixel(row.topLeft()), white);
    }

    void anEmptyListLosesItsTitleRowForGood() {
        grid->setCells(1, 3, "kept");
        grid->setRowCount(1);
        QCOMPARE(grid->FixedRows(), 0);
        QCOMPARE(grid->Row(), 0);
        QCOMPARE(grid->Cells(1, 3), QString());
        grid->setCells(2, 2, "early");
        grid->setRowCount(4);
        QCOMPARE(grid->FixedRows(), 0);
        QCOMPARE(grid->model()->index(2, 2).data().toString(), QString("early"));
        QTest::keyClick(grid, Qt::Key_Down);
        QTest::keyClick(grid, Qt::Key_Up);
        QCOMPARE(grid->Row(), 0);
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, grid->setFixedRows(4));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, grid->setCol(0));
    }

    void movesReachParametersThenTheGrid() {
        recordMoves();
        TSCGCellParam& first = grid->CellParams().Add();
        first.setCol(1);
        first.setRow(1);
        TSCGCellParam& range = grid->CellParams().Add();
        range.setCol(2);
        range.setRow(1);
        range.setColMax(3);
        range.setRowMax(2);
        range.setRangeEnabled(true);
        for (TSCGCellParam* param : {&first, &range}) {
            param->OnLeaveCell = record("leave");
            param->OnLeaveCol = record("leave col");
            param->OnLeaveRow = record("leave row");
            param->OnEnterCell = record("enter");
            param->OnEnterCol = record("enter col");
            param->OnEnterRow = record("enter row");
        }
        QTest::keyClick(grid, Qt::Key_Right);
        QTest::keyClick(grid, Qt::Key_Down);
        grid->setCol(2);
        QCOMPARE(events, QStringList({"leave 1,1", "leave col 1,1", "enter 2,1", "enter col 2,1",
                                      "cell 1,1>2,1", "col 1>2", "leave 2,1", "leave row 2,1",
                                      "enter 2,2", "enter row 2,2", "cell 2,1>2,2", "row 1>2"}));
    }

    void captionTypesMakeUpTheLines_data() {
        QTest::addColumn<TCaptionType>("type");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QStringList>("lines");
        const TCaptionType ctCaption = TCaptionType::ctCaption;
        const TCaptionType ctCellText = TCaptionType::ctCellText;
        QTest::newRow("caption") << ctCaption << "Cap"
                                 << "Cell" << QStringList{"Cap"};
        QTest::newRow("caption, none") << ctCaption << ""
                                       << "Cell" << QStringList{"Cell"};
        QTest::newRow("cell text") << ctCellText << "Cap"
                                   << "Cell" << QStringList{"Cell"};
        QTest::newRow("cell text, empty") << ctCellText << "Cap"
                                          << "" << QStringList{"Cap"};
        QTest::newRow("header") << TCaptionType::ctHeader << "Cap"
                                << "Cell" << QStringList{"CapCell"};
        QTest::newRow("footer") << TCaptionType::ctFooter << "Cap"
                                << "Cell" << QStringList{"CellCap"};
        QTest::newRow("top") << TCaptionType::ctTop << "Cap"
                             << "Cell" << QStringList{"Cap", "Cell"};
        QTest::newRow("top, empty") << TCaptionType::ctTop << "Cap"
                                    << "" << QStringList{"Cap", ""};
        QTest::newRow("bottom") << TCaptionType::ctBottom << "Cap"
                                << "a\r\nb" << QStringList{"a", "b", "Cap"};
    }

    void captionTypesMakeUpTheLines() {
        QFETCH(TCaptionType, type);
        QFETCH(QString, caption);
        QFETCH(QString, cell);
        QFETCH(QStringList, lines);
        grid->setRowHeights(2, 32);
        grid->setCells(1, 2, cell);
        TSCGCellParam& param = grid->CellParams().Add();
        param.setCol(1);
        param.setRow(2);
        param.setCaptionType(type);
        param.setCaption(caption);
        const std::vector<DrawnLine> drawn = drawnLines(1, 2);
        QCOMPARE(int(drawn.size()), lines.size());
        const QRect cell31 = innerRect(*grid, 1, 2);
        const int share = 31 / int(lines.size());
        for (int i = 0; i < lines.size(); ++i) {
            QCOMPARE(drawn[i].text, lines[i]);
            QCOMPARE(drawn[i].rect.top(), cell31.top() + i * share);
        }
        QCOMPARE(drawn.back().rect.bottom(), cell31.bottom());
        static const QRegularExpression lineBreak("\r\n|\r|\n");
        QCOMPARE(testing::accessibleCellText(*grid, 1, 2).split(lineBreak), lines);
    }

    void textIsPlacedAndRepeatedInItsLine() {
        grid->setColWidths(1, 101);
        grid->setRowHeights(1, 41);
        grid->setCells(1, 1, "MM");
        grid->setCol(2);
        const QRect cell = innerRect(*grid, 1, 1);
        const int textHeight = QFontMetrics(grid->font()).height();
        auto ink = [&] {
            return testing::pixelBox(render(*grid), cell, white);
        };
        grid->setLayout(TTextLayout::tlTop);
        const QRect leftTop = ink();
        QVERIFY(leftTop.left() >= cell.left() + 2 && leftTop.left() <= cell.left() + 4);
        QVERIFY(leftTop.top() >= cell.top() + 2 && leftTop.bottom() < cell.top() + 2 + textHeight);
        grid->setAlignment(TAlignment::taRightJustify);
        grid->setLayout(TTextLayout::tlBottom);
        const QRect rightBottom = ink();
        QVERIFY(rightBottom.right() <= cell.right() - 2 && rightBottom.right() >= cell.right() - 4);
        QVERIFY(rightBottom.bottom() <= cell.bottom() - 1);
        QVERIFY(rightBottom.top() >= cell.bottom() - textHeight);
        grid->setAlignment(TAlignment::taCenter);
        grid->setLayout(TTextLayout::tlCenter);
        const QRect centred = ink();
        QVERIFY(std::abs((centred.left() - cell.left()) - (cell.right() - centred.right())) <= 2);
        QVERIFY(std::abs((centred.top() - cell.top()) - (cell.bottom() - centred.bottom())) <= 4);

        TSCGCellParam* param = grid->CellParam(1, 1, true);
        param->setFontWidth(3);
        const QRect bolder = ink();
        QCOMPARE(bolder.width(), leftTop.width() + 2);
        QCOMPARE(bolder.left(), leftTop.left());
    }

    void innerLinesAndRaisedTitleCells() {
        grid->setRowHeights(0, 33);
        grid->setRowHeights(2, 33);
        for (int col : {0, 1}) {
            TSCGCellParam* param = grid->CellParam(col, col == 0 ? 0 : 2, true);
            param->setCaptionType(TCaptionType::ctTop);
            param->setCaption("Cap");
        }
        const QImage image = render(*grid);
        const QRect normal = innerRect(*grid, 1, 2);
        QCOMPARE(image.pixel(normal.right() - 3, normal.top() + 16), silver);
        const QRect fixed = innerRect(*grid, 0, 0);
        QCOMPARE(image.pixel(fixed.right() - 3, fixed.top() + 16), colors::clBtnHighlight().rgb());
        QCOMPARE(image.pixel(fixed.right() - 3, fixed.top() + 15), colors::clBtnShadow().rgb());
        QCOMPARE(image.pixel(fixed.topLeft()), colors::clBtnHighlight().rgb());
        QCOMPARE(image.pixel(fixed.bottomRight()), colors::clGray);
        grid->setCtl3D(false);
        QCOMPARE(render(*grid).pixel(fixed.bottomRight()), colors::clBtnFace().rgb());
    }

    void outCellTextChangesTextAndCanvas() {
        bool keepCanvas = true;
        grid->OnOutCellText = [&keepCanvas](TStrColGrid& target, const QRect&, int col, int row,
                                            const QString&, QString& value, bool& doCanvasReset) {
            if (col != 2 || row != 2)
                return;
            value = "changed";
            target.Canvas()->setBrush(QColor(colors::clRed));
            doCanvasReset = keepCanvas;
        };
        const std::vector<DrawnLine> lines = drawnLines(2, 2);
        QCOMPARE(lines.at(0).text, QString("changed"));
        const QPoint inside = innerRect(*grid, 2, 2).bottomRight() - QPoint(1, 1);
        QCOMPARE(render(*grid).pixel(inside), colors::clRed);
        keepCanvas = false;
        QCOMPARE(render(*grid).pixel(inside), white);
    }

    void focusColoursFollowTheOptions() {
        grid->setFocusCellColor(yellow);
        grid->setFocusCellFontColor(QColor(colors::clRed));
        grid->setFocusCellFontColorEnabled(true);
        grid->setCells(2, 1, "MM");
        QTest::keyClick(grid, Qt::Key_Right, Qt::ShiftModifier);
        const QPoint current = innerRect(*grid, 2, 1).bottomRight() - QPoint(1, 1);
        const QPoint anchor = innerRect(*grid, 1, 1).bottomRight() - QPoint(1, 1);
        QImage image = render(*grid);
        QCOMPARE(image.pixel(anchor), yellow);
        QCOMPARE(image.pixel(current), white);
        grid->setOptions(grid->Options() | goDrawFocusSelected);
        QTest::keyClick(grid, Qt::Key_Left);
        QTest::keyClick(grid, Qt::Key_Right);
        image = render(*grid);
        QCOMPARE(image.pixel(current), yellow);
        int textPixels = 0;
        const QRect inside = innerRect(*grid, 2, 1).adjusted(1, 1, -1, -1);
        for (int y = inside.top(); y <= inside.bottom(); ++y)
            for (int x = inside.left(); x <= inside.right(); ++x)
                if (image.pixel(x, y) != yellow) {
                    QCOMPARE(image.pixel(x, y), colors::clRed);
                    ++textPixels;
                }
        QVERIFY(textPixels > 10);
    }

    void aCurrentCellParameterSetsEditingFontAndInputMethod() {
        grid->Fonts().Add().setName("big");
        grid->Fonts().Items(0).setFont(QFont("DejaVu Serif", 20));
        TSCGCellParam* param = grid->CellParam(2, 2, true);
        param->setOptions(grid->Options() | goEditing);
        param->setOptionsEnabled(true);
        param->setFontName("big");
        param->setImeMode(TImeMode::imDisable);
        param->setImeModeEnabled(true);
        QTest::keyClicks(grid, "x");
        QVERIFY(!grid->findChild<QLineEdit*>());
        grid->setCol(2);
        grid->setRow(2);
        QVERIFY(!grid->testAttribute(Qt::WA_InputMethodEnabled));
        QTest::keyClicks(grid, "x");
        auto* editor = grid->findChild<QLineEdit*>();
        QVERIFY(editor);
        QCOMPARE(editor->font().family(), QString("DejaVu Serif"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(grid->Cells(2, 2), QString("x"));
        QVERIFY(!grid->Options().testFlag(goEditing));
        grid->setOptions(grid->Options() | goEditing);
        grid->setRow(1);
        QVERIFY(grid->testAttribute(Qt::WA_InputMethodEnabled));
    }

    void dotColoursStandOutFromThePixelUnder() {
        QCOMPARE(dottedFrameColor(qRgb(255, 255, 255)), qRgb(0, 0, 0));
        QCOMPARE(dottedFrameColor(qRgb(0, 0, 0)), qRgb(255, 255, 255));
        QCOMPARE(dottedFrameColor(yellow), qRgb(0, 0, 255));
        QCOMPARE(dottedFrameColor(silver), qRgb(0x3F, 0x3F, 0x3F));
        QCOMPARE(dottedFrameColor(qRgb(0x80, 0x80, 0x80)), qRgb(255, 255, 255));
        QCOMPARE(dottedFrameColor(qRgb(0x84, 0x80, 0x7C)), qRgb(255, 255, 255));
        QCOMPARE(dottedFrameColor(qRgb(0x86, 0x80, 0x7A)), qRgb(0x79, 0x7F, 0x85));

        QImage image(6, 4, QImage::Format_RGB32);
        image.fill(white);
        drawDottedFrame(image, image.rect(), deLeft | deTop | deRight | deBottom, QPoint(1, 0));
        const QRgb black = qRgb(0, 0, 0);
        QCOMPARE(image.pixel(0, 0), white);
        QCOMPARE(image.pixel(1, 0), black);
        QCOMPARE(image.pixel(0, 1), black);
        QCOMPARE(image.pixel(5, 0), black);
        QCOMPARE(image.pixel(5, 3), white);
        QCOMPARE(image.pixel(4, 3), black);
        QCOMPARE(image.pixel(2, 1), white);
    }
};

QTEST_MAIN(StrColGridTest)
#include "StrColGrid_test.moc"
