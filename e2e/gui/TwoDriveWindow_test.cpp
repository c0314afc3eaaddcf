// The two-drive copy window on simulated drives, driven as a user drives it:
// "2 Drive Copy" clicked on the main window, rows chosen in the two lists,
// the range typed, the buttons clicked. The log, the windows shown and the
// destination's blocks are read afterwards.
#include "WindowsFixture.h"
#include "app/Application.h"
#include "widgets/Colors.h"
#include "widgets/Gauge.h"
#include "widgets/StrColGrid.h"

#include <QLabel>
#include <QTest>

using namespace quillon;
using widgets::TCuteButton;
using widgets::TIntEdit;
using widgets::TStrColGrid;
using Bytes = std::vector<std::uint8_t>;

namespace {

const QString Header = "    **** Copy Disk (2 Drive) *****";

// Counts how often a window is shown.
class ShowCounter : public QObject {
public:
    explicit ShowCounter(QWidget& window) { window.installEventFilter(this); }
    int shown = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        shown += event->type() == QEvent::Show ? 1 : 0;
        return false;
    }
};

Bytes blockBytes(std::int32_t lba) {
    Bytes bytes(512);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 5 + static_cast<std::size_t>(lba));
    }
    return bytes;
}

} // namespace

class TwoDriveWindowTest : public e2e::WindowsFixture {
    Q_OBJECT

    console::TForm6& form6() { return windows->Form6(); }
    template <typename Control> Control* control(const char* name) {
        return form6().findChild<Control*>(name);
    }
    void inCopyWindow(const std::function<void()>& steps) {
        inModalWindow(form6(), "CuteButton15", steps);
    }
    void click(const char* button) {
        QTest::mouseClick(control<TCuteButton>(button), Qt::LeftButton);
    }
    void selectRow(const char* list, int row) {
        auto* grid = control<TStrColGrid>(list);
        const QRect cell = grid->visualRect(grid->model()->index(row, 2));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(grid->Row(), row);
    }
    Bytes recorded(std::uint8_t target, std::uint32_t lba) {
        const Bytes sector = bus->target(target)->lun(0)->recordedSector(lba);
        return {sector.begin(), sector.begin() + 512};
    }

private slots:
    void init() { startAnswering(); }
    void cleanup() { closeWindows(); }

    // Both lists hold the two MO drives (not the disk, not the absent LUNs),
    // every control sits apart from the others, each label beside or above
    // its field, and the main window is hidden while the window is up.
    void windowIsBuiltAsDesigned() {
        open("2=mo230,4=mo640,5=disk");
        inCopyWindow([&] {
            QVERIFY(!form().isVisible());
            QCOMPARE(form6().size(), QSize(403, 370));
            QCOMPARE(form6().windowTitle(), "Select Drive (Copy Disk)");
            const QStringList titles{"HA", "ID", "LUN", "Vender ID", "Product ID", "Revision"};
            for (const char* name : {"StrColGrid1", "StrColGrid2"}) {
                auto* list = control<TStrColGrid>(name);
                QCOMPARE(list->RowCount(), 3);
                for (int col = 1; col <= 6; ++col) {
                    QCOMPARE(list->Cells(col, 0), titles[col - 1]);
                }
                QCOMPARE(list->Cells(0, 2), "2");
                QCOMPARE(list->Cells(2, 1), "2");
                QCOMPARE(list->Cells(2, 2), "4");
                QCOMPARE(list->Cells(4, 1), "QUILLON ");
            }
            const std::pair<const char*, QString> texts[] = {{"Label1", "Source Drive"},
                                                             {"Label2", "Destination Drive"},
                                                             {"Label3", "Start LBA"},
                                                             {"Label4", "End LBA"}};
            for (const auto& [name, text] : texts) {
                QCOMPARE(control<QLabel>(name)->text(), text);
            }
            const std::tuple<const char*, QString, QRgb> buttons[] = {
                {"CuteButton1", "ReScan", widgets::colors::clLime},
                {"CuteButton2", "Copy Start", widgets::colors::clAqua},
                {"CuteButton3", "Max LBA", widgets::colors::clYellow},
                {"CuteButton4", "Cansel", widgets::colors::clFuchsia}};
            for (const auto& [name, caption, color] : buttons) {
                QCOMPARE(control<TCuteButton>(name)->Caption(), caption);
                QCOMPARE(control<TCuteButton>(name)->Color(), QColor(color));
            }
            for (const char* name : {"IntEdit1", "IntEdit2"}) {
                QCOMPARE(control<TIntEdit>(name)->Value(), 0);
                QCOMPARE(control<TIntEdit>(name)->Radix(), -16);
            }
            const auto children = form6().findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
            for (QWidget* one : children) {
                QVERIFY2(form6().rect().contains(one->geometry()), qPrintable(one->objectName()));
                for (QWidget* other : children) {
                    QVERIFY2(one == other || !one->geometry().intersects(other->geometry()),
                             qPrintable(one->objectName() + " on " + other->objectName()));
                }
            }
            QVERIFY(control<QLabel>("Label1")->geometry().bottom() <
                    control<TStrColGrid>("StrColGrid1")->y());
            QVERIFY(control<QLabel>("Label2")->geometry().bottom() <
                    control<TStrColGrid>("StrColGrid2")->y());
            QVERIFY(control<QLabel>("Label3")->geometry().right() <
                    control<TIntEdit>("IntEdit1")->x());
            QVERIFY(control<QLabel>("Label4")->geometry().right() <
                    control<TIntEdit>("IntEdit2")->x());
        });
        QVERIFY(form().isVisible());
        QCOMPARE(form().LogLines(), QStringList{Header});
    }

