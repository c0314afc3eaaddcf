// The main window and the sense window on simulated drives, driven as a user
// drives them: mouse clicks on the device list, the check box, the buttons
// and the capacity panel, F1 for help. Modal boxes and the sense window are
// answered while they are up, and the log is read after each operation.
#include "WindowsFixture.h"
#include "app/Application.h"
#include "app/Windows.h"
#include "console/HelpBook.h"
#include "scsi/SimTransport.h"
#include "widgets/CuteButton.h"
#include "widgets/IntEdit.h"
#include "widgets/StrColGrid.h"

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <memory>
#include <stdexcept>
#include <tuple>

using namespace quillon;
using e2e::ModalAnswerer;
using widgets::TCuteButton;

namespace {

// The sense window as the answerer describes it, for extended sense whose
// information field is not valid and for non-extended sense.
QString extendedSense(const char* key, const char* asc, const char* ascq, const char* keyName,
                      const char* codeText) {
    return QString("ExSenseData [Extended Sense Data] Edit1=%1|Edit2=%2|Edit3=%3|Label1=%4|"
                   "Label2=%5|Label4=Sense Key|Label5=Additional Sense Code")
        .arg(key, asc, ascq, keyName, codeText);
}

QString nonextendedSense(const char* errorClass, const char* code, const char* address) {
    return QString("ExSenseData [Nonextended Sense Data] Edit4=%1|Edit5=%2|Edit6=%3|"
                   "Label3=Error Class|Label6=Error Code|Label7=Logical Block Addrss")
        .arg(address, code, errorClass);
}

// The accessible objects under node, depth first.
QList<QAccessibleInterface*> accessibleTree(QAccessibleInterface* node) {
    QList<QAccessibleInterface*> nodes;
    for (int i = 0; i < node->childCount(); ++i) {
        if (QAccessibleInterface* child = node->child(i)) {
            nodes << child << accessibleTree(child);
        }
    }
    return nodes;
}

// The first of the nodes in the role, with the name unless that is null.
QAccessibleInterface* findAccessible(const QList<QAccessibleInterface*>& nodes,
                                     QAccessible::Role role, const QString& name = {}) {
    for (QAccessibleInterface* node : nodes) {
        if (node->role() == role && (name.isNull() || node->text(QAccessible::Name) == name)) {
            return node;
        }
    }
    return nullptr;
}

const QString Header = "|HA|ID|LUN|Vender ID|Product ID|Revision";
const QString CapacityHeader = "    **** Read Disk Capacity *****";
const QString CapacityError = "Error: Read Capcity";

} // namespace

// The windows built afresh on a drive set for each test; every modal window
// they open must be expected by the test.
class MainWindowTest : public e2e::WindowsFixture {
    Q_OBJECT

    widgets::TStrColGrid* grid() { return form().findChild<widgets::TStrColGrid*>("StrColGrid1"); }
    QWidget* panel3() { return form().findChild<QWidget*>("Panel3"); }

    void click(const char* button) {
        QTest::mouseClick(form().findChild<TCuteButton*>(button), Qt::LeftButton);
    }
    void rescanAll() {
        QTest::mouseClick(form().findChild<QCheckBox*>("AllDevice"), Qt::LeftButton);
        click("CuteButton1");
    }
    void selectRow(int row) {
        const QRect cell = grid()->visualRect(grid()->model()->index(row, 1));
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(grid()->Row(), row);
    }
    // A free spot of the capacity panel, outside its controls.
    void clickCapacityPanel() {
        const QPoint spot(2, 30);
        QCOMPARE(panel3()->childAt(spot), nullptr);
        QTest::mouseClick(panel3(), Qt::LeftButton, {}, spot);
    }
    // The device list, a row a line with its cells joined by '|'.
    QStringList rows() {
        QStringList rows;
        for (int row = 0; row < grid()->RowCount(); ++row) {
            QStringList cells;
            for (int col = 0; col < grid()->ColCount(); ++col) {
                cells << grid()->Cells(col, row);
            }
            rows << cells.join('|');
        }
        return rows;
    }
    sim::SimDrive& drive(std::uint8_t target) { return *bus->target(target)->lun(0); }
    // The LUNs that INQUIRY was sent to at a target, in order.
    QList<int> inquiredLuns(std::uint8_t target) {
        QList<int> luns;
        for (const auto& entry : bus->target(target)->trace()) {
            if (entry.cdb.at(0) == 0x12) {
                luns << entry.lun;
            }
        }
        return luns;
    }

private slots:
    void init() { startAnswering(); }
    void cleanup() { closeWindows(); }

