// The read-mode bit error rate test window on simulated drives, driven as a
// user drives it: Safe BER on the main window, the block range typed into
// the fields, START and STOP clicked, the end question answered. The log,
// the figures, the map and the error recovery page the drive is left with
// are read afterwards.
#include "WindowsFixture.h"
#include "app/Application.h"
#include "app/Windows.h"
#include "plots/ArcGraph.h"
#include "scsi/SimTransport.h"
#include "widgets/Colors.h"
#include "widgets/CuteButton.h"
#include "widgets/IntEdit.h"
#include "widgets/StrColGrid.h"

#include <QLabel>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string_view>

using namespace quillon;
using e2e::ModalAnswerer;
using widgets::TCuteButton;
using widgets::TIntEdit;

namespace {

const QString Header = "    **** Safe Bit Error Rate Test *****";
const QString Complete = "Bit Error Rate Test Complete";
const QString EndQuestion = "MessageBox [Confirm] BER Test end";
constexpr std::uint8_t ModeSelect6 = 0x15;

} // namespace

// The windows built afresh on a drive set for each test; the test window is
// driven by the test, every other modal window must be expected.
class SafeBerWindowTest : public e2e::WindowsFixture {
    Q_OBJECT

    mediatests::TForm11& form11() { return windows->Form11(); }
    template <class Control> Control* control(const char* name) {
        return form11().findChild<Control*>(name);
    }
    sim::SimDrive& drive() { return *bus->target(2)->lun(0); }

    void open(const char* drives, double timeScale = 0) {
        WindowsFixture::open(drives, timeScale);
        bus->target(2)->setTracing(true);
    }
    void inTestWindow(const std::function<void()>& steps) {
        inModalWindow(form11(), "CuteButton19", steps);
    }
    void click(const char* button) {
        QTest::mouseClick(control<TCuteButton>(button), Qt::LeftButton);
    }
    void type(const char* field, const QString& value) { retype(control<TIntEdit>(field), value); }
    // The flags byte of the last MODE SELECT the drive received.
    int lastSelectedFlags() {
        int flags = -1;
        for (const auto& entry : bus->target(2)->trace()) {
            if (entry.cdb.at(0) == ModeSelect6) {
                flags = entry.dataOut.at(4 + entry.dataOut.at(3) + 2);
            }
        }
        return flags;
    }
    int pixels(QRgb color) {
        const QImage map = control<plots::TArcGraph>("ArcGraph1")->grab().toImage();
        int count = 0;
        for (int y = 0; y < map.height(); ++y) {
            for (int x = 0; x < map.width(); ++x) {
                count += map.pixel(x, y) == color ? 1 : 0;
            }
        }
        return count;
    }

private slots:
    void init() { startAnswering(); }
    void cleanup() { closeWindows(); }

    // A 20-byte burst in block 300 (track 10, sector 5 of a 230 MB
    // cartridge): OK keeps the window and its figures, Abort logs the rate
    // and closes it. The run leaves the long-write window's geometry set for
    // this medium.
    void runFromTheMainWindow() {
        open("2=mo230:error-rate=0:burst=300.10.20");
        answerer->buttons = {QMessageBox::Ok, QMessageBox::Abort};
        QCOMPARE(windows->Form9().Test().Geometry.BurstThreshold, 15);
        inTestWindow([&] {
            QCOMPARE(form11().windowTitle(), "Safe Bit Error Rate(Read Mode)");
            QVERIFY(form11().windowFlags() & Qt::WindowMinimizeButtonHint);
            QCOMPARE(control<TIntEdit>("IntEdit3")->Value(), 16);
            QCOMPARE(control<TIntEdit>("IntEdit2")->Value(), 0x6CF74);
            // Only Start LBA is right-aligned and types over.
            using widgets::TAlignment;
            using widgets::TOverWriteMode;
            for (const char* name : {"IntEdit1", "IntEdit2", "IntEdit3"}) {
                const bool start = std::string_view(name) == "IntEdit1";
                QVERIFY(control<TIntEdit>(name)->Alignment() ==
                        (start ? TAlignment::taRightJustify : TAlignment::taLeftJustify));
                QVERIFY(control<TIntEdit>(name)->OverWriteMode() ==
                        (start ? TOverWriteMode::owOverWrite : TOverWriteMode::owInsert));
            }
            type("IntEdit1", "127");
            type("IntEdit2", "128");
            click("CuteButton1");
            QVERIFY(form11().isVisible());
            QCOMPARE(form11().Test().ErrorCount, 20);
            QCOMPARE(control<QLabel>("Label3")->text(), "   1.11E-003");
            QCOMPARE(control<QLabel>("Label4")->text(), "       127");
            QVERIFY(pixels(widgets::colors::clBlue) > 0);
            click("CuteButton1");
            QVERIFY(!form11().isVisible());
        });
        QCOMPARE(answerer->take(), QStringList({EndQuestion, EndQuestion}));
        QCOMPARE(form().LogLines(),
                 QStringList({Header, "BER =    1.11E-003", "BER Test end", Complete}));
        QVERIFY(form().isVisible());
        QCOMPARE(windows->Form9().Test().Geometry.BurstThreshold, 50);
    }

    // STOP clicked while the drive works (at a twentieth of its real time):
    // neither Escape nor a close request ends the window during the run, and
    // the drive's page is as before, with correction on, once it has ended.
    void stopLeavesCorrectionOn() {
        open("2=mo230:error-rate=0", 0.05);
        const auto pageBefore = drive().modePage().current();
        inTestWindow([&] {
            type("IntEdit3", "0");
            QTimer::singleShot(100, &form11(), [&] {
                QVERIFY(control<TCuteButton>("CuteButton2")->isVisible());
                QTest::keyClick(&form11(), Qt::Key_Escape);
                QVERIFY(!form11().close());
                QVERIFY(form11().isVisible());
                click("CuteButton2");
            });
            click("CuteButton1");
            QVERIFY(control<TCuteButton>("CuteButton1")->isVisible());
            QVERIFY(!control<TCuteButton>("CuteButton2")->isVisible());
            QTest::keyClick(&form11(), Qt::Key_Escape);
        });
        QCOMPARE(answerer->take(), QStringList{EndQuestion});
        QVERIFY(form11().Test().BlocksTested > 0);
        QVERIFY(form11().Test().BlocksTested < 0x6CF74 - 0x100);
        QCOMPARE(drive().modePage().current(), pageBefore);
        QCOMPARE(lastSelectedFlags(), 0xC0);
        QCOMPARE(form().LogLines(), QStringList({Header, Complete}));
    }

    // A drive whose page cannot be read: the failure is reported, with the
    // sense window, and the test window closes without a run.
    void unreadablePageClosesTheWindow() {
        open("2=mo230:fail=1a-5.24.0");
        inTestWindow([&] {
            click("CuteButton1");
            QVERIFY(!form11().isVisible());
        });
        const QStringList shown = answerer->take();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].startsWith("ExSenseData "), qPrintable(shown[0]));
        QCOMPARE(form().LogLines(), QStringList({Header, "Error: Mode Sense",
                                                 "Mode Sense Erroe (Change Data)", Complete}));
        QCOMPARE(lastSelectedFlags(), -1);
    }
};

int main(int argc, char** argv) {
    app::Application application(argc, argv);
    SafeBerWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SafeBerWindow_test.moc"
