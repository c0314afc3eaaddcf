// The bit error rate test window on simulated drives, driven as a user drives
// it: BER on the main window, the block range typed into the fields, START
// and STOP clicked, the end question answered. The log, the figures, the disc
// map as the control shows it and the commands the drive received are read
// afterwards.
#include "WindowsFixture.h"
#include "app/Application.h"
#include "app/Windows.h"
#include "plots/ArcGraph.h"
#include "scsi/SimTransport.h"
#include "widgets/Colors.h"
#include "widgets/CuteButton.h"
#include "widgets/IntEdit.h"
#include "widgets/StrColGrid.h"

#include <QFontMetrics>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <utility>

using namespace quillon;
using e2e::ModalAnswerer;
using widgets::TCuteButton;
using widgets::TIntEdit;
using namespace widgets::colors;

namespace {

constexpr std::uint8_t ReadLong = 0x3E;
constexpr std::uint8_t WriteLong = 0x3F;
// Blocks of one pass in the first zone of a 230 MB cartridge.
constexpr int PassBlocks = 31;
const QString Header = "    **** Bit Error Rate Test *****";
const QString Complete = "Bit Error Rate Test Complete";
const QString EndQuestion = "MessageBox [Confirm] BER Test end";

struct LongCommand {
    std::uint8_t opcode;
    std::uint32_t lba;
    bool operator==(const LongCommand&) const = default;
};

// The colours marked on a map since it was clean, each with the box that
// holds its new pixels.
QMap<QRgb, QRect> newMarks(const QImage& map, const QImage& clean) {
    QMap<QRgb, QRect> marks;
    for (int y = 0; y < map.height(); ++y) {
        for (int x = 0; x < map.width(); ++x) {
            if (map.pixel(x, y) != clean.pixel(x, y)) {
                marks[map.pixel(x, y)] |= QRect(x, y, 1, 1);
            }
        }
    }
    return marks;
}

// The log lines of a 60-byte burst in block 300 (track 10, sector 5 of a
// 230 MB cartridge, whose burst threshold is 50): one for each byte past the
// threshold, then the block's line.
QStringList burstLines() {
    QStringList lines;
    for (const int errors : {51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 60}) {
        lines << QString("LBA      12C[30]   10  5 :%1").arg(errors, 4);
    }
    return lines;
}

} // namespace

// The windows built afresh on a drive set for each test; the test window is
// driven by the test, every other modal window must be expected.
class BitErrRateWindowTest : public e2e::WindowsFixture {
    Q_OBJECT