    void scanListsOpticalDrivesUnlessAllDevices() {
        open(sim::defaultDriveSet());
        QCOMPARE(grid()->FixedRows(), 1);
        const QStringList drives{Header, "1|0|2|0|QUILLON |SIM MO DRIVE    |1.00",
                                 "2|0|4|0|QUILLON |SIM MO DRIVE    |1.00"};
        QCOMPARE(rows(), drives);

        rescanAll();
        QCOMPARE(rows(), drives + QStringList{"3|0|5|0|QUILLON |SIM DISK        |1.00"});
    }

    // The adapter's own ID is never probed, even where a target would answer
    // there; every LUN of every other target is.
    void scanSkipsAdapterIdAndProbesEveryLun() {
        auto drives = sim::parseDriveSet("0=disk,3=mo1300,3.1=mo640,6=mo230");
        drives.emplace(scsi::SimTransport::AdapterScsiId, std::make_unique<sim::SimTarget>());
        open(std::move(drives));
        for (const std::uint8_t id : std::initializer_list<std::uint8_t>{0, 3, 6, 7}) {
            bus->target(id)->setTracing(true);
        }
        rescanAll();
        QCOMPARE(rows(), QStringList({Header, "1|0|0|0|QUILLON |SIM DISK        |1.00",
                                      "2|0|3|0|QUILLON |SIM MO DRIVE    |1.00",
                                      "3|0|3|1|QUILLON |SIM MO DRIVE    |1.00",
                                      "4|0|6|0|QUILLON |SIM MO DRIVE    |1.00"}));
        const QList<int> everyLun{0, 1, 2, 3, 4, 5, 6, 7};
        QCOMPARE(inquiredLuns(0), everyLun);
        QCOMPARE(inquiredLuns(3), everyLun);
        QCOMPARE(inquiredLuns(6), everyLun);
        QVERIFY(bus->target(7)->trace().empty());
    }

    void targetInfoLogsInquiryData() {
        open(sim::defaultDriveSet());
        rescanAll();
        selectRow(3);
        click("CuteButton2");
        const QStringList disk{
            "    **** Inquiry Data *****",
            "[HA =  0]   [SCSI ID =  5]   [LUN NO =  0]",
            "VendorID  ----------------------  QUILLON ",
            "ProductID  ---------------------  SIM DISK        ",
            "Revision  ----------------------  1.00",
            "DeviceType  --------------------  Disk Device",
            "DataFormat  --------------------  SCSI-2 support",
            "Media  -------------------------  Not Removable",
            "AEN function  ------------------  Not Support",
            "Terminate I/O Process Message  -  Not Support",
            "Relative Block Address function   Not Support",
            "32bit Bus Transfer  ------------  Not Support",
            "16bit Bus Transfer  ------------  Not Support",
            "Synchronous Transfer  ----------  Support",
            "Linked Command  ----------------  Not Support",
            "Command Queue with Tag  --------  Not Support",
            "Software Reset Condition  ------  Not Support",
        };
        QCOMPARE(form().LogLines(), disk);

        selectRow(2);
        click("CuteButton2");
        const QStringList mo = form().LogLines();
        QCOMPARE(mo[1], "[HA =  0]   [SCSI ID =  4]   [LUN NO =  0]");
        QCOMPARE(mo[5], "DeviceType  --------------------  Optical Memory Device");
        QCOMPARE(mo[7], "Media  -------------------------  Removable");
    }

