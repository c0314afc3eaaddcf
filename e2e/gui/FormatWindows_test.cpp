// The format progress windows on simulated drives at a time scale at which a
// format lasts seconds: "Format" and "ZeroFormat" clicked on the main window,
// the question answered, the progress window watched while the drive
// formats, and the log, the boxes and the drive read afterwards.
#include "WindowsFixture.h"
#include "app/Application.h"
#include "widgets/Colors.h"
#include "widgets/FmtEdit.h"
#include "widgets/Gauge.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>

using namespace quillon;
using widgets::TCuteButton;

namespace {

const QString Header = "    **** Physical Format *****";
constexpr std::uint8_t FormatUnit = 0x04;
// mo230 has 11400 tracks: at this scale its format sweeps them in 1.9 s a
// pass, twice with certification.
constexpr double FastFormat = 0.01;

} // namespace

class FormatWindowsTest : public e2e::WindowsFixture {
    Q_OBJECT

    // Runs check after ms, while the operation the next click starts runs.
    void after(int ms, const std::function<void()>& check) {
        QTimer::singleShot(ms, &form(), check);
    }
    void click(const char* button) {
        QTest::mouseClick(form().findChild<TCuteButton*>(button), Qt::LeftButton);
    }
    std::uint8_t lastCommand() { return bus->target(2)->trace().back().cdb[0]; }
    // The window's text and gauge agree with its ticks.
    static void showsItsTicks(console::FormatWindow& window, const console::FormatKind& kind) {
        QCOMPARE(window.FmtEdit1->text().toStdString(), console::ElapsedText(window.Ticks(), kind));
        QCOMPARE(window.Gauge1->Progress(), window.Ticks() % 100);
    }

private slots:
    void init() { startAnswering(); }
    void cleanup() { closeWindows(); }

