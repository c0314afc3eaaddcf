#include "widgets/Colors.h"
#include "widgets/DisplayMask.h"
#include "widgets/InplaceEditEx.h"
#include "widgets/StringGridEx.h"
#include "widgets/TestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

using namespace quillon::widgets;

namespace {

constexpr QRgb white = colors::clWhite;
constexpr QRgb aqua = colors::clAqua;
constexpr QRgb red = colors::clRed;

} // namespace

// TStringGridEx in an active window, driven by real key events that reach the
// real cell editor; what it stores, reports and paints. And the display
// masks its cells are shown through.
class StringGridExTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QWidget> window;
    TStringGridEx* grid = nullptr;
    QLineEdit* other = nullptr;

    TGridColumn& column(int col) { return grid->GridColumns().Items(col); }

    void setCurrent(int col, int row) {
        grid->setCurrentIndex(grid->model()->index(row, col));
        QCOMPARE(QPoint(grid->Col(), grid->Row()), QPoint(col, row));
    }

    // Each key goes to whatever has the focus: the grid, or its editor once
    // the first key opened it.
    void typeKeys(const QString& keys) {
        for (QChar key : keys)
            QTest::keyClick(QApplication::focusWidget(), key.toLatin1());
    }

    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }

    QString editorText() const {
        TInplaceEditEx* editor = grid->InplaceEditor();
        return editor ? editor->toPlainText() : QStringLiteral("(closed)");
    }

    QRect inner(int col, int row) const {
        return grid->visualRect(grid->model()->index(row, col)).adjusted(0, 0, -1, -1);
    }

    QImage render() const {
        return grid->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    QImage cellImage(const QImage& image, int col, int row) const {
        return image.copy(inner(col, row));
    }

    // Four hexadecimal columns shown through "xx", like the hex editor's.
    void makeHexColumns() {
        grid->setColCount(6);
        for (int col = 1; col <= 4; ++col) {
            column(col).setDataType(TGridDataType::dtHex);
            column(col).setDisplayMask("xx");
        }
    }

private slots:
    void init() {
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        grid = new TStringGridEx(window.get());
        other = new QLineEdit(window.get());
        layout->addWidget(grid);
        layout->addWidget(other);
        QFont font("DejaVu Sans", 9);
        font.setStyleStrategy(QFont::NoAntialias);
        grid->setFont(font);
        grid->setColor(white);
        grid->setOptions(grid->Options() | goEditing | goTabs);
        window->resize(500, 300);
        QVERIFY(testing::showActive(*window));
        grid->setFocus();
        QTRY_VERIFY(grid->hasFocus());
    }

    void cleanup() { window.reset(); }

    void displayMasks_data() {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("last two") << "xx"
                                  << "001F"
                                  << "1F";
        QTest::newRow("last four of fewer") << "HHHH"
                                            << "1F"
                                            << "1F";
        QTest::newRow("last one") << "X"
                                  << "0123"
                                  << "3";
        QTest::newRow("as it stands") << "s"
                                      << "a&b 12"
                                      << "a&b 12";
        QTest::newRow("two decimals") << "0.00"
                                      << "1.5"
                                      << "1.50";
        QTest::newRow("half rounds up") << "0.00"
                                        << "2.675"
                                        << "2.68";
        QTest::newRow("carry into a new digit") << "0.0"
                                                << "-9.96"
                                                << "-10.0";
        QTest::newRow("plus sign") << "0"
                                   << "+7.5"
                                   << "8";
        QTest::newRow("grouping") << "#,##0"
                                  << "1234567"
                                  << "1,234,567";
        QTest::newRow("optional decimals") << "0.##"
                                           << "3.10"
                                           << "3.1";
        QTest::newRow("no integer digit") << "#.##"
                                          << "0.5"
                                          << ".5";
        QTest::newRow("leading zeros") << "000"
                                       << "7"
                                       << "007";
        QTest::newRow("literals around") << "\"$\"0.0 kB"
                                         << "2"
                                         << "$2.0 kB";
        QTest::newRow("negative section") << "0;(0)"
                                          << "-5"
                                          << "(5)";
        QTest::newRow("zero section") << "0;(0);\"none\""
                                      << "0"
                                      << "none";
        QTest::newRow("negative zero after rounding") << "0"
                                                      << "-0.2"
                                                      << "0";
        QTest::newRow("no number") << "0.00"
                                   << "1.2.3"
                                   << "1.2.3";
        QTest::newRow("edit mask, literals kept") << "!99/99;1;_"
                                                  << "12/3"
                                                  << "12/3_";
        QTest::newRow("edit mask, literals left out") << "000-0000;0;_"
                                                      << "AB12C"
                                                      << "AB1-2C__";
        QTest::newRow("edit mask, capitals") << ">LL<LL"
                                             << "abCD"
                                             << "ABcd";
        QTest::newRow("edit mask, escaped") << "\\A-aa"
                                            << "xy"
                                            << "A-xy";
        QTest::newRow("empty text") << "0.00"
                                    << ""
                                    << "";
    }

    void displayMasks() {
        QFETCH(QString, mask);
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(applyDisplayMask(text, mask), shown);
    }

    void columnsFollowTheColumnCount() {
        TGridColumns& columns = grid->GridColumns();
        QCOMPARE(grid->ColCount(), 4);
        QCOMPARE(grid->DefaultRowHeight(), 20);
        QCOMPARE(columns.Count(), 4);
        column(3).setDataType(TGridDataType::dtHex);
        column(3).setCanEdit(false);
        grid->setColCount(18);
        QCOMPARE(columns.Count(), 18);
        for (int col = 4; col < 18; ++col) {
            const TGridColumn& added = column(col);
            QCOMPARE(added.DataType(), TGridDataType::dtString);
            QVERIFY(added.CanEdit());
            QCOMPARE(added.Alignment(), TAlignment::taLeftJustify);
            QCOMPARE(added.ImeMode(), TImeMode::imDisable);
            QCOMPARE(added.Color(), QColor(white));
            QCOMPARE(added.Font(), grid->font());
            QCOMPARE(added.FixCellFont(), grid->font());
            QVERIFY(added.Caption().isEmpty() && added.DisplayMask().isEmpty());
            QVERIFY(!added.MultiLine() && !added.Wordwrap());
        }
        grid->setColCount(4);
        QCOMPARE(columns.Count(), 4);
        QCOMPARE(column(3).DataType(), TGridDataType::dtHex);
        QVERIFY(!column(3).CanEdit());

        columns.Add();
        QCOMPARE(grid->ColCount(), 5);
        columns.Delete(0);
        columns.Delete(0);
        QCOMPARE(grid->ColCount(), 3);
        QCOMPARE(column(1).DataType(), TGridDataType::dtHex);
        columns.Clear();
        QCOMPARE(grid->ColCount(), 1);
        QCOMPARE(columns.Count(), 1);
    }

    void columnsFollowTheGridUntilGivenTheirOwn() {
        const QColor stripes = grid->StripeColor();
        column(1).setColor(red);
        QFont bold = grid->font();
        bold.setBold(true);
        column(2).setFont(bold);
        grid->setColor(aqua);
        QFont larger = grid->font();
        larger.setPointSize(14);
        grid->setFont(larger);
        QCOMPARE(column(1).Color(), QColor(red));
        QCOMPARE(column(2).Color(), QColor(aqua));
        QCOMPARE(column(1).Font(), larger);
        QCOMPARE(column(2).Font(), bold);
        QCOMPARE(column(2).FixCellFont(), bold);
        QCOMPARE(grid->StripeColor(), stripes);
    }

    void captions() {
        column(1).setCaption("");
        QCOMPARE(column(1).Caption(), QString(" "));
        column(1).setCaption("AB");
        grid->setCells(2, 0, "AB");
        column(3).setCaption("ZZ");
        grid->setCells(3, 0, "AB");
        const QImage image = render();
        QCOMPARE(cellImage(image, 1, 0), cellImage(image, 2, 0));
        QCOMPARE(cellImage(image, 3, 0), cellImage(image, 2, 0));
        QVERIFY(cellImage(image, 1, 0) != cellImage(image, 0, 0));
        QCOMPARE(testing::accessibleCellText(*grid, 1, 0), "AB");
    }

    void ampersandsUnderlineUnlessShownAsTheyStand() {
        setCurrent(3, 2);
        grid->setCells(1, 1, "a&&b");
        column(2).setDisplayMask("s");
        grid->setCells(2, 1, "a&b");
        grid->setCells(3, 1, "a&b");
        const QImage image = render();
        QCOMPARE(cellImage(image, 1, 1), cellImage(image, 2, 1));
        QVERIFY(cellImage(image, 3, 1) != cellImage(image, 2, 1));
    }

    void stripesPaintEvenRows() {
        grid->setColCount(18);
        grid->setRowCount(6);
        grid->setDefaultColWidth(20);
        for (int col = 0; col < 18; ++col)
            column(col).setColor(red);
        setCurrent(17, 5);
        const QColor fixed = grid->FixedColor();
        QCOMPARE(render().pixel(inner(3, 2).center()), red);

        grid->setStripeColor(aqua);
        grid->setGridStyle(TGridStyle::gsStriped);
        QCOMPARE(grid->CellColor(3, 2), QColor(aqua));
        QCOMPARE(grid->CellColor(3, 3), QColor(white));
        const QImage image = render();
        for (int col : {1, 8, 16}) {
            QCOMPARE(image.pixel(inner(col, 0).center()), fixed.rgb());
            QCOMPARE(image.pixel(inner(col, 1).center()), white);
            QCOMPARE(image.pixel(inner(col, 2).center()), aqua);
            QCOMPARE(image.pixel(inner(col, 3).center()), white);
            QCOMPARE(image.pixel(inner(col, 4).center()), aqua);
        }
        QCOMPARE(image.pixel(inner(0, 2).center()), fixed.rgb());

        // A selected cell keeps its colour.
        setCurrent(2, 2);
        QTest::keyClick(grid, Qt::Key_Right, Qt::ShiftModifier);
        QVERIFY(grid->selectionModel()->isSelected(grid->model()->index(2, 3)));
        QCOMPARE(render().pixel(inner(3, 2).center()), aqua);
    }

    void keysAcceptedByDataType_data() {
        QTest::addColumn<TGridDataType>("type");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("typed");
        QTest::newRow("integer") << TGridDataType::dtInteger << "1a-b.+ 9xZ"
                                 << "1-.+ 9";
        QTest::newRow("hex") << TGridDataType::dtHex << "0g1F-a.e z"
                             << "01Fae ";
        QTest::newRow("string") << TGridDataType::dtString << "a1-& Z"
                                << "a1-& Z";
    }

    void keysAcceptedByDataType() {
        QFETCH(TGridDataType, type);
        QFETCH(QString, keys);
        QFETCH(QString, typed);
        column(1).setDataType(type);
        grid->setCells(1, 1, "old");
        setCurrent(1, 1);
        press(Qt::Key_F2);
        QVERIFY(grid->InplaceEditor());
        press(Qt::Key_Backspace);
        typeKeys(keys);
        QCOMPARE(editorText(), typed);
    }

    void aRefusedKeyOpensNoEditor() {
        column(1).setDataType(TGridDataType::dtInteger);
        grid->setCells(1, 1, "12");
        setCurrent(1, 1);
        typeKeys("a");
        QVERIFY(!grid->InplaceEditor());
        QCOMPARE(QPoint(grid->Col(), grid->Row()), QPoint(1, 1));
        typeKeys("3");
        QCOMPARE(editorText(), QString("3"));

        column(2).setCanEdit(false);
        setCurrent(2, 1);
        QVERIFY(!grid->InplaceEditor());
        typeKeys("4");
        press(Qt::Key_F2);
        QVERIFY(!grid->InplaceEditor());
        QCOMPARE(grid->Cells(2, 1), QString());
    }

    void enteredTextIsTidied_data() {
        QTest::addColumn<TGridDataType>("type");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("stored");
        QTest::newRow("hex 1f") << TGridDataType::dtHex << "1f"
                                << "001F";
        QTest::newRow("hex 123") << TGridDataType::dtHex << "123"
                                 << "0123";
        QTest::newRow("hex wide") << TGridDataType::dtHex << "fffff"
                                  << "FFFFF";
        QTest::newRow("hex too wide") << TGridDataType::dtHex << "123456789"
                                      << "123456789";
        QTest::newRow("hex with blank") << TGridDataType::dtHex << "1 f"
                                        << "1 f";
        QTest::newRow("integer 007") << TGridDataType::dtInteger << "007"
                                     << "7";
        QTest::newRow("integer +5") << TGridDataType::dtInteger << "+5"
                                    << "5";
        QTest::newRow("lone minus") << TGridDataType::dtInteger << "-"
                                    << "-0";
        QTest::newRow("negative") << TGridDataType::dtInteger << "-0012"
                                  << "-12";
        QTest::newRow("no integer") << TGridDataType::dtInteger << "1.5"
                                    << "1.5";
        QTest::newRow("too large") << TGridDataType::dtInteger << "2147483648"
                                   << "2147483648";
        QTest::newRow("smallest") << TGridDataType::dtInteger << "-02147483648"
                                  << "-2147483648";
        QTest::newRow("string") << TGridDataType::dtString << "007"
                                << "007";
    }

    void enteredTextIsTidied() {
        QFETCH(TGridDataType, type);
        QFETCH(QString, keys);
        QFETCH(QString, stored);
        column(1).setDataType(type);
        setCurrent(1, 1);
        typeKeys(keys);
        press(Qt::Key_Return);
        QVERIFY(!grid->InplaceEditor());
        QCOMPARE(grid->Cells(1, 1), stored);
        QCOMPARE(QPoint(grid->Col(), grid->Row()), QPoint(2, 1));
    }

    void hexCellsShowTheirLastTwoDigits() {
        makeHexColumns();
        grid->setRowCount(4);
        setCurrent(1, 1);
        typeKeys("1f");
        press(Qt::Key_Tab);
        typeKeys("123");
        press(Qt::Key_Return);
        QCOMPARE(grid->Cells(1, 1), QString("001F"));
        QCOMPARE(grid->Cells(2, 1), QString("0123"));
        QCOMPARE(grid->Col(), 3);
        grid->setCells(1, 3, "1F");
        grid->setCells(2, 3, "23");
        grid->setCells(3, 3, "0123");
        column(3).setDisplayMask(QString());
        const QImage image = render();
        QCOMPARE(cellImage(image, 1, 1), cellImage(image, 1, 3));
        QCOMPARE(cellImage(image, 2, 1), cellImage(image, 2, 3));
        QVERIFY(cellImage(image, 2, 1) != cellImage(image, 3, 3));
        QCOMPARE(testing::accessibleCellText(*grid, 2, 1), "23");
    }

    void setEditTextReportsEachKeystroke() {
        makeHexColumns();
        grid->setCells(2, 1, "00AB");
        QSignalSpy reports(grid, &TStringGridEx::OnSetEditText);
        setCurrent(2, 1);
        typeKeys("1g");
        typeKeys("f");
        QCOMPARE(reports.count(), 2);
        QCOMPARE(reports.at(0), QVariantList({2, 1, QString("0001")}));
        QCOMPARE(reports.at(1), QVariantList({2, 1, QString("001F")}));
        QCOMPARE(grid->Cells(2, 1), QString("00AB"));
        press(Qt::Key_Backspace);
        QCOMPARE(reports.last(), QVariantList({2, 1, QString("0001")}));

        // Escape keeps the cell's text and reports it again.
        press(Qt::Key_Escape);
        QVERIFY(!grid->InplaceEditor());
        QCOMPARE(grid->Cells(2, 1), QString("00AB"));
        QCOMPARE(reports.count(), 4);
        QCOMPARE(reports.last(), QVariantList({2, 1, QString("00AB")}));

        // Opening and leaving the editor without typing reports nothing.
        press(Qt::Key_F2);
        QVERIFY(grid->InplaceEditor());
        press(Qt::Key_Escape);
        press(Qt::Key_Right);
        QCOMPARE(reports.count(), 4);
    }

    void theEditorTakesTheCellsSettings() {
        QFont bold = grid->font();
        bold.setBold(true);
        column(1).setFont(bold);
        column(1).setImeMode(TImeMode::imOpen);
        column(1).setWordwrap(true);
        grid->setStripeColor(aqua);
        grid->setGridStyle(TGridStyle::gsStriped);
        setCurrent(1, 2);
        press(Qt::Key_F2);
        TInplaceEditEx* editor = grid->InplaceEditor();
        QVERIFY(editor);
        QCOMPARE(editor->font(), bold);
        QVERIFY(editor->testAttribute(Qt::WA_InputMethodEnabled));
        QCOMPARE(editor->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        QCOMPARE(editor->palette().color(QPalette::Base), QColor(aqua));
        QVERIFY(!editor->MultiLine());

        press(Qt::Key_Escape);
        setCurrent(2, 1);
        press(Qt::Key_F2);
        editor = grid->InplaceEditor();
        QVERIFY(editor);
        QCOMPARE(editor->font(), grid->font());
        QVERIFY(!editor->testAttribute(Qt::WA_InputMethodEnabled));
        QVERIFY(editor->inputMethodHints() & Qt::ImhLatinOnly);
        QCOMPARE(editor->lineWrapMode(), QPlainTextEdit::NoWrap);
        QCOMPARE(editor->palette().color(QPalette::Base), QColor(white));
    }

    void singleLineEditing() {
        grid->setCells(1, 1, "abc");
        setCurrent(1, 1);
        press(Qt::Key_F2);
        TInplaceEditEx* editor = grid->InplaceEditor();
        QVERIFY(editor && editor->hasFocus());
        QCOMPARE(editor->textCursor().selectedText(), QString("abc"));
        typeKeys("xy");
        press(Qt::Key_Down);
        QVERIFY(!grid->InplaceEditor());
        QCOMPARE(grid->Cells(1, 1), QString("xy"));
        QCOMPARE(QPoint(grid->Col(), grid->Row()), QPoint(1, 2));
        QVERIFY(grid->hasFocus());

        // Enter in the grid moves on as the right arrow does.
        press(Qt::Key_Return);
        QCOMPARE(QPoint(grid->Col(), grid->Row()), QPoint(2, 2));
        QVERIFY(!grid->InplaceEditor());

        // Enter in the last column ends editing there.
        setCurrent(3, 2);
        typeKeys("z");
        press(Qt::Key_Return);
        QVERIFY(!grid->InplaceEditor());
        QCOMPARE(grid->Cells(3, 2), QString("z"));
        QCOMPARE(grid->Col(), 3);
    }

    void multiLineEditing() {
        column(1).setMultiLine(true);
        grid->setCells(1, 1, "xy");
        setCurrent(1, 1);
        press(Qt::Key_Return);
        TInplaceEditEx* editor = grid->InplaceEditor();
        QVERIFY(editor && editor->MultiLine());
        QVERIFY(!editor->textCursor().hasSelection());
        QCOMPARE(editor->textCursor().position(), 2);
        typeKeys("ab");
        press(Qt::Key_Return);
        typeKeys("cd");
        QCOMPARE(editorText(), QString("xyab\ncd"));
        press(Qt::Key_Up);
        press(Qt::Key_Left);
        press(Qt::Key_Down);
        typeKeys("-");
        QCOMPARE(grid->InplaceEditor(), editor);
        QCOMPARE(editorText(), QString("xyab\nc-d"));
        QCOMPARE(QPoint(grid->Col(), grid->Row()), QPoint(1, 1));

        press(Qt::Key_Return, Qt::ControlModifier);
        QVERIFY(!grid->InplaceEditor());
        QCOMPARE(grid->Cells(1, 1), QString("xyab\nc-d"));
        QCOMPARE(QPoint(grid->Col(), grid->Row()), QPoint(1, 1));

        press(Qt::Key_F2);
        QVERIFY(grid->InplaceEditor());
        QCOMPARE(grid->InplaceEditor()->textCursor().position(), 8);
        press(Qt::Key_Backspace);
        press(Qt::Key_Right, Qt::ControlModifier);
        QVERIFY(!grid->InplaceEditor());
        QCOMPARE(grid->Cells(1, 1), QString("xyab\nc-"));
        QCOMPARE(QPoint(grid->Col(), grid->Row()), QPoint(2, 1));
        press(Qt::Key_Left);
        press(Qt::Key_F2);
        press(Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(QPoint(grid->Col(), grid->Row()), QPoint(1, 2));
    }

    void bulkUpdateReportsOnce() {
        grid->setColCount(18);
        grid->setRowCount(150);
        QSignalSpy changes(grid->model(), &QAbstractItemModel::dataChanged);
        grid->BeginUpdate();
        for (int row = 1; row < 150; ++row)
            for (int col = 1; col < 17; ++col)
                grid->setCells(col, row, QString::number(row * col, 16));
        QCOMPARE(changes.count(), 0);
        grid->EndUpdate();
        QCOMPARE(changes.count(), 1);
        QCOMPARE(grid->Cells(16, 149), QString::number(149 * 16, 16));
        grid->setCells(1, 1, "x");
        QCOMPARE(changes.count(), 2);
    }
};

QTEST_MAIN(StringGridExTest)
#include "StringGridEx_test.moc"
