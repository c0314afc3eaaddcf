#include "widgets/IntEdit.h"
#include "widgets/RadixNumber.h"
#include "widgets/TestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <memory>

using namespace quillon::widgets;

// TIntEdit driven by real key events in an active window, beside a second
// control the focus can leave it for; and the radix reading underneath.
class TIntEditTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { window_.reset(); }

    void readsRadixText_data();
    void readsRadixText();
    void formatsRadix();
    void signedHexEntry();
    void unsignedHexClampsOnLeaving();
    void refusesInvalidRadix();
    void rangeTypingAndStepping();
    void overwriteModes();
    void readOnlyAndEditorDisabled();
    void enterMovesFocus();

private:
    void retype(const QString& text);
    void leave() { other_->setFocus(); }

    std::unique_ptr<QWidget> window_;
    TIntEdit* edit_ = nullptr;
    QLineEdit* other_ = nullptr;
};

void TIntEditTest::init() {
    window_ = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(window_.get());
    edit_ = new TIntEdit;
    edit_->setObjectName("IntEdit1");
    other_ = new QLineEdit;
    layout->addWidget(edit_);
    layout->addWidget(other_);
    QVERIFY(testing::showActive(*window_));
    edit_->setFocus();
}

void TIntEditTest::retype(const QString& text) {
    edit_->setFocus();
    QTest::keyClick(edit_, Qt::Key_End);
    while (!edit_->text().isEmpty())
        QTest::keyClick(edit_, Qt::Key_Backspace);
    QTest::keyClicks(edit_, text);
}

void TIntEditTest::readsRadixText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("radix");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("stop");
    QTest::newRow("blanks and sign") << " \t-1A" << -16 << -26 << 5;
    QTest::newRow("0x prefix") << "0x1f" << 16 << 31 << 4;
    QTest::newRow("$ prefix") << "$FF" << 16 << 255 << 3;
    QTest::newRow("garbage") << "12G4" << 16 << 0x12 << 2;
    QTest::newRow("unsigned saturates") << "123456789ABC" << 16 << -1 << 8;
    QTest::newRow("signed saturates") << "2147483648" << -10 << 2147483647 << 9;
    QTest::newRow("negative saturates") << "-99999999999" << -10 << -2147483647 << 10;
    QTest::newRow("base 36") << "zz" << 36 << 1295 << 2;
    QTest::newRow("empty") << "" << -10 << 0 << 0;
}

void TIntEditTest::readsRadixText() {
    QFETCH(QString, text);
    QFETCH(int, radix);
    const RadixReading reading = readRadix(text, radix);
    QTEST(reading.value, "value");
    QTEST(static_cast<int>(reading.stop), "stop");
}

void TIntEditTest::formatsRadix() {
    QCOMPARE(formatRadix(-26, -16), "-1A");
    QCOMPARE(formatRadix(-26, 16), "FFFFFFE6");
    QCOMPARE(formatRadix(-2147483647 - 1, -10), "-2147483648");
    QCOMPARE(formatRadix(0, 2), "0");
    QCOMPARE(formatRadix(71, 36), "1Z");
}

void TIntEditTest::signedHexEntry() {
    edit_->setRadix(-16);
    edit_->setValue(256);
    QCOMPARE(edit_->text(), "100");
    retype("1a");
    QTest::keyClick(edit_, '-');
    QCOMPARE(edit_->text(), "-1A");
    QCOMPARE(edit_->Value(), -26);
    QTest::keyClick(edit_, '+');
    QCOMPARE(edit_->text(), "+1A");
    QCOMPARE(edit_->Value(), 26);
}

void TIntEditTest::unsignedHexClampsOnLeaving() {
    edit_->setRadix(16);
    QCOMPARE(edit_->MinValue(), 0);
    QSignalSpy beeps(edit_, &TIntEdit::beeped);
    QSignalSpy changes(edit_, &TIntEdit::OnChange);
    retype("-FFFFFFFF");
    QCOMPARE(edit_->text(), "FFFFFFFF");
    QCOMPARE(beeps.count(), 1);
    changes.clear();
    leave();
    QCOMPARE(edit_->text(), "7FFFFFFF");
    QCOMPARE(beeps.count(), 2);
    QCOMPARE(changes.count(), 1);

    // Overflowing digits stop the reading and give way to the upper bound.
    edit_->setMaxValue(-1);
    retype("123456789ABC");
    leave();
    QCOMPARE(edit_->text(), "FFFFFFFF");

    edit_->setMaxValue(2147483647);
    edit_->setRadix(-10);
    QCOMPARE(edit_->MinValue(), -2147483647);
}

void TIntEditTest::refusesInvalidRadix() {
    QSignalSpy beeps(edit_, &TIntEdit::beeped);
    for (const int radix : {1, 37, 0, -1, -37})
        edit_->setRadix(radix);
    QCOMPARE(edit_->Radix(), -10);
    QCOMPARE(beeps.count(), 5);
}