    // Each control inside its window and apart from the others.
    void windowsAreBuiltAsDesigned() {
        open("2=mo230");
        console::TForm7& form7 = windows->Form7();
        QCOMPARE(form7.windowTitle(), "Physical Format");
        QCOMPARE(form7.size(), QSize(339, 92));
        QVERIFY(!form7.windowFlags().testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(form7.windowFlags().testFlags(Qt::WindowMinMaxButtonsHint));
        QCOMPARE(form7.Label1->text(), "SumTime");
        QCOMPARE(form7.FmtEdit1->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
        QVERIFY(form7.Gauge1->styleSheet().contains(QColor(widgets::colors::clFuchsia).name()));
        QCOMPARE(form7.Timer1->interval(), 1000);
        QVERIFY(!form7.Timer1->isActive());

        console::TForm10& form10 = windows->Form10();
        QCOMPARE(form10.windowTitle(), "Physical Format(Non P-list)");
        QCOMPARE(form10.size(), QSize(323, 96));
        QVERIFY(form10.windowFlags().testFlags(
            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint));
        QCOMPARE(form10.Label1->text(), "Sum Time");
        QCOMPARE(form10.Timer1->interval(), 100);
        QVERIFY(form10.Timer1->isActive());

        for (QDialog* window : {static_cast<QDialog*>(&form7), static_cast<QDialog*>(&form10)}) {
            const auto children = window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
            QCOMPARE(children.size(), 3);
            for (QWidget* one : children) {
                QVERIFY2(window->rect().contains(one->geometry()), qPrintable(one->objectName()));
                for (QWidget* other : children) {
                    QVERIFY(one == other || !one->geometry().intersects(other->geometry()));
                }
            }
        }
    }

    // The main window gives way to the progress window, which the user
    // cannot close, whose time runs while the drive formats and stops with
    // it, and nothing but FORMAT UNIT reaches the drive meanwhile.
    void formatRunsWithTheProgressWindowInTheMainWindowsPlace() {
        open("2=mo230", FastFormat);
        bus->target(2)->setTracing(true);
        console::TForm7& form7 = windows->Form7();
        bool mainHidden = false;
        std::int32_t ticks = 0;
        after(1000, [&] { form7.windowHandle()->close(); });
        after(2300, [&] {
            mainHidden = !form().isVisible() && form7.isVisible();
            ticks = form7.Ticks();
            showsItsTicks(form7, console::PhysicalFormat);
            QCOMPARE(lastCommand(), FormatUnit);
            QCOMPARE(form().MODrive1.TimeOut_ExecSCSICommand, 7200000);
        });
        click("CuteButton17");
        QVERIFY(mainHidden);
        QVERIFY(ticks >= 1);
        QCOMPARE(answerer->take(), (QStringList{"MessageBox [Confirm] Format Drive",
                                                "MessageBox [Information] Format Complete"}));
        const QStringList log = form().LogLines();
        QCOMPARE(log.mid(0, 3), (QStringList{Header, "Format Start", "Format Complete"}));
        QCOMPARE(log.value(3), "  Time(mm:ss) = " + form7.FmtEdit1->text());
        QVERIFY(form7.Ticks() >= 3);
        QVERIFY(form().isVisible());
        QVERIFY(!form7.isVisible());
        QTRY_VERIFY(!form7.Timer1->isActive());
        QCOMPARE(lastCommand(), FormatUnit);
        QCOMPARE(form().MODrive1.TimeOut_ExecSCSICommand, 10000);
    }

    // Closed from its system menu the window goes, the format goes on, and
    // the main window comes back when the drive answers.
    void zeroFormatGoesOnWhenItsWindowIsClosed() {
        open("2=mo230", FastFormat);
        console::TForm10& form10 = windows->Form10();
        bool closedWhileFormatting = false;
        std::int32_t ticks = 0;
        after(500, [&] { form10.windowHandle()->close(); });
        after(1250, [&] {
            closedWhileFormatting = !form10.isVisible() && !form().isVisible();
            ticks = form10.Ticks();
            showsItsTicks(form10, console::NonPListFormat);
        });
        QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
        click("CuteButton18");
        QVERIFY(closedWhileFormatting);
        QVERIFY(ticks >= 5);
        QCOMPARE(answerer->take(),
                 (QStringList{"MessageBox [Confirm] Format Drive(Non P-list:Disable Certification)",
                              "MessageBox [Information] Format Complete"}));
        QCOMPARE(form().LogLines().mid(0, 3),
                 (QStringList{Header, "Format Start", "Format Complete"}));
        QCOMPARE(form().LogLines().value(3), "  Time(mm:ss) = " + form10.FmtEdit1->text());
        QVERIFY(form().isVisible());
        QVERIFY(lastClosed.isEmpty());
        QVERIFY(bus->target(2)->lun(0)->defectLists().grown.empty());
    }

    // A drive that refuses FORMAT UNIT at once: the time line at 0: 0, then
    // the sense window; the main window is back and the time-out 10 s.
    void aRefusedFormatShowsItsSenseData() {
        open("2=mo230:fail=04-3.31.1", FastFormat);
        click("CuteButton17");
        const QStringList shown = answerer->take();
        QCOMPARE(shown.value(0), "MessageBox [Confirm] Format Drive");
        QVERIFY2(shown.value(1).startsWith("ExSenseData [Extended Sense Data]"),
                 qPrintable(shown.join('\n')));
        QVERIFY(shown.value(1).contains("Label2=format command failed"));
        QCOMPARE(form().LogLines(),
                 (QStringList{Header, "Format Start", "  Time(mm:ss) =    0: 0", "Error: Format"}));
        QVERIFY(form().isVisible());
        QVERIFY(!windows->Form7().isVisible());
        QCOMPARE(form().MODrive1.TimeOut_ExecSCSICommand, 10000);
    }
};

int main(int argc, char** argv) {
    app::Application application(argc, argv);
    FormatWindowsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "FormatWindows_test.moc"
