// The random seek test window on simulated drives, driven as a user drives
// it: Seek Test on the main window, the fields typed, Seek Test and STOP
// clicked, the end question answered. The log, the figures and the plot are
// read afterwards.
#include "WindowsFixture.h"
#include "app/Application.h"
#include "app/Windows.h"
#include "plots/PxGraph.h"
#include "scsi/SimTransport.h"
#include "widgets/Colors.h"
#include "widgets/CuteButton.h"
#include "widgets/IntEdit.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <string_view>

using namespace quillon;
using widgets::TCuteButton;
using widgets::TIntEdit;

namespace {

const QString Header = "    **** Seek Test *****";
const QString Complete = "Seek Test Complete";
const QString EndQuestion = "MessageBox [Confirm] Seek Test end";

} // namespace

// The windows built afresh on a drive set for each test; the seek window is
// driven by the test, every other modal window must be expected.
class SeekTestWindowTest : public e2e::WindowsFixture {
    Q_OBJECT

    mediatests::TForm8& form8() { return windows->Form8(); }
    template <class Control> Control* control(const char* name) {
        return form8().findChild<Control*>(name);
    }
    void inSeekWindow(const std::function<void()>& steps) {
        inModalWindow(form8(), "CuteButton13", steps);
    }
    void click(const char* button) {
        QTest::mouseClick(control<TCuteButton>(button), Qt::LeftButton);
    }
    void type(const char* field, const QString& value) { retype(control<TIntEdit>(field), value); }
    // Red points in the plot area, up to Max Time (the axis titles are red
    // too).
    int redPoints() {
        plots::PxGraphImage& graph = control<plots::TPxGraph>("PxGraph1")->Graph();
        const QImage plot = control<plots::TPxGraph>("PxGraph1")->grab().toImage();
        int count = 0;
        const int top = graph.YToPixel(control<TIntEdit>("IntEdit2")->Value());
        for (int y = top; y <= graph.YToPixel(0); ++y) {
            for (int x = graph.XToPixel(0); x < plot.width(); ++x) {
                count += plot.pixel(x, y) == widgets::colors::clRed ? 1 : 0;
            }
        }
        return count;
    }

private slots:
    void init() { startAnswering(); }
    void cleanup() { closeWindows(); }

    // The launcher fills Max LBA with the medium's last block and the plot's
    // x axis follows it; OK keeps the window with its points, Abort logs the
    // end and closes it.
    void runFromTheMainWindow() {
        open("2=mo230");
        answerer->buttons = {QMessageBox::Ok, QMessageBox::Abort};
        inSeekWindow([&] {
            QCOMPARE(form8().windowTitle(), "Random Seek Test");
            QCOMPARE(form8().size(), QSize(505, 421));
            QCOMPARE(control<TIntEdit>("IntEdit1")->Value(), 0x6CF74);
            QCOMPARE(control<TIntEdit>("IntEdit2")->Value(), 80);
            QCOMPARE(control<TIntEdit>("IntEdit3")->Value(), 1000);
            // Left-aligned; Max Time and Max LBA type over.
            for (const char* name : {"IntEdit1", "IntEdit2", "IntEdit3"}) {
                QVERIFY(control<TIntEdit>(name)->Alignment() == widgets::TAlignment::taLeftJustify);
                QVERIFY(control<TIntEdit>(name)->OverWriteMode() ==
                        (std::string_view(name) == "IntEdit3"
                             ? widgets::TOverWriteMode::owInsert
                             : widgets::TOverWriteMode::owOverWrite));
            }
            // 446324 blocks: the distance axis runs to 500000.
            plots::PxGraphImage& graph = control<plots::TPxGraph>("PxGraph1")->Graph();
            QCOMPARE(graph.XToPixel(-55000), 0);
            QCOMPARE(graph.XToPixel(525000), 497);
            QCOMPARE(redPoints(), 0);
            type("IntEdit3", "50");
            click("CuteButton1");
            QVERIFY(form8().isVisible());
            QVERIFY(control<QLabel>("Label5")->text().startsWith("Ave = "));
            QVERIFY(!control<QLabel>("Label4")->isVisible());
            QVERIFY(redPoints() > 0);
            click("CuteButton1");
            QVERIFY(!form8().isVisible());
        });
        QCOMPARE(answerer->take(), QStringList({EndQuestion, EndQuestion}));
        QCOMPARE(form().LogLines(), QStringList({Header, "Seek Test end", Complete}));
        QVERIFY(form().isVisible());
    }

    // STOP clicked while the drive seeks at its modelled speed: neither
    // Escape nor a close request ends the window during the run.
    void stopEndsTheRun() {
        open("2=mo230", 1);
        bus->target(2)->setTracing(true);
        inSeekWindow([&] {
            QTimer::singleShot(150, &form8(), [&] {
                QVERIFY(control<TCuteButton>("CuteButton2")->isVisible());
                QTest::keyClick(&form8(), Qt::Key_Escape);
                QVERIFY(!form8().close());
                click("CuteButton2");
            });
            click("CuteButton1");
            QVERIFY(control<TCuteButton>("CuteButton1")->isVisible());
            QVERIFY(!control<TCuteButton>("CuteButton2")->isVisible());
            QVERIFY(form8().Test().SumTime > 0);
        });
        const auto trace = bus->target(2)->trace();
        const auto seeks = std::ranges::count_if(
            trace, [](const sim::TraceEntry& entry) { return entry.cdb.at(0) == 0x2B; });
        QVERIFY(seeks > 1 && seeks < 1001);
        QCOMPARE(answerer->take(), QStringList{EndQuestion});
    }

    // Random seeks that fail bring the error label and count into view; a
    // failing first seek is reported and no random seek follows.
    void failedSeeksAreCountedAndAFailedFirstSeekReported() {
        open("2=mo230");
        sim::FaultRule fault;
        fault.opcode = 0x2B;
        fault.skip = 1;
        fault.count = 0;
        bus->target(2)->lun(0)->addFault(fault);
        answerer->buttons = {QMessageBox::Ok, QMessageBox::Abort};
        inSeekWindow([&] {
            type("IntEdit3", "7");
            click("CuteButton1");
            QVERIFY(control<QLabel>("Label4")->isVisible());
            QCOMPARE(control<QLineEdit>("Edit1")->text(), "7");
            QCOMPARE(control<QLabel>("Label5")->text(), "Ave =");
            QCOMPARE(redPoints(), 0);
            // Now the first seek fails too.
            click("CuteButton1");
            QVERIFY(!form8().isVisible());
        });
        const QStringList shown = answerer->take();
        QCOMPARE(shown.size(), 3);
        QCOMPARE(shown.first(), EndQuestion);
        QVERIFY2(shown[1].startsWith("ExSenseData "), qPrintable(shown[1]));
        QCOMPARE(shown.last(), EndQuestion);
        QVERIFY(form().LogLines().contains("Error: Fist Seek"));
        QCOMPARE(form().LogLines().last(), Complete);
    }
};

int main(int argc, char** argv) {
    app::Application application(argc, argv);
    SeekTestWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SeekTestWindow_test.moc"