void TIntEditTest::rangeTypingAndStepping() {
    edit_->setMinValue(0);
    edit_->setMaxValue(100);
    QSignalSpy beeps(edit_, &TIntEdit::beeped);
    retype("25x0");
    QCOMPARE(edit_->text(), "250");
    QCOMPARE(beeps.count(), 1);
    leave();
    QCOMPARE(edit_->text(), "100");
    QCOMPARE(beeps.count(), 2);

    edit_->setFocus();
    QTest::keyClick(edit_, Qt::Key_Up);
    QCOMPARE(edit_->Value(), 100);
    edit_->setEditModes(TIntEditMode::imArrowWrap);
    QTest::keyClick(edit_, Qt::Key_Up);
    QCOMPARE(edit_->Value(), 0);
    QTest::keyClick(edit_, Qt::Key_Down);
    QCOMPARE(edit_->Value(), 100);

    edit_->setIncrement(30);
    edit_->setEditModes({});
    edit_->setValue(80);
    QTest::keyClick(edit_, Qt::Key_Up);
    QCOMPARE(edit_->Value(), 100);
    QCOMPARE(beeps.count(), 2);
    edit_->setValue(-5);
    QCOMPARE(edit_->Value(), 0);
    QCOMPARE(beeps.count(), 3);

    // Neither the page keys nor the wheel step the field.
    edit_->setValue(50);
    QTest::keyClick(edit_, Qt::Key_PageUp);
    QTest::keyClick(edit_, Qt::Key_PageDown);
    QTest::keyClick(edit_, Qt::Key_PageDown);
    const QPointF centre = QRectF(edit_->rect()).center();
    QWheelEvent wheel(centre, edit_->mapToGlobal(centre), {}, {0, 120}, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(edit_, &wheel);
    QCOMPARE(edit_->Value(), 50);
    QTest::keyClick(edit_, Qt::Key_Down);
    QCOMPARE(edit_->Value(), 20);

    // Assistive technology reads the range and sets the value inside it.
    QAccessibleValueInterface* value =
        QAccessible::queryAccessibleInterface(edit_)->valueInterface();
    QCOMPARE(value->minimumValue().toInt(), 0);
    QCOMPARE(value->maximumValue().toInt(), 100);
    value->setCurrentValue(120);
    QCOMPARE(value->currentValue().toInt(), 100);
    QCOMPARE(edit_->text(), "100");
}

void TIntEditTest::overwriteModes() {
    edit_->setText("");
    edit_->setOverWriteMode(TOverWriteMode::owOverWrite);
    edit_->setMaxLength(4);
    leave();
    edit_->setFocus(Qt::TabFocusReason);
    QVERIFY(edit_->Overwriting());
    QTest::keyClicks(edit_, "12345");
    QCOMPARE(edit_->text(), "1235");

    edit_->setOverWriteMode(TOverWriteMode::owToggle);
    leave();
    edit_->setFocus();
    QVERIFY(!edit_->Overwriting());
    QTest::keyClick(edit_, Qt::Key_Home);
    QTest::keyClick(edit_, Qt::Key_Insert);
    QTest::keyClick(edit_, '9');
    QCOMPARE(edit_->text(), "9235");
    QTest::keyClick(edit_, Qt::Key_Insert);
    QTest::keyClick(edit_, Qt::Key_Backspace);
    QTest::keyClick(edit_, '7');
    QCOMPARE(edit_->text(), "7235");
}

void TIntEditTest::readOnlyAndEditorDisabled() {
    edit_->setValue(5);
    QSignalSpy beeps(edit_, &TIntEdit::beeped);
    edit_->setReadOnly(true);
    QTest::keyClick(edit_, Qt::Key_Up);
    QCOMPARE(edit_->Value(), 5);
    QCOMPARE(beeps.count(), 1);

    edit_->setReadOnly(false);
    edit_->setEditorEnabled(false);
    QTest::keyClick(edit_, Qt::Key_End);
    QTest::keyClick(edit_, '7');
    QTest::keyClick(edit_, Qt::Key_Backspace);
    QCOMPARE(edit_->text(), "5");
    QCOMPARE(beeps.count(), 3);
    QTest::keyClick(edit_, Qt::Key_Up);
    QCOMPARE(edit_->Value(), 6);

    edit_->setEditorEnabled(true);
    QTest::keyClick(edit_, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(beeps.count(), 4);
    QTest::keyClick(edit_, Qt::Key_End);
    QTest::keyClick(edit_, '2');
    QCOMPARE(edit_->text(), "62");
}

void TIntEditTest::enterMovesFocus() {
    QTest::keyClick(edit_, Qt::Key_Return);
    QVERIFY(edit_->hasFocus());
    edit_->setEditModes(TIntEditMode::imEnterNext);
    QTest::keyClick(edit_, Qt::Key_Return);
    QVERIFY(other_->hasFocus());
}

QTEST_MAIN(TIntEditTest)
#include "IntEdit_test.moc"