    void capacityDisplay_data() {
        QTest::addColumn<QString>("medium");
        QTest::addColumn<bool>("onLabel");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("512-byte blocks, panel click")
            << "mo230" << false
            << QStringList{"Block Size       =       200", "Long Block Size  =       258",
                           "Last Block LBA   =     6CF74"};
        QTest::newRow("1024-byte blocks, label double click")
            << "mo650" << true
            << QStringList{"Block Size       =       400", "Long Block Size  =       4B0",
                           "Last Block LBA   =     4DD30"};
        QTest::newRow("2048-byte blocks, panel click")
            << "mo640" << false
            << QStringList{"Block Size       =       800", "Long Block Size  =       94C",
                           "Last Block LBA   =     4BC4F"};
    }

    // Right after power-on, so the first command meets a unit attention.
    void capacityDisplay() {
        QFETCH(QString, medium);
        QFETCH(bool, onLabel);
        QFETCH(QStringList, lines);
        open(qPrintable("2=" + medium));
        if (onLabel) {
            QTest::mouseDClick(panel3()->findChild<QLabel*>("Label1"), Qt::LeftButton);
        } else {
            clickCapacityPanel();
        }
        QCOMPARE(form().LogLines(), QStringList{CapacityHeader} + lines);
    }

    // Neither the right button nor a left press dragged off the panel runs
    // the capacity display.
    void capacityNeedsLeftClickOnPanel() {
        open(sim::defaultDriveSet());
        bus->target(2)->setTracing(true);
        const QPoint spot(2, 30);
        QTest::mouseClick(panel3(), Qt::RightButton, {}, spot);
        QTest::mouseDClick(panel3(), Qt::RightButton, {}, spot);
        QTest::mousePress(panel3(), Qt::LeftButton, {}, spot);
        QTest::mouseRelease(panel3(), Qt::LeftButton, {}, spot + QPoint(0, 200));
        QVERIFY(bus->target(2)->trace().empty());
    }

    // The first eject after power-on meets the drive's unit attention and
    // shows it; the next one ejects.
    void ejectReportsErrorInSenseWindow() {
        open("2=mo230:ua");
        // The long additional-sense text shows whole, wrapped in the window's
        // size, and as the label's tool tip.
        bool wholeText = false;
        answerer->whileShown = [&] {
            const auto* text = QApplication::activeModalWidget()->findChild<QLabel*>("Label2");
            wholeText = text->heightForWidth(text->width()) <= text->height() &&
                        text->toolTip() == text->text() &&
                        text->geometry().bottom() < text->parentWidget()->height();
        };
        click("CuteButton3");
        answerer->whileShown = nullptr;
        QVERIFY(wholeText);
        QCOMPARE(form().LogLines(), QStringList({"    **** Eject Disk *****", "Eject Error"}));
        QCOMPARE(answerer->take(),
                 QStringList{extendedSense(" $06", " $29", " $00", "Unit Attention",
                                           "power on, reset, or bus device reset occurred")});
        QVERIFY(drive(2).hasMedium());

        click("CuteButton3");
        QCOMPARE(form().LogLines(), QStringList({"    **** Eject Disk *****", "Eject OK"}));
        QVERIFY(!drive(2).hasMedium());
    }

    void busyStatusShowsInformationBox() {
        open("2=mo230:fail=25-busy");
        clickCapacityPanel();
        QCOMPARE(form().LogLines(), QStringList({CapacityHeader, CapacityError}));
        QCOMPARE(answerer->take(), QStringList{"MessageBox [Information] SCSI Busy"});

        std::string status;
        form().Operations.ShowScsiStatus(false, "Read Capcity", status);
        QCOMPARE(status, "SCSI STATUS =  8");
        QCOMPARE(answerer->take(), QStringList{"MessageBox [Information] SCSI Busy"});
        QCOMPARE(form().LogLines().size(), 2);
    }

