#include "widgets/CuteButton.h"
#include "widgets/TestSupport.h"

#include <QAccessible>
#include <QElapsedTimer>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <memory>
#include <stdexcept>

using namespace quillon::widgets;
using testing::render;

namespace {

constexpr QRgb faceColor = colors::clAqua;
constexpr QRgb highlight = colors::clRed;
constexpr QRgb shadow = colors::clBlue;

// The bounding box of the pixels of one colour, or of every colour but the
// face, inside the bevels.
QRect inkBox(const QImage& image, QRgb color, bool matching = false) {
    return testing::pixelBox(image, image.rect().adjusted(2, 2, -2, -2), color, matching);
}

} // namespace

// Drives two buttons of a shown window with real mouse and key events.
class CuteButtonTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QWidget> window;
    TCuteButton* read = nullptr;
    TCuteButton* write = nullptr;
    int reads = 0;
    int writes = 0;

    TCuteButton* addButton(const QString& caption, int y, int& clicks) {
        auto* button = new TCuteButton(window.get());
        button->move(10, y);
        button->setCaption(caption);
        button->setColor(faceColor);
        button->OnClick = [&clicks](TCuteButton&) {
            ++clicks;
        };
        return button;
    }

private slots:
    void init() {
        QCursor::setPos(0, 0);
        window = std::make_unique<QWidget>();
        window->setGeometry(40, 40, 200, 120);
        QFont font("Sans", 12, QFont::Bold);
        font.setStyleStrategy(QFont::NoAntialias);
        window->setFont(font);
        QPalette palette = window->palette();
        palette.setColor(QPalette::ButtonText, Qt::black);
        window->setPalette(palette);
        reads = writes = 0;
        read = addButton("&Read", 10, reads);
        write = addButton("&Write", 60, writes);
        QVERIFY(testing::showActive(*window));
    }

    void cleanup() { window.reset(); }

    void mousePressReleaseAndDragging() {
        QTest::mouseMove(read);
        QTest::mouseClick(read, Qt::LeftButton);
        QCOMPARE(reads, 1);
        QVERIFY(read->hasFocus());
        QCOMPARE(read->BevelOuter(), TPanelBevel::bvRaised);

        QSignalSpy entered(read, &TCuteButton::OnMouseEnter);
        QSignalSpy left(read, &TCuteButton::OnMouseLeave);
        const QPoint outside(read->width() + 5, 5);
        QTest::mousePress(read, Qt::LeftButton);
        QCOMPARE(read->BevelOuter(), TPanelBevel::bvLowered);
        QTest::mouseMove(read, outside);
        QCOMPARE(left.count(), 1);
        QCOMPARE(read->BevelOuter(), TPanelBevel::bvRaised); // focused
        QTest::mouseMove(read, QPoint(5, 5));
        QCOMPARE(entered.count(), 1);
        QCOMPARE(read->BevelOuter(), TPanelBevel::bvLowered);
        QTest::mouseMove(read, outside);
        QTest::mouseRelease(read, Qt::LeftButton, {}, outside);
        QCOMPARE(reads, 1);

        read->setTabFocusUp(false);
        QTest::mousePress(read, Qt::LeftButton);
        QTest::mouseRelease(read, Qt::LeftButton, {}, outside);
        QCOMPARE(read->BevelOuter(), TPanelBevel::bvNone);
        QCOMPARE(reads, 1);
    }

    void keysAndAccelerators() {
        read->setFocus();
        QCOMPARE(read->BevelOuter(), TPanelBevel::bvRaised);
        QTest::keyPress(read, Qt::Key_Space);
        QCOMPARE(read->BevelOuter(), TPanelBevel::bvLowered);
        QTest::keyRelease(read, Qt::Key_Space);
        QCOMPARE(reads, 1);
        QCOMPARE(read->BevelOuter(), TPanelBevel::bvRaised);

        // Another key during Space cancels the press.
        QTest::keyPress(read, Qt::Key_Space);
        QTest::keyClick(read, Qt::Key_Down);
        QCOMPARE(read->BevelOuter(), TPanelBevel::bvRaised);
        QTest::keyRelease(read, Qt::Key_Space);
        QCOMPARE(reads, 1);

        QTest::keyClick(read, Qt::Key_Return);
        QCOMPARE(reads, 2);

        QTest::keyClick(window.get(), Qt::Key_W, Qt::AltModifier);
        QCOMPARE(writes, 1);
        QCOMPARE(write->BevelOuter(), TPanelBevel::bvNone); // neither hot nor focused
        QTest::keyClick(read, Qt::Key_W);
        QCOMPARE(writes, 2);

        write->setEnabled(false);
        QTest::keyClick(window.get(), Qt::Key_W, Qt::AltModifier);
        QTest::keyClick(read, Qt::Key_W);
        QCOMPARE(writes, 2);
    }

    // Screen readers see a push button named by the caption without its &.
    // The accessible press and QAbstractButton's click() click once each, as
    // Enter does, and the shortcut follows setText.
    void accessiblePushButtonClicksOnce() {
        QAccessibleInterface* node = QAccessible::queryAccessibleInterface(write);
        QCOMPARE(node->text(QAccessible::Name), "Write");
        node->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(write->BevelOuter(), TPanelBevel::bvLowered);
        QTRY_COMPARE(writes, 1);
        QCOMPARE(write->BevelOuter(), TPanelBevel::bvNone);
        write->click();
        QCoreApplication::processEvents();
        QCOMPARE(writes, 2);

        write->setText("W&ipe");
        QTest::keyClick(window.get(), Qt::Key_W, Qt::AltModifier);
        QTest::keyClick(window.get(), Qt::Key_I, Qt::AltModifier);
        QCOMPARE(writes, 3);
    }

    void flatLookShowsAnEdgeOnlyWhenHot() {
        write->setBevelHighlightColor(highlight);
        write->setBevelShadowColor(shadow);
        write->setFlat(true);
        QCOMPARE(write->BevelInner(), TPanelBevel::bvNone);
        const QPoint corner(write->width() - 1, write->height() - 1);
        QImage image = render(*write);
        QCOMPARE(image.pixel(0, 0), faceColor);
        QCOMPARE(image.pixel(corner), faceColor);

        QSignalSpy entered(write, &TCuteButton::OnMouseEnter);
        QTest::mouseMove(write, QPoint(5, 5));
        QCOMPARE(entered.count(), 1);
        image = render(*write);
        QCOMPARE(image.pixel(0, 0), highlight);
        QCOMPARE(image.pixel(corner), shadow);

        QTest::mouseMove(window.get(), QPoint(150, 5));
        QCOMPARE(render(*write).pixel(0, 0), faceColor);
    }

    void egnoreContClickSwallowsClicksMadeDuringTheHandler() {
        int runs = 0;
        // The handler clicks the button itself and queues a real click.
        read->OnClick = [&](TCuteButton& sender) {
            if (++runs > 1)
                return;
            for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
                QCoreApplication::postEvent(&sender,
                                            new QMouseEvent(type, QPointF(5, 5), QPointF(5, 5),
                                                            Qt::LeftButton, Qt::LeftButton, {}));
            sender.Click();
        };
        QTest::mouseClick(read, Qt::LeftButton);
        QCoreApplication::processEvents();
        QCOMPARE(runs, 3);

        runs = 0;
        read->setEgnoreContClick(true);
        QTest::mouseClick(read, Qt::LeftButton);
        QCoreApplication::processEvents();
        QCOMPARE(runs, 1);
        QTest::mouseClick(read, Qt::LeftButton);
        QCOMPARE(runs, 2);

        // A handler that throws keeps its place on the button.
        read->OnClick = [&](TCuteButton&) {
            ++runs;
            throw std::runtime_error("handler failed");
        };
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, read->Click());
        QVERIFY(read->OnClick);
    }

    void dropDownMenuOpensOnPressAtOnceOrAfterDelay() {
        QMenu menu;
        menu.addAction("Item");
        QList<QPoint> openedAt;
        connect(&menu, &QMenu::aboutToShow, this, [&] {
            QTimer::singleShot(20, &menu, [&] {
                openedAt << menu.pos();
                menu.close();
            });
        });
        write->setDropDownMenu(&menu);
        const QPoint below = write->mapToGlobal(QPoint(0, write->height()));

        QTest::mousePress(write, Qt::LeftButton);
        QCOMPARE(openedAt, QList<QPoint>{below});
        QTest::mouseRelease(write, Qt::LeftButton);
        QTest::keyPress(write, Qt::Key_Space);
        QCOMPARE(openedAt.count(), 2);
        QTest::keyRelease(write, Qt::Key_Space);
        QCOMPARE(writes, 0);
        QTRY_COMPARE(write->BevelOuter(), TPanelBevel::bvRaised); // once the focus is back

        write->setDropDownDelay(500);
        QTest::mouseClick(write, Qt::LeftButton);
        QCOMPARE(writes, 1);
        QElapsedTimer held;
        held.start();
        QTest::mousePress(write, Qt::LeftButton);
        QTRY_COMPARE(openedAt.count(), 3);
        QVERIFY(held.elapsed() >= 450);
        QTest::mouseRelease(write, Qt::LeftButton);
        QCOMPARE(writes, 1);
    }

    void bevelsAreDrawnInTheirColours() {
        write->setBevelHighlightColor(highlight);
        write->setBevelShadowColor(shadow);
        const int right = write->width() - 1;
        const int bottom = write->height() - 1;
        QImage image = render(*write); // inner raised only
        QCOMPARE(image.pixel(0, 0), highlight);
        QCOMPARE(image.pixel(right, 0), shadow);
        QCOMPARE(image.pixel(right, bottom), shadow);
        QCOMPARE(image.pixel(1, 1), faceColor);

        write->setBevelOuter(TPanelBevel::bvLowered);
        write->setBevelWidth(2);
        image = render(*write);
        QCOMPARE(image.pixel(1, 1), shadow);
        QCOMPARE(image.pixel(right - 1, bottom - 1), highlight);
        QCOMPARE(image.pixel(2, 2), highlight);
        QCOMPARE(image.pixel(right - 2, bottom - 2), shadow);
        QCOMPARE(image.pixel(4, 4), faceColor);
    }

    void captionMovesWhenPressedAndByMargins() {
        const QRect atRest = inkBox(render(*read), faceColor);
        QTest::mousePress(read, Qt::LeftButton);
        QCOMPARE(inkBox(render(*read), faceColor), atRest.translated(2, 2));
        QTest::mouseRelease(read, Qt::LeftButton);

        read->setAlignment(TAlignment::taLeftJustify);
        const QRect left = inkBox(render(*read), faceColor);
        read->setMarginX(4);
        QCOMPARE(inkBox(render(*read), faceColor), left.translated(4, 0));
        read->setMarginX(-5);
        QCOMPARE(read->MarginX(), -1);

        read->setAlignment(TAlignment::taRightJustify);
        const QRect right = inkBox(render(*read), faceColor);
        read->setMarginX(4);
        QCOMPARE(inkBox(render(*read), faceColor), right.translated(-4, 0));
    }

    void disabledButtonIsEngraved() {
        const QRect ink = inkBox(render(*read), faceColor);
        read->setEnabled(false);
        const QImage image = render(*read);
        QCOMPARE(image.pixel(3, 3), faceColor);
        const QRect dark = inkBox(image, colors::clBtnShadow().rgb(), true);
        const QRect light = inkBox(image, colors::clBtnHighlight().rgb(), true);
        QCOMPARE(dark.topLeft(), ink.topLeft());
        QCOMPARE(light.bottomRight(), dark.bottomRight() + QPoint(1, 1));

        read->setUseDisabledColor(true);
        QCOMPARE(render(*read).pixel(3, 3), colors::clGray);
        read->setDisabledColor(colors::clYellow);
        QCOMPARE(render(*read).pixel(3, 3), colors::clYellow);
    }
};

QTEST_MAIN(CuteButtonTest)
#include "CuteButton_test.moc"
