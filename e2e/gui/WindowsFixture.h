#pragma once

#include "ModalAnswerer.h"
#include "app/Windows.h"
#include "console/ConsoleTestSupport.h"
#include "scsi/SimTransport.h"
#include "sim/DriveSet.h"
#include "widgets/CuteButton.h"
#include "widgets/IntEdit.h"

#include <QDialog>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

namespace quillon::e2e {

// The program's windows built afresh on simulated drives for each test,
// with the answerer of the modal windows the operations open: every modal
// window a test does not drive itself must be expected by it.
class WindowsFixture : public QObject {
protected:
    // Called by each test's init() and cleanup().
    void startAnswering() { answerer = std::make_unique<ModalAnswerer>(); }
    void closeWindows() {
        windows.reset();
        QVERIFY2(answerer->take().isEmpty(), "a modal window the test did not expect");
        answerer.reset();
    }

    // Builds the windows on the drives and shows the main window, active.
    void open(sim::DriveSet drives, double timeScale = 0) {
        windows = std::make_unique<app::Windows>(
            console::testing::SimulatedBus(std::move(drives), bus, timeScale),
            std::vector<std::string>{});
        form().show();
        form().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form()));
    }
    void open(const char* drives, double timeScale = 0) {
        open(sim::parseDriveSet(drives), timeScale);
    }

    console::TForm1& form() { return windows->Form1(); }

    // Replaces a field's text as a user does: click, End, Backspace, type.
    static void retype(widgets::TIntEdit* edit, const QString& value) {
        QTest::mouseClick(edit, Qt::LeftButton);
        QTest::keyClick(edit, Qt::Key_End);
        while (!edit->text().isEmpty()) {
            QTest::keyClick(edit, Qt::Key_Backspace);
        }
        QTest::keyClicks(edit, value);
    }

    // Clicks the main window's button and runs the steps in the modal window
    // it opens once that is up; a check that fails in them leaves the window
    // open, so it is closed after them.
    void inModalWindow(QDialog& window, const char* button, const std::function<void()>& steps) {
        answerer->leftAlone = {window.objectName()};
        QTimer::singleShot(0, &form(), [&window, steps] {
            const bool up = QTest::qWaitForWindowActive(&window);
            if (up) {
                steps();
            }
            if (window.isVisible()) {
                window.close();
            }
            QVERIFY2(up, "the window did not come up");
        });
        QTest::mouseClick(form().findChild<widgets::TCuteButton*>(button), Qt::LeftButton);
    }

    std::unique_ptr<app::Windows> windows;
    scsi::SimTransport* bus = nullptr;
    std::unique_ptr<ModalAnswerer> answerer;
};

} // namespace quillon::e2e