    // A command that never completes has no status: the box says why, in
    // words, and nothing reads as success.
    void commandsWithoutStatusAreReportedInWords() {
        open("2=mo230:fail=25-hang");
        form().Operations.MODrive1.TimeOut_ExecSCSICommand = 50;
        clickCapacityPanel();
        QCOMPARE(form().LogLines(), QStringList({CapacityHeader, CapacityError}));
        QCOMPARE(answerer->take(),
                 QStringList{"MessageBox [Error] Time out: the device did not answer in time and "
                             "the command was aborted"});

        open("2=mo230:fail=1b-hang");
        form().Operations.MODrive1.TimeOut_ExecSCSICommand = 50;
        click("CuteButton3"); // Eject
        QCOMPARE(form().LogLines(), QStringList({"    **** Eject Disk *****", "Eject Error"}));
        QCOMPARE(answerer->take().value(0).left(18), "MessageBox [Error]");
        QVERIFY(drive(2).hasMedium());
    }

    void checkConditionOpensSenseWindow() {
        open("2=mo230:fail=25-3.11.0,4=mo230:legacy-sense:fail=25-3.11.0");
        const QString mediumError =
            extendedSense(" $03", " $11", " $00", "Medium Error", "unrecovered read error");
        clickCapacityPanel();
        QCOMPARE(form().LogLines(), QStringList({CapacityHeader, CapacityError}));
        QCOMPARE(answerer->take(), QStringList{mediumError});

        QVERIFY(!form().Operations.CheckUnitReady());
        std::string status;
        form().Operations.ShowScsiStatus(true, "Read Capcity", status);
        QCOMPARE(status, "unrecovered read error");
        QCOMPARE(answerer->take(), QStringList{mediumError});

        selectRow(2);
        clickCapacityPanel();
        QCOMPARE(answerer->take(), QStringList{nonextendedSense(" $00", " $03", " $FFFFFFFF")});
    }

    // The medium leaves the drive before the message is shown, and only
    // when the caller asks for it.
    void writeProtectedMediumEjectedBeforeMessage() {
        open("2=mo230:wp");
        bool loadedWhileShown = false;
        answerer->whileShown = [&] {
            loadedWhileShown = drive(2).hasMedium();
        };
        form().Operations.SelectCurrent({0, 2, 0});
        QVERIFY(form().Operations.CheckUnitReady());
        for (const bool eject : {false, true}) {
            QVERIFY(!form().Operations.CheckWriteEnable(0, 2, 0, eject));
            QCOMPARE(answerer->take(),
                     QStringList{"MessageBox [Confirm] Error: Media Write protected"});
            QCOMPARE(loadedWhileShown, !eject);
        }
    }

    // With nothing found the header row is an ordinary row, whose cells are
    // what an operation then reads as the address.
    void emptyScanLeavesHeaderUnfixed() {
        open("5=disk");
        bus->target(5)->setTracing(true);
        QCOMPARE(rows(), QStringList{Header});
        QCOMPARE(grid()->FixedRows(), 0);
        click("CuteButton2");
        clickCapacityPanel();
        const QString notANumber = "MessageBox [Error] 'HA' is not a valid integer value";
        QCOMPARE(answerer->take(), QStringList({notANumber, notANumber}));
        QVERIFY(bus->target(5)->trace().empty());

        rescanAll();
        QCOMPARE(rows(), QStringList({Header, "1|0|5|0|QUILLON |SIM DISK        |1.00"}));
        QCOMPARE(grid()->FixedRows(), 0);
    }

    // The application object's last resort: an error that escapes any other
    // handler is shown too, and the program goes on.
    void applicationShowsAnEscapedError() {
        open("2=mo230");
        QTimer::singleShot(0, &form(), [] { throw std::runtime_error("cannot write map.png"); });
        QStringList shown;
        QTRY_VERIFY((shown += answerer->take(), !shown.isEmpty()));
        QCOMPARE(shown, QStringList{"MessageBox [Error] cannot write map.png"});
    }

