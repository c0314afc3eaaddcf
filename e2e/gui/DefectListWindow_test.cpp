// The defect list choice "Select Memu" on simulated drives, driven as a user
// drives it: "Read Defect" clicked on the main window, a list chosen by a
// click, a double click or closing the dialog. The log is read afterwards.
#include "WindowsFixture.h"
#include "app/Application.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QScreen>
#include <QTest>

using namespace quillon;

namespace {

const QString Header = "    **** Read Defect Data *****";

} // namespace

class DefectListWindowTest : public e2e::WindowsFixture {
    Q_OBJECT

    console::TForm4& form4() { return windows->Form4(); }
    QRadioButton* radio(int number) {
        return form4().findChild<QRadioButton*>(QString("RadioButton%1").arg(number));
    }
    // Clicks "Read Defect" and runs the steps in the dialog; the title of the
    // list read comes second in the log.
    QString readDefect(const std::function<void()>& steps) {
        inModalWindow(form4(), "CuteButton16", steps);
        const QStringList lines = form().LogLines();
        return lines.value(1);
    }

private slots:
    void init() { startAnswering(); }
    void cleanup() { closeWindows(); }

    // Made after the progress window and before the range dialog; shown
    // centred on the screen over the main window, which stays.
    void dialogIsBuiltAsDesigned() {
        open("2=mo230");
        const auto dialogs = form().findChildren<QDialog*>(Qt::FindDirectChildrenOnly);
        QCOMPARE(dialogs.value(2)->objectName(), "Form3");
        QCOMPARE(dialogs.value(3), static_cast<QDialog*>(&form4()));
        QCOMPARE(dialogs.value(4), static_cast<QDialog*>(&windows->Form5()));
        readDefect([&] {
            QVERIFY(form().isVisible());
            QCOMPARE(form4().size(), QSize(241, 153));
            QCOMPARE(form4().windowTitle(), "Select Memu");
            const QPoint centre = QApplication::primaryScreen()->availableGeometry().center();
            QVERIFY((form4().frameGeometry().center() - centre).manhattanLength() < 40);
            auto* group = form4().findChild<QGroupBox*>("RadioGroup1");
            QCOMPARE(group->title(), "Select Defect List");
            const QString captions[] = {
                "Primary Defect List (Phisical Secter)", "Grown   Defect List (Phisical Secter)",
                "Primary Defect List (Block Address)", "Grown   Defect List (Block Address)"};
            for (int i = 1; i <= 4; ++i) {
                QCOMPARE(radio(i)->text(), captions[i - 1]);
                QCOMPARE(radio(i)->isChecked(), i == 1);
                QVERIFY2(radio(i)->sizeHint().width() <= radio(i)->width(),
                         qPrintable(QString::number(radio(i)->sizeHint().width())));
                QVERIFY(group->rect().contains(radio(i)->geometry()));
                QVERIFY(i == 1 || radio(i)->y() > radio(i - 1)->geometry().bottom());
            }
        });
        QCOMPARE(form().LogLines().mid(0, 3),
                 (QStringList{Header, "Primary Defect List(Phisical Secter)", QString(46, '-')}));
        QCOMPARE(form().LogLines().last(), " Defect Count = 5");
    }

    // A click on another list closes the dialog and reads it; the choice is
    // kept: a click on the checked button leaves the dialog up, a double
    // click on it or closing the dialog reads that list again.
    void eachWayOfClosingReadsTheCheckedList() {
        open("2=mo230:grown=120.40");
        QCOMPARE(readDefect([&] {
                     QTest::mouseClick(radio(4), Qt::LeftButton);
                     QVERIFY(!form4().isVisible());
                 }),
                 "Grown Defect List(Block Address)");
        QCOMPARE(form().LogLines().last(), " Defect Count = 42");
        QCOMPARE(readDefect([&] {
                     QVERIFY(radio(4)->isChecked());
                     QTest::mouseClick(radio(4), Qt::LeftButton);
                     QVERIFY(form4().isVisible());
                     QTest::mouseDClick(radio(4), Qt::LeftButton);
                     QVERIFY(!form4().isVisible());
                 }),
                 "Grown Defect List(Block Address)");
        QCOMPARE(readDefect([&] {
                     QTest::mouseDClick(radio(2), Qt::LeftButton);
                     QVERIFY(!form4().isVisible());
                 }),
                 "Grown Defect List(Phisical Secter)");
        QVERIFY(form().LogLines().contains("   0 :          3      0     -1"));
        QCOMPARE(readDefect([&] { form4().close(); }), "Grown Defect List(Phisical Secter)");
        QCOMPARE(form4().Selection, 2);
        QVERIFY(answerer->take().isEmpty());
    }
};

int main(int argc, char** argv) {
    app::Application application(argc, argv);
    DefectListWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "DefectListWindow_test.moc"
