#include "widgets/FmtEdit.h"
#include "widgets/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>

using namespace quillon::widgets;

// TFmtEdit in an active window beside a second control: typing by kind,
// typed access, the range check on leaving in both languages, and the look.
class TFmtEditTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void typedAccessOfWrongKind();
    void typedAccessRoundTrips();
    void typingKeepsToValidChars();
    void rangeMessages_data();
    void rangeMessages();
    void leavingTidiesAndComplains();
    void alignmentPlacesText();

private:
    std::unique_ptr<QWidget> window_;
    TFmtEdit* edit_ = nullptr;
    TFmtEdit* other_ = nullptr;
    QLocale locale_;
};

void TFmtEditTest::init() {
    window_ = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(window_.get());
    edit_ = new TFmtEdit;
    edit_->setObjectName("FmtEdit1");
    other_ = new TFmtEdit;
    layout->addWidget(edit_);
    layout->addWidget(other_);
    QVERIFY(testing::showActive(*window_));
    edit_->setFocus();
}

void TFmtEditTest::cleanup() {
    window_.reset();
    QLocale::setDefault(locale_);
}

void TFmtEditTest::typedAccessOfWrongKind() {
    edit_->setFmtKind(TFmtKind::fkInt);
    try {
        (void)edit_->AsBoolean();
        QFAIL("no EFmtEditError");
    } catch (const EFmtEditError& error) {
        QCOMPARE(QString::fromUtf8(error.what()), "Item 'FmtEdit1' cannot access as Boolean.");
    }
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    try {
        edit_->setAsDateTime(QDateTime::currentDateTime());
        QFAIL("no EFmtEditError");
    } catch (const EFmtEditError& error) {
        QCOMPARE(QString::fromUtf8(error.what()),
                 QString::fromUtf8("項目 'FmtEdit1' は DateTime としてアクセスできません。"));
    }
    edit_->setText("12x");
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, edit_->AsInteger());
}

void TFmtEditTest::typedAccessRoundTrips() {
    edit_->setFmtKind(TFmtKind::fkFloat);
    edit_->setDecimals(3);
    edit_->setAsFloat(1.5);
    QCOMPARE(edit_->text(), "1.500");
    QCOMPARE(edit_->AsFloat(), 1.5);

    edit_->setFmtKind(TFmtKind::fkDate);
    edit_->setAsDateTime(QDateTime(QDate(2024, 3, 5), QTime(13, 0)));
    QCOMPARE(edit_->text(), "2024/03/05");
    QCOMPARE(edit_->AsDateTime().date(), QDate(2024, 3, 5));

    edit_->setFmtKind(TFmtKind::fkTime);
    edit_->setAsDateTime(QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9)));
    QCOMPARE(edit_->text(), "07:08:09");
    QCOMPARE(edit_->AsDateTime().time(), QTime(7, 8, 9));

    edit_->setFmtKind(TFmtKind::fkYesNo);
    edit_->setText(" y ");
    QVERIFY(edit_->AsBoolean());
    edit_->setAsBoolean(false);
    QCOMPARE(edit_->text(), "N");

    edit_->setFmtKind(TFmtKind::fkInt);
    edit_->setFmtModes(TFmtMode::fmThousands);
    edit_->setAsInteger(-1234567);
    QCOMPARE(edit_->text(), "-1,234,567");
    QCOMPARE(edit_->AsInteger(), -1234567);
}

void TFmtEditTest::typingKeepsToValidChars() {
    QSignalSpy beeps(edit_, &TFmtEdit::beeped);
    QTest::keyClicks(edit_, "a1!");
    QCOMPARE(edit_->text(), "a1!");

    edit_->clear();
    edit_->setFmtKind(TFmtKind::fkInt);
    edit_->setValidChars("xyz");
    QCOMPARE(edit_->ValidChars(), "+-0123456789");
    QTest::keyClicks(edit_, "-1a2");
    QCOMPARE(edit_->text(), "-12");
    QCOMPARE(beeps.count(), 1);
    edit_->setFmtModes({});
    QTest::keyClick(edit_, 'b');
    QCOMPARE(beeps.count(), 1);

    edit_->clear();
    edit_->setFmtKind(TFmtKind::fkAppoint);
    edit_->setValidChars("AB");
    QTest::keyClicks(edit_, "ABCBA");
    QCOMPARE(edit_->text(), "ABBA");
}

