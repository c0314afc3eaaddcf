// The error recovery editor on simulated drives, driven as a user drives it:
// Mode Sense or Mode Select clicked on the main window, boxes clicked and
// numbers typed in the editor, the editor closed. The log, the controls and
// the MODE SELECT parameter list the drive received are read afterwards.
#include "WindowsFixture.h"
#include "app/Application.h"
#include "app/Windows.h"
#include "scsi/SimTransport.h"
#include "widgets/CuteButton.h"
#include "widgets/IntEdit.h"
#include "widgets/StrColGrid.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

using namespace quillon;
using e2e::ModalAnswerer;
using widgets::TIntEdit;

namespace {

constexpr std::uint8_t ModeSelect6 = 0x15;
const QString Header = "    **** Mode Sense Data *****";
const QStringList CheckCaptions{"Auto Write Reallocation",
                                "Auto Read Reallocation",
                                "Transfer Block",
                                "Read Continue",
                                QString("Enable") + QChar(0x3000) + "Early Recover",
                                "Post Error",
                                "Disable Transfer on Error",
                                "Disable Correction"};
const QStringList FieldLabels{"Read Retry", "Write Retry",       "Data",
                              "Hed Offset", "Hed Strobe Offset", "Recovery Time Limt"};

} // namespace

// The windows built afresh on a drive set for each test; the editor is
// driven by the test, every other modal window must be expected.
class ErrorRecoverWindowTest : public e2e::WindowsFixture {
    Q_OBJECT

    console::TForm2& form2() { return windows->Form2(); }
    QCheckBox* check(int number) {
        return form2().findChild<QCheckBox*>(QString("CheckBox%1").arg(number));
    }
    TIntEdit* field(int number) {
        return form2().findChild<TIntEdit*>(QString("IntEdit%1").arg(number));
    }
    QList<QWidget*> controls() {
        QList<QWidget*> all;
        for (int i = 1; i <= 8; ++i) {
            all << check(i);
        }
        for (int i = 1; i <= 6; ++i) {
            all << field(i);
        }
        return all;
    }