    void fewerThanTwoDrivesCloseTheWindow() {
        open("2=mo230,5=disk");
        answerer->leftAlone = {"Form6"};
        QTest::mouseClick(form().findChild<TCuteButton*>("CuteButton15"), Qt::LeftButton);
        QCOMPARE(answerer->take(), QStringList{"MessageBox [Confirm] Error: Not found 2 drive"});
        QVERIFY(!form6().isVisible());
        QVERIFY(form().isVisible());
        QCOMPARE(form().LogLines(), (QStringList{Header, "Error: Not found 2 drive"}));
    }

    void maxLbaFillsTheEndFromTheSourceAndCanselCloses() {
        open("2=mo230,4=mo640");
        inCopyWindow([&] {
            selectRow("StrColGrid1", 2);
            click("CuteButton3");
            QCOMPARE(control<TIntEdit>("IntEdit2")->Value(), 310351);
            click("CuteButton4");
            QVERIFY(!form6().isVisible());
        });
        QCOMPARE(form().LogLines(), (QStringList{Header, "Cancel Drive copy"}));
    }

    // OK keeps the window for another choice, Abort closes it.
    void theSameDriveTwiceIsRefused() {
        open("2=mo230,4=mo230");
        answerer->buttons = {QMessageBox::Ok, QMessageBox::Abort};
        inCopyWindow([&] {
            selectRow("StrColGrid1", 2);
            selectRow("StrColGrid2", 2);
            click("CuteButton2");
            QVERIFY(form6().isVisible());
            click("CuteButton2");
            QVERIFY(!form6().isVisible());
        });
        QCOMPARE(answerer->take(), QStringList(2, "MessageBox [Confirm] Error: Same drive"));
        QCOMPARE(form().LogLines(), QStringList{Header});
    }

    void copiesWithTheProgressWindowAndCloses() {
        open("2=mo230:error-rate=0,4=mo230:error-rate=0");
        drive::TMODrive& d = form().MODrive1;
        d.Capacity(0, 2, 0);
        for (std::int32_t lba = 0x10; lba <= 0x20; ++lba) {
            Bytes bytes = blockBytes(lba);
            QCOMPARE(d.Write10(0, 2, 0, lba, 1, bytes.data()), 0);
        }
        ShowCounter gaugeShown(windows->Form3());
        inCopyWindow([&] {
            selectRow("StrColGrid1", 1);
            selectRow("StrColGrid2", 2);
            retype(control<TIntEdit>("IntEdit1"), "10");
            retype(control<TIntEdit>("IntEdit2"), "20");
            click("CuteButton2");
            QVERIFY(!form6().isVisible());
        });
        QCOMPARE(gaugeShown.shown, 1);
        QVERIFY(!windows->Form3().isVisible());
        QCOMPARE(windows->Form3().Label1->text(), "Copy Drive [      10] - [      20] ");
        QCOMPARE(windows->Form3().Gauge1->Progress(), 100);
        QCOMPARE(form().LogLines(), (QStringList{Header, "End Drive Copy"}));
        for (std::uint32_t lba = 0x10; lba < 0x20; ++lba) {
            QCOMPARE(recorded(4, lba), blockBytes(static_cast<std::int32_t>(lba)));
        }
        QVERIFY(recorded(4, 0x20) != blockBytes(0x20));
        QVERIFY(form().isVisible());
    }
};

int main(int argc, char** argv) {
    app::Application application(argc, argv);
    TwoDriveWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "TwoDriveWindow_test.moc"