    // The window as assistive technology walks it: every button a push
    // button named by its caption, whose press action clicks it; the LBA
    // field named by its label, with its value; the device list's cells.
    void accessibleTreeShowsButtonsFieldAndDeviceList() {
        open(sim::defaultDriveSet());
        const QList<QAccessibleInterface*> nodes =
            accessibleTree(QAccessible::queryAccessibleInterface(&form()));
        int buttons = 0;
        for (TCuteButton* button : form().findChildren<TCuteButton*>()) {
            if (button->window() == &form()) { // not of the windows it owns
                const QAccessibleInterface* node =
                    findAccessible(nodes, QAccessible::Button, button->Caption());
                QVERIFY2(node && node->object() == button, qPrintable(button->Caption()));
                ++buttons;
            }
        }
        QCOMPARE(buttons, 19);
        findAccessible(nodes, QAccessible::Button, "Target Info")
            ->actionInterface()
            ->doAction(QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(form().LogLines().value(1), "[HA =  0]   [SCSI ID =  2]   [LUN NO =  0]");

        form().findChild<widgets::TIntEdit*>("IntEdit1")->setValue(0x1A2B);
        QAccessibleInterface* lba = findAccessible(nodes, QAccessible::SpinBox, "LBA");
        QVERIFY(lba != nullptr);
        QCOMPARE(lba->text(QAccessible::Value), "1A2B");
        QCOMPARE(lba->valueInterface()->currentValue().toInt(), 0x1A2B);

        QAccessibleInterface* devices = findAccessible(nodes, QAccessible::Table);
        QVERIFY(devices != nullptr);
        QCOMPARE(devices->tableInterface()->cellAt(0, 4)->text(QAccessible::Name), "Vender ID");
        QCOMPARE(devices->tableInterface()->cellAt(2, 5)->text(QAccessible::Name),
                 "SIM MO DRIVE    ");
    }

    // Every field of the main window and of the windows it owns is named by
    // its label to screen readers.
    void everyFieldIsNamedByItsLabel() {
        open(sim::defaultDriveSet());
        QStringList unnamed;
        const auto fields = form().findChildren<QWidget*>();
        for (QWidget* field : fields) {
            const bool spinBoxPart = qobject_cast<QAbstractSpinBox*>(field->parent()) != nullptr;
            if ((qobject_cast<QLineEdit*>(field) == nullptr || spinBoxPart) &&
                qobject_cast<QAbstractSpinBox*>(field) == nullptr) {
                continue;
            }
            if (QAccessible::queryAccessibleInterface(field)->text(QAccessible::Name).isEmpty()) {
                unnamed << field->window()->objectName() + "." + field->objectName();
            }
        }
        QCOMPARE(unnamed.join(" "), QString());
    }

    void helpOpensFocusedButtonsPageAndLogStartsWithAbout() {
        open(sim::defaultDriveSet());
        const QStringList log = form().LogLines();
        QVERIFY(!QCoreApplication::applicationVersion().isEmpty());
        QCOMPARE(log.value(0), "Quillon " + QCoreApplication::applicationVersion());
        QCOMPARE(log.value(4), "  Last  edition  2000/03/27");

        console::HelpBook help(console::HelpBook::DefaultDirectory());
        qApp->installEventFilter(&help);
        const std::tuple<const char*, QString, QString> pages[] = {
            {"CuteButton2", "10023.html", "Target Info"}, {"CuteButton3", "10024.html", "Eject"}};
        for (const auto& [name, page, title] : pages) {
            auto* button = form().findChild<TCuteButton*>(name);
            button->setFocus();
            QTest::keyClick(button, Qt::Key_F1);
            QTextBrowser* browser = help.Browser();
            QVERIFY(browser != nullptr);
            QCOMPARE(browser->window()->objectName(), "HelpWindow");
            QVERIFY(browser->window()->isVisible());
            QCOMPARE(browser->source().fileName(), page);
            QCOMPARE(browser->documentTitle(), title);
        }
    }
};

int main(int argc, char** argv) {
    app::Application application(argc, argv);
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MainWindow_test.moc"