    // The drives with the first row of the list selected and traced.
    void open(const char* drives) {
        WindowsFixture::open(drives);
        bus->target(2)->setTracing(true);
        auto* grid = form().findChild<widgets::TStrColGrid*>("StrColGrid1");
        const QRect cell = grid->visualRect(grid->model()->index(1, 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    }
    void inEditor(int button, const std::function<void()>& steps) {
        inModalWindow(form2(), QString("CuteButton%1").arg(button).toLatin1().constData(), steps);
    }
    void type(TIntEdit* edit, const QString& value) {
        QTest::mouseClick(edit, Qt::LeftButton);
        QTest::keyClick(edit, Qt::Key_End);
        while (!edit->text().isEmpty()) {
            QTest::keyClick(edit, Qt::Key_Backspace);
        }
        QTest::keyClicks(edit, value);
    }
    // The pages of the MODE SELECT parameter lists target 2 received, in
    // hexadecimal.
    QStringList pagesSent() {
        QStringList pages;
        for (const auto& entry : bus->target(2)->trace()) {
            if (entry.cdb.at(0) == ModeSelect6) {
                const QByteArray page(reinterpret_cast<const char*>(entry.dataOut.data()) + 12,
                                      static_cast<qsizetype>(entry.dataOut.size()) - 12);
                pages << page.toHex(' ');
            }
        }
        return pages;
    }

private slots:
    void init() { startAnswering(); }
    void cleanup() { closeWindows(); }

    // The page editor is made after the hex editor and before the progress
    // window, the defect list choice, the range dialog, the two-drive copy,
    // the format window and the seek test; its controls sit in two columns,
    // every label beside its field.
    void editorIsBuiltAsDesigned() {
        open("2=mo230:no-ua");
        const auto dialogs = form().findChildren<QDialog*>(Qt::FindDirectChildrenOnly);
        QCOMPARE(dialogs.value(0)->objectName(), "HexEdit");
        QCOMPARE(dialogs.value(1), static_cast<QDialog*>(&form2()));
        QCOMPARE(dialogs.value(2)->objectName(), "Form3");
        QCOMPARE(dialogs.value(3), static_cast<QDialog*>(&windows->Form4()));
        QCOMPARE(dialogs.value(4), static_cast<QDialog*>(&windows->Form5()));
        QCOMPARE(dialogs.value(5), static_cast<QDialog*>(&windows->Form6()));
        QCOMPARE(dialogs.value(6), static_cast<QDialog*>(&windows->Form7()));
        QCOMPARE(dialogs.value(7), static_cast<QDialog*>(&windows->Form8()));
        QCOMPARE(dialogs.value(8), static_cast<QDialog*>(&windows->Form9()));
        QCOMPARE(dialogs.value(9), static_cast<QDialog*>(&windows->Form10()));
        QCOMPARE(form2().size(), QSize(356, 223));
        QCOMPARE(form2().windowTitle(), "Mode Sense");
        auto* group = form2().findChild<QGroupBox*>();
        QCOMPARE(group->title(), "Error Recover Data");
        for (int i = 1; i <= 8; ++i) {
            QCOMPARE(check(i)->text(), CheckCaptions[i - 1]);
            const QRect left = check(i <= 4 ? i : i - 4)->geometry();
            QCOMPARE(check(i)->y(), left.y());
            QVERIFY(i <= 4 || check(i)->x() > left.right());
            QVERIFY(check(i)->sizeHint().width() <= check(i)->width());
        }
        for (int i = 1; i <= 6; ++i) {
            TIntEdit* edit = field(i);
            QCOMPARE(edit->Value(), 0);
            QVERIFY(edit->Alignment() == widgets::TAlignment::taRightJustify);
            QVERIFY(edit->y() > check(4)->geometry().bottom());
            QVERIFY(group->rect().contains(edit->geometry()));
            auto* label = qobject_cast<QLabel*>(
                edit->parentWidget()->childAt(edit->x() - 4, edit->y() + edit->height() / 2));
            QVERIFY2(label != nullptr, qPrintable(edit->objectName()));
            QCOMPARE(label->text(), FieldLabels[i - 1]);
            QVERIFY(label->sizeHint().width() <= label->width());
            QCOMPARE(edit->x() > check(5)->x(), i > 3); // 4 to 6 on the right
        }
    }

    // Everything enabled; the changes made and the window closed with Escape
    // are dropped and nothing is sent.
    void modeSenseShowsThePageAndSendsNothing() {
        open("2=mo230:no-ua");
        inEditor(10, [&] {
            QCOMPARE(form2().windowTitle(), "Mode Sense");
            QVERIFY(check(1)->isChecked() && check(2)->isChecked() && !check(8)->isChecked());
            QCOMPARE(field(1)->Value(), 8);
            QCOMPARE(field(2)->Value(), 8);
            for (QWidget* control : controls()) {
                QVERIFY(control->isEnabled());
            }
            QTest::mouseClick(check(8), Qt::LeftButton);
            QVERIFY(check(8)->isChecked());
            type(field(1), "3");
            QTest::keyClick(&form2(), Qt::Key_Escape);
        });
        QCOMPARE(form().LogLines(), QStringList({Header, "Mode Sense OK"}));
        QVERIFY(pagesSent().empty());
        QCOMPARE(bus->target(2)->lun(0)->modePage().current()[1], 8);
    }

    // Only what the drive lets change can be edited; the window's close
    // button accepts the edits, which go out in their low bits.
    void modeSelectSendsTheEditedPage() {
        open("2=mo230:no-ua");
        inEditor(11, [&] {
            QCOMPARE(form2().windowTitle(), "Mode Select");
            QVERIFY(!field(3)->isEnabled()); // the correction span
            QTest::mouseClick(check(2), Qt::LeftButton);
            QTest::mouseClick(check(8), Qt::LeftButton);
            type(field(1), "300");
            type(field(6), "300");
            form2().close();
        });
        QCOMPARE(form().LogLines(), QStringList({Header, "Mode Select OK"}));
        QCOMPARE(pagesSent(), QStringList{"01 0a 81 2c 00 00 00 00 08 00 01 2c"});
    }

    // A drive that lets nothing change: every control disabled, a click on a
    // checked box changes nothing, the page goes back as it was read. The
    // controls stay disabled until the next showing.
    void fixedPageDisablesEveryControl() {
        open("2=mo230:fixed-page:no-ua");
        inEditor(11, [&] {
            for (QWidget* control : controls()) {
                QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
            }
            QTest::mouseClick(check(1), Qt::LeftButton);
            QVERIFY(check(1)->isChecked());
            QTest::keyClick(&form2(), Qt::Key_Escape);
        });
        QCOMPARE(form().LogLines(), QStringList({Header, "Mode Select OK"}));
        QCOMPARE(pagesSent(), QStringList{"01 0a c0 08 00 00 00 00 08 00 00 00"});
        QVERIFY(!check(1)->isEnabled());

        inEditor(10, [&] {
            for (QWidget* control : controls()) {
                QVERIFY(control->isEnabled());
            }
        });
        QCOMPARE(form().LogLines(), QStringList({Header, "Mode Sense OK"}));
    }
};

int main(int argc, char** argv) {
    app::Application application(argc, argv);
    ErrorRecoverWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ErrorRecoverWindow_test.moc"
