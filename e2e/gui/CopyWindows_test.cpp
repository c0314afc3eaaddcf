// Verify, Copy Block and Copy Disk on simulated drives, driven as a user
// drives them: a drive selected, the button clicked, the range typed into
// "Set LBA Address", OK or Cancel clicked, "Change Drive" answered. The log,
// the progress window while the operation runs and what the drive holds
// afterwards are read.
#include "WindowsFixture.h"
#include "app/Application.h"
#include "console/ImageFile.h"
#include "widgets/Colors.h"
#include "widgets/Gauge.h"
#include "widgets/StrColGrid.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

using namespace quillon;
using widgets::TCuteButton;
using widgets::TIntEdit;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes blockOf(std::int32_t lba) {
    return Bytes(512, static_cast<std::uint8_t>(lba * 5 + 1));
}

// What the progress window showed while an operation ran, sampled each
// time the operation let pending events run.
struct GaugeSamples {
    QStringList texts;
    QList<int> values;
};

} // namespace

class CopyWindowsTest : public e2e::WindowsFixture {
    Q_OBJECT

    console::TForm5& dialog() { return windows->Form5(); }
    TIntEdit* field(int number) {
        return dialog().findChild<TIntEdit*>(QString("IntEdit%1").arg(number));
    }
    TCuteButton* dialogButton(int number) {
        return dialog().findChild<TCuteButton*>(QString("CuteButton%1").arg(number));
    }
    sim::SimDrive& drive() { return *bus->target(2)->lun(0); }

