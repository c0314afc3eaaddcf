// The sector hex editor on simulated drives, driven as a user drives it: a
// block button clicked on the main window, addresses typed into the editor's
// LBA field, cells edited, WRITE clicked, the editor closed. The grid, the
// log and what the drive received are read afterwards.
#include "WindowsFixture.h"
#include "app/Application.h"
#include "widgets/InplaceEditEx.h"
#include "widgets/StrColGrid.h"
#include "widgets/StringGridEx.h"

#include <QTest>

using namespace quillon;
using widgets::TIntEdit;
using widgets::TStringGridEx;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr std::uint8_t Write10 = 0x2A;

Bytes pattern(std::size_t size, int seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 3 + static_cast<std::size_t>(seed));
    }
    return bytes;
}

} // namespace

class HexEditTest : public e2e::WindowsFixture {
    Q_OBJECT

    console::THexEdit& editor() { return windows->HexEdit(); }
    TStringGridEx* grid() { return editor().findChild<TStringGridEx*>("StringGridEx1"); }
    TIntEdit* editorLba() { return editor().findChild<TIntEdit*>("IntEdit1"); }
    sim::SimDrive& drive() { return *bus->target(2)->lun(0); }

    // The drives, the first row of the list selected, the main window's LBA
    // field set, target 2 traced.
    void open(const char* drives, const QString& lba) {
        WindowsFixture::open(drives);
        bus->target(2)->setTracing(true);
        auto* list = form().findChild<widgets::TStrColGrid*>("StrColGrid1");
        const QRect cell = list->visualRect(list->model()->index(1, 1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        retype(form().findChild<TIntEdit*>("IntEdit1"), lba);
    }
    // Records a block on the medium with the drive component, unseen by the
    // trace.
    void put(std::int32_t lba, const Bytes& bytes) {
        drive::TMODrive& d = form().MODrive1;
        d.Capacity(0, 2, 0);
        Bytes copy = bytes;
        QCOMPARE(d.Write10(0, 2, 0, lba, 1, copy.data()), 0);
        bus->target(2)->clearTrace();
    }
    void inEditor(const char* button, const std::function<void()>& steps) {
        inModalWindow(editor(), button, steps);
    }
    int writesSent() {
        int count = 0;
        for (const auto& entry : bus->target(2)->trace()) {
            count += entry.cdb.at(0) == Write10 ? 1 : 0;
        }
        return count;
    }
    // The grid's byte cells as bytes, the first size of them.
    Bytes gridBytes(std::size_t size) {
        Bytes bytes;
        for (std::size_t i = 0; i < size; ++i) {
            const QString text =
                grid()->Cells(static_cast<int>(i % 16) + 1, static_cast<int>(i / 16) + 1);
            bytes.push_back(static_cast<std::uint8_t>(text.toUInt(nullptr, 16) & 0xFF));
        }
        return bytes;
    }
    void editCell(int col, int row, const QString& keys) {
        editor().activateWindow();
        grid()->setFocus();
        grid()->setCurrentIndex(grid()->model()->index(row, col));
        QTest::keyClick(grid(), Qt::Key_F2);
        QWidget* cellEditor = grid()->InplaceEditor();
        QVERIFY(cellEditor != nullptr);
        QTest::keyClick(cellEditor, Qt::Key_End);
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(cellEditor, Qt::Key_Backspace);
        }
        QTest::keyClicks(cellEditor, keys);
    }

private slots:
    void init() { startAnswering(); }
    void cleanup() { closeWindows(); }

    // Rows of sixteen bytes and the width that leaves room for a scroll bar
    // only when the rows do not fit, for each block and long block.
    void showsABlockInRowsOfSixteen() {
        struct Case {
            const char* drives;
            const char* button;
            int rows; // with the header
            int width;
        };
        for (const Case c :
             {Case{"2=mo230", "CuteButton4", 33, 434}, Case{"2=mo230", "CuteButton5", 39, 452},
              Case{"2=mo650", "CuteButton4", 65, 452}, Case{"2=mo650", "CuteButton5", 76, 452},
              Case{"2=mo640", "CuteButton5", 150, 452}}) {
            open(c.drives, "10");
            inEditor(c.button, [&] {
                QCOMPARE(grid()->RowCount(), c.rows);
                QCOMPARE(grid()->width(), c.width);
                QCOMPARE(grid()->Cells(0, c.rows - 1),
                         QString("%1").arg(c.rows - 2, 2, 16, QChar('0')).toUpper());
            });
            // The button's read logs no OK line; the editor's LBA field, set
            // from 2 to the address, reads the block once more and does.
            QCOMPARE(form().LogLines().size(), 2);
            QVERIFY(form().LogLines().last().startsWith("LBA 10 "));
        }
        // The 600-byte long block's last row holds 8 bytes, its ASCII text
        // ends in eight blanks.
        open("2=mo230", "10");
        inEditor("CuteButton5", [&] {
            QVERIFY(!grid()->Cells(8, 38).isEmpty());
            QVERIFY(grid()->Cells(9, 38).isEmpty());
            QVERIFY(grid()->Cells(17, 38).endsWith("        "));
            QCOMPARE(editor().findChild<QLabel*>("Label1")->text(), "Long Read LBA");
            QVERIFY(!editor().findChild<widgets::TCuteButton*>("CuteButton1")->isVisible());
        });
    }

    void typingAnAddressReadsEachBlockOnTheWay() {
        open("2=mo230", "0");
        put(0x12, pattern(512, 5));
        inEditor("CuteButton4", [&] {
            QTest::mouseClick(editorLba(), Qt::LeftButton);
            QTest::keyClick(editorLba(), Qt::Key_End);
            QTest::keyClicks(editorLba(), "12");
            QCOMPARE(gridBytes(512), pattern(512, 5));
            // Beyond the medium: the failure is reported, the block stays.
            answerer->leftAlone = {"HexEdit"};
            editorLba()->setValue(0x7FFFFFF);
            QCOMPARE(gridBytes(512), pattern(512, 5));
        });
        const QStringList lines = form().LogLines();
        QVERIFY2(lines.contains("LBA 1 Read OK") && lines.contains("LBA 12 Read OK"),
                 qPrintable(lines.join('|')));
        QVERIFY(lines.contains("Error: Read"));
        QVERIFY(!answerer->take().isEmpty()); // the sense window of the failed read
    }

    // A cleared cell shows "." at once; WRITE then fails with the
    // conversion error and sends nothing.
    void aClearedCellStopsTheWrite() {
        open("2=mo230", "7");
        put(7, pattern(512, 0x41));
        inEditor("CuteButton4", [] {}); // the buffer now holds block 7
        inEditor("CuteButton6", [&] {
            QCOMPARE(grid()->Cells(17, 1).left(1), "A");
            editCell(1, 1, "");
            QCOMPARE(grid()->Cells(17, 1).left(1), ".");
            QTest::keyClick(grid()->InplaceEditor(), Qt::Key_Return);
            answerer->leftAlone = {"HexEdit"};
            QTest::mouseClick(editor().findChild<widgets::TCuteButton*>("CuteButton1"),
                              Qt::LeftButton);
            QCOMPARE(writesSent(), 0);
            editCell(1, 1, "42");
            QTest::keyClick(grid()->InplaceEditor(), Qt::Key_Return);
        });
        const QStringList shown = answerer->take();
        QVERIFY2(shown.size() == 1 && shown[0].contains("is not a valid integer value"),
                 qPrintable(shown.join('|')));
        QCOMPARE(writesSent(), 0); // closing without WRITE writes nothing
    }

    // The buffer is shared: a block read at one address is written at
    // another; a long sector read is written back whole.
    void writesTheBlockAtTheEditorsAddress() {
        open("2=mo230:error-rate=0", "3");
        put(3, pattern(512, 9));
        inEditor("CuteButton4", [] {});
        inEditor("CuteButton6", [&] {
            QCOMPARE(editor().findChild<QLabel*>("Label1")->text(), "Write LBA");
            retype(editorLba(), "9");
            QTest::mouseClick(editor().findChild<widgets::TCuteButton*>("CuteButton1"),
                              Qt::LeftButton);
        });
        QCOMPARE(form().LogLines().last(), "LBA 9 Write OK");
        const Bytes nine = drive().recordedSector(9);
        QCOMPARE(Bytes(nine.begin(), nine.begin() + 512), pattern(512, 9));

        inEditor("CuteButton5", [] {});
        inEditor("CuteButton7", [&] {
            retype(editorLba(), "C");
            QTest::mouseClick(editor().findChild<widgets::TCuteButton*>("CuteButton1"),
                              Qt::LeftButton);
        });
        QCOMPARE(form().LogLines().last(), "LBA C Long Write OK");
        QCOMPARE(drive().recordedSector(12), drive().recordedSector(3));
    }
};

int main(int argc, char** argv) {
    app::Application application(argc, argv);
    HexEditTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "HexEdit_test.moc"