    mediatests::TForm9& form9() { return windows->Form9(); }
    template <class Control> Control* control(const char* name) {
        return form9().findChild<Control*>(name);
    }
    QString text(const char* label) { return control<QLabel>(label)->text(); }
    QImage map() {
        return control<plots::TArcGraph>("ArcGraph1")
            ->grab()
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
    sim::SimDrive& drive(std::uint8_t target) { return *bus->target(target)->lun(0); }

    void selectRow(int row) {
        auto* grid = form().findChild<widgets::TStrColGrid*>("StrColGrid1");
        const QRect cell = grid->visualRect(grid->model()->index(row, 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(grid->Row(), row);
    }
    void clickBer() {
        QTest::mouseClick(form().findChild<TCuteButton*>("CuteButton12"), Qt::LeftButton);
    }
    void inTestWindow(const std::function<void()>& steps) {
        inModalWindow(form9(), "CuteButton12", steps);
    }
    void click(const char* button) {
        QTest::mouseClick(control<TCuteButton>(button), Qt::LeftButton);
    }
    void type(const char* field, const QString& value) { retype(control<TIntEdit>(field), value); }
    void setRange(const QString& start, const QString& end, const QString& skip) {
        type("IntEdit1", start);
        type("IntEdit2", end);
        type("IntEdit3", skip);
    }
    // The WRITE LONG and READ LONG commands target 2 received, in order.
    std::vector<LongCommand> longCommands() {
        std::vector<LongCommand> commands;
        for (const auto& entry : bus->target(2)->trace()) {
            const auto& cdb = entry.cdb;
            if (cdb.at(0) == ReadLong || cdb.at(0) == WriteLong) {
                commands.push_back(
                    {cdb[0], std::uint32_t{cdb[2]} << 24 | cdb[3] << 16 | cdb[4] << 8 | cdb[5]});
            }
        }
        return commands;
    }
    // The pixel of the map at a place on the disc.
    QPoint mapPixel(double angle, double radius) {
        const plots::ArcGraphImage& graph = control<plots::TArcGraph>("ArcGraph1")->Graph();
        const double rad = angle * std::numbers::pi / 180;
        return {graph.XToPixel(radius * std::cos(rad)), graph.YToPixel(radius * std::sin(rad))};
    }

private slots:
    void init() { startAnswering(); }
    void cleanup() { closeWindows(); }

    // Without a medium the failure is reported with the sense window; where
    // no device answers any more (the list still shows it) only the header
    // is written. The test window stays hidden either way.
    void launchNeedsReadyDevice() {
        open("2=mo230,4=mo230");
        bus->target(2)->setTracing(true);
        QVERIFY(drive(2).ejectMedium());
        selectRow(1);
        clickBer();
        QCOMPARE(form().LogLines(), QStringList({Header, "Error: Bit Error Rate test"}));
        const QStringList shown = answerer->take();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].startsWith("ExSenseData ") && shown[0].contains("Label1=Not Ready"),
                 qPrintable(shown[0]));

        form().findChild<widgets::TStrColGrid*>("StrColGrid1")->setCells(3, 2, "1");
        selectRow(2);
        clickBer();
        QCOMPARE(form().LogLines(), QStringList{Header});
        QVERIFY(form().isVisible());
        QVERIFY(longCommands().empty());
    }

    // Two runs in one showing: OK keeps the window with its figures and
    // marks, Abort logs the rate and closes it; the next showing is clean.
    void runKeepsFiguresOnOkAndEndsOnAbort() {
        open("2=mo230:error-rate=0:burst=300.10.60");
        answerer->buttons = {QMessageBox::Ok, QMessageBox::Abort};
        QImage clean;
        QMap<QRgb, QRect> marks;
        inTestWindow([&] {
            QVERIFY(!form().isVisible());
            QCOMPARE(control<TIntEdit>("IntEdit2")->Value(), 0x6CF74);
            clean = map();
            // Passes of 31 blocks at 300, 391 and 482.
            setRange("12C", "200", "2");
            click("CuteButton1");
            QVERIFY(form9().isVisible());
            QCOMPARE(form9().Test().BlocksTested, 90);
            QCOMPARE(form9().Test().ErrorCount, 60);
            QVERIFY(!form9().Test().StopRequested);
            QCOMPARE(text("Label3"), "   1.11E-003");
            QCOMPARE(text("Label4"), "       1E2");
            marks = newMarks(map(), clean);
            // A WRITE LONG and a READ LONG fail in the next run.
            drive(2).addFault({WriteLong, 310, 310, 0, 0, sim::FaultKind::CheckCondition, 3, 0x0C});
            drive(2).addFault({ReadLong, 320, 320, 0, 0, sim::FaultKind::CheckCondition, 3, 0x11});
            click("CuteButton1");
            QVERIFY(!form9().isVisible());
        });
        // The burst's bytes lie from 60.18° to 61.24° on track 10 (radius
        // 30.03): the first 50 blue, the rest red.
        const QRect burst = QRect(mapPixel(60.7, 30.03), QSize()).adjusted(-3, -3, 3, 3);
        QVERIFY(marks.contains(clBlue) && burst.contains(marks[clBlue]));
        QVERIFY(marks.contains(clRed) && burst.contains(marks[clRed]));
        QCOMPARE(marks.size(), 2);
        const auto failed = newMarks(map(), clean);
        QVERIFY(failed.contains(clAqua) && failed.contains(clLime));
        QCOMPARE(answerer->take(), QStringList({EndQuestion, EndQuestion}));
        // The two blocks whose commands failed are counted beside the rate.
        const QStringList end{"BER =    1.11E-003", "Failed Blocks = 2", "BER Test end", Complete};
        QCOMPARE(form().LogLines(), QStringList{Header} + burstLines() + burstLines() + end);
        QVERIFY(form().isVisible());
        QCOMPARE(text("Label3"), "Error Rate");
        QCOMPARE(text("Label4"), "LBA");

        inTestWindow([&] {
            // The outline round the map takes the colour last drawn with.
            const QRect inside = clean.rect().adjusted(1, 1, -1, -1);
            QCOMPARE(map().copy(inside), clean.copy(inside));
            QTest::keyClick(&form9(), Qt::Key_Escape);
        });
        QCOMPARE(form().LogLines(), QStringList({Header, Complete}));
    }

    // STOP clicked while the drive works (at a hundredth of its real time):
    // the pass under way is finished, writes and reads alike, and no other
    // starts; OK at the end clears STOP for the next run. Escape does not
    // close the window during the run.
    void stopEndsRunAfterCurrentPass() {
        open("2=mo230:error-rate=0", 0.01);
        bus->target(2)->setTracing(true);
        std::size_t readsAtStop = 0;
        inTestWindow([&] {
            setRange("0", "8000", "0");
            QTimer::singleShot(50, &form9(), [&] {
                QVERIFY(!control<TCuteButton>("CuteButton1")->isVisible());
                QVERIFY(control<TCuteButton>("CuteButton2")->isVisible());
                QTest::keyClick(&form9(), Qt::Key_Escape);
                QVERIFY(form9().isVisible());
                for (const auto& command : longCommands()) {
                    readsAtStop += command.opcode == ReadLong ? 1 : 0;
                }
                click("CuteButton2");
            });
            click("CuteButton1");
            QVERIFY(!form9().Test().StopRequested);
            QVERIFY(control<TCuteButton>("CuteButton1")->isVisible());
            QVERIFY(!control<TCuteButton>("CuteButton2")->isVisible());
            QTest::keyClick(&form9(), Qt::Key_Escape);
        });
        const auto commands = longCommands();
        const auto passes = static_cast<int>(readsAtStop / PassBlocks + 1);
        QVERIFY(passes < 0x8000 / PassBlocks);
        QCOMPARE(form9().Test().BlocksTested, 30 * passes);
        std::vector<LongCommand> expected;
        for (std::uint32_t first = 0; first < std::uint32_t(passes * PassBlocks);
             first += PassBlocks) {
            for (const std::uint8_t opcode : {WriteLong, ReadLong}) {
                for (std::uint32_t lba = first; lba < first + PassBlocks; ++lba) {
                    expected.push_back({opcode, lba});
                }
            }
        }
        QVERIFY(commands == expected);
        QCOMPARE(answerer->take(), QStringList{EndQuestion});
        QCOMPARE(form().LogLines(), QStringList({Header, Complete}));
    }

    // The labels of both bit error rate windows end left of their fields,
    // their texts measured in the window's font.
    void labelsEndLeftOfTheirFields() {
        open("2=mo230");
        const std::pair<const char*, const char*> pairs[] = {
            {"Label1", "IntEdit1"}, {"Label2", "IntEdit2"}, {"Label5", "IntEdit3"}};
        const mediatests::ErrorRateWindow* const berWindows[] = {&form9(), &windows->Form11()};
        for (const mediatests::ErrorRateWindow* window : berWindows) {
            const QFontMetrics metrics(window->font());
            for (const auto& [label, field] : pairs) {
                const QLabel* caption = window->findChild<QLabel*>(label);
                const int right = caption->x() + metrics.horizontalAdvance(caption->text()) - 1;
                QVERIFY2(right < window->findChild<TIntEdit*>(field)->x(),
                         qPrintable(QString("%1 ends at %2").arg(caption->text()).arg(right)));
            }
        }
    }

    void writeProtectedMediumEjectedWithoutRun() {
        open("2=mo230:wp");
        bus->target(2)->setTracing(true);
        inTestWindow([&] {
            click("CuteButton1");
            QVERIFY(!form9().isVisible());
        });
        QCOMPARE(answerer->take(),
                 QStringList{"MessageBox [Confirm] Error: Media Write protected"});
        QVERIFY(!drive(2).hasMedium());
        QVERIFY(longCommands().empty());
        QCOMPARE(form().LogLines(), QStringList({Header, Complete}));
        QVERIFY(form().isVisible());
    }
};

int main(int argc, char** argv) {
    app::Application application(argc, argv);
    BitErrRateWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "BitErrRateWindow_test.moc"