    // The drives with the first row of the list selected.
    void open(const char* drives) {
        WindowsFixture::open(drives);
        auto* list = form().findChild<widgets::TStrColGrid*>("StrColGrid1");
        const QRect cell = list->visualRect(list->model()->index(1, 1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    }
    // Clicks the main window's button, types the range into the dialog and
    // clicks OK; returns what the progress window showed meanwhile.
    GaugeSamples run(const char* button, const QString& start, const QString& end,
                     const QString& dest = {}) {
        GaugeSamples samples;
        QTimer probe;
        connect(&probe, &QTimer::timeout, [&] {
            console::TForm3& gauge = windows->Form3();
            if (gauge.isVisible()) {
                samples.texts << gauge.findChild<QLabel*>("Label1")->text();
                samples.values << gauge.findChild<widgets::TGauge*>("Gauge1")->Progress();
            }
        });
        probe.start(0);
        inModalWindow(dialog(), button, [&] {
            retype(field(1), start);
            retype(field(2), end);
            if (!dest.isEmpty()) {
                retype(field(3), dest);
            }
            QTest::mouseClick(dialogButton(1), Qt::LeftButton);
        });
        samples.texts.removeDuplicates();
        return samples;
    }
    void put(std::int32_t first, std::int32_t count) {
        drive::TMODrive& d = form().MODrive1;
        d.Capacity(0, 2, 0);
        for (std::int32_t lba = first; lba < first + count; ++lba) {
            Bytes block = blockOf(lba);
            QCOMPARE(d.Write10(0, 2, 0, lba, 1, block.data()), 0);
        }
    }
    Bytes recorded(std::uint32_t lba) {
        const Bytes sector = drive().recordedSector(lba);
        return Bytes(sector.begin(), sector.begin() + 512);
    }

private slots:
    void init() { startAnswering(); }
    void cleanup() { closeWindows(); }

    void rangeDialogIsBuiltAsDesigned() {
        open("2=mo230");
        QCOMPARE(dialog().size(), QSize(240, 119));
        QCOMPARE(dialog().windowTitle(), "Set LBA Address");
        QVERIFY(!(dialog().windowFlags() & Qt::WindowMinimizeButtonHint));
        const char* captions[] = {"Start LBA", "End LBA", "Destination LBA"};
        const std::int32_t defaults[] = {4096, 8192, 12288};
        for (int i = 1; i <= 3; ++i) {
            auto* label = dialog().findChild<QLabel*>(QString("Label%1").arg(i));
            QCOMPARE(label->text(), captions[i - 1]);
            QCOMPARE(field(i)->Value(), defaults[i - 1]);
            QCOMPARE(field(i)->Radix(), -16);
            QCOMPARE(field(i)->text(), QString::number(defaults[i - 1], 16).toUpper());
            QVERIFY(field(i)->OverWriteMode() == widgets::TOverWriteMode::owOverWrite);
            QVERIFY(field(i)->Alignment() == widgets::TAlignment::taRightJustify);
            QVERIFY(label->geometry().right() < field(i)->x());
            QVERIFY(QRect(QPoint(), dialog().size()).contains(field(i)->geometry()));
        }
        QCOMPARE(dialogButton(1)->Caption(), "OK");
        QCOMPARE(dialogButton(1)->Color(), QColor(widgets::colors::clAqua));
        QCOMPARE(dialogButton(2)->Caption(), "Cancel");
        QCOMPARE(dialogButton(2)->Color(), QColor(widgets::colors::clYellow));
        QVERIFY(dialogButton(1)->y() > field(3)->geometry().bottom());
        QVERIFY(dialogButton(2)->geometry().bottom() < dialog().height());
    }

    // OK with Start not below End shows the box and keeps the dialog open;
    // Cancel closes it; what was typed stays for the next use, where only
    // Copy Block enables the destination.
    void theDialogKeepsItsRangeAndRefusesAnEmptyOne() {
        open("2=mo230");
        inModalWindow(dialog(), "CuteButton9", [&] {
            QVERIFY(field(3)->isEnabled());
            retype(field(1), "2000");
            retype(field(2), "1000");
            QTest::mouseClick(dialogButton(1), Qt::LeftButton);
            QVERIFY(dialog().isVisible());
            QCOMPARE(answerer->take(),
                     QStringList{"MessageBox [Confirm] Start Addres >= End Address"});
            QTest::mouseClick(dialogButton(2), Qt::LeftButton);
        });
        QCOMPARE(form().LogLines().last(), "Cancel Copy block");
        inModalWindow(dialog(), "CuteButton14", [&] {
            QCOMPARE(field(1)->Value(), 0x2000);
            QVERIFY(!field(3)->isEnabled());
            QVERIFY(!dialog().findChild<QLabel*>("Label3")->isEnabled());
            QTest::keyClick(&dialog(), Qt::Key_Escape);
        });
        QCOMPARE(form().LogLines(),
                 (QStringList{"    **** Copy Disk (1 Drive) *****", "Cancel Copy Disk"}));
    }

    void verifyShowsItsProgressWhileItRuns() {
        open("2=mo230");
        const GaugeSamples samples = run("CuteButton8", "0", "258");
        QCOMPARE(samples.texts, QStringList{"Verify Data  [       0] - [     258] "});
        QCOMPARE(samples.values, (QList<int>{0, 42, 85, 100}));
        QVERIFY(!windows->Form3().isVisible());
        QCOMPARE(form().LogLines(),
                 (QStringList{"    **** Verify Block(126Block) *****", "End Verify"}));
    }

    void copyBlockCopiesThroughTheWindow() {
        open("2=mo230:error-rate=0");
        put(0x10, 0x20);
        const GaugeSamples samples = run("CuteButton9", "10", "30", "18");
        QCOMPARE(samples.texts, QStringList{"Copy Block [      10]-[      30]->[      18] "});
        QVERIFY(!windows->Form3().isVisible());
        QCOMPARE(form().LogLines(),
                 (QStringList{"    **** Copy Block *****", "!!! Slow (1 Block copy)", "End Copy"}));
        for (std::int32_t lba = 0x10; lba < 0x30; ++lba) {
            QCOMPARE(recorded(static_cast<std::uint32_t>(lba + 8)), blockOf(lba));
        }
    }

    // OK at "Change Drive": the simulated drive's next cartridge goes in and
    // takes the image.
    void copyDiskThroughAMediumChange() {
        QTemporaryDir cache;
        qputenv("XDG_CACHE_HOME", cache.path().toUtf8());
        open("2=mo230+mo230:error-rate=0");
        put(0, 0x100);
        const GaugeSamples samples = run("CuteButton14", "0", "100");
        qunsetenv("XDG_CACHE_HOME");
        QCOMPARE(samples.texts, QStringList{"Copy Disk [       0] - [     100] "});
        // Read and write phase, each from 0.
        QCOMPARE(samples.values, (QList<int>{0, 75, 100, 0, 75, 100}));
        QCOMPARE(answerer->take(), QStringList{"MessageBox [Confirm] Change Drive"});
        const QString image = cache.path() + "/quillon/" + console::ImageFile::FileName;
        QCOMPARE(form().LogLines(),
                 (QStringList{"    **** Copy Disk (1 Drive) *****", "End Read Image",
                              "Image File: " + image, "End Write Image", "End Copy Drive 1"}));
        QCOMPARE(QFileInfo(image).size(), 0x100 * 512);
        QCOMPARE(drive().waitingMedia(), 0u);
        for (std::uint32_t lba = 0; lba < 0x100; ++lba) {
            QCOMPARE(recorded(lba), blockOf(static_cast<std::int32_t>(lba)));
        }
        QVERIFY(!windows->Form3().isVisible());
    }
};

int main(int argc, char** argv) {
    app::Application application(argc, argv);
    CopyWindowsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "CopyWindows_test.moc"