void TFmtEditTest::rangeMessages_data() {
    QTest::addColumn<bool>("japanese");
    QTest::addColumn<QString>("min");
    QTest::addColumn<QString>("max");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("inside") << false << "1"
                            << "10"
                            << "10"
                            << "";
    QTest::newRow("both") << false << "1"
                          << "10"
                          << "11"
                          << "Range : 1 - 10";
    QTest::newRow("min only") << false << "5"
                              << ""
                              << "-7"
                              << "Range : Above 5";
    QTest::newRow("max only") << false << ""
                              << "9"
                              << "12"
                              << "Range : Below 9";
    QTest::newRow("unreadable") << false << "1"
                                << ""
                                << "+"
                                << "Invalid input";
    QTest::newRow("ja both") << true << "1"
                             << "10"
                             << "0" << QString::fromUtf8("入力範囲は 1 ～ 10 です");
    QTest::newRow("ja min") << true << "5"
                            << ""
                            << "4" << QString::fromUtf8("入力範囲は 5 以上です");
    QTest::newRow("ja max") << true << ""
                            << "9"
                            << "10" << QString::fromUtf8("入力範囲は 9 以下です");
    QTest::newRow("ja unreadable") << true << ""
                                   << "9"
                                   << "" << QString::fromUtf8("不正な入力です");
}

void TFmtEditTest::rangeMessages() {
    QFETCH(bool, japanese);
    QFETCH(QString, min);
    QFETCH(QString, max);
    QFETCH(QString, text);
    if (japanese)
        QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    edit_->setFmtKind(TFmtKind::fkInt);
    edit_->setMinValue(min);
    edit_->setMaxValue(max);
    edit_->setText(text);
    QTEST(edit_->RangeMessage(), "message");
}

void TFmtEditTest::leavingTidiesAndComplains() {
    edit_->setFmtKind(TFmtKind::fkDate);
    edit_->setMinValue("2000/01/01");
    edit_->setFmtModes(TFmtMode::fmStrictRange | TFmtMode::fmErrMsg);
    QTest::keyClicks(edit_, "19990305");
    other_->setFocus();
    // The complaint waits for the focus to settle; this runs once its box is up.
    QString boxText;
    QTimer::singleShot(0, [&boxText] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            boxText = box->text();
            box->button(QMessageBox::Ok)->click();
        }
    });
    QCOMPARE(edit_->text(), "1999/03/05");
    QTRY_COMPARE(boxText, "Range : Above 2000/01/01");
    QTRY_COMPARE(window_->focusWidget(), static_cast<QWidget*>(edit_));

    QSignalSpy beeps(edit_, &TFmtEdit::beeped);
    edit_->setFmtModes(TFmtMode::fmStrictRange | TFmtMode::fmIllegalBeep | TFmtMode::fmErrNext);
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    edit_->setFocus();
    other_->setFocus();
    QTRY_COMPARE(beeps.count(), 1);
    QCOMPARE(window_->focusWidget(), static_cast<QWidget*>(other_));
}

void TFmtEditTest::alignmentPlacesText() {
    other_->setFocus();
    edit_->setText("8888");
    edit_->resize(200, edit_->sizeHint().height());
    const auto inkSpan = [this] {
        const QImage image = edit_->grab().toImage();
        int first = image.width();
        int last = -1;
        for (int y = 4; y < image.height() - 4; ++y)
            for (int x = 4; x < image.width() - 4; ++x)
                if (qGray(image.pixel(x, y)) < 96) {
                    first = std::min(first, x);
                    last = std::max(last, x);
                }
        return std::pair(first, last);
    };
    const auto left = inkSpan();
    edit_->setAlignment(TAlignment::taRightJustify);
    QCOMPARE(edit_->Alignment(), TAlignment::taRightJustify);
    const auto right = inkSpan();
    QVERIFY2(left.second < 100, "left-justified text lies in the left half");
    QVERIFY2(right.first > 100, "right-justified text lies in the right half");
}

QTEST_MAIN(TFmtEditTest)
#include "FmtEdit_test.moc"
