#include "widgets/FmtEdit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>
#include <array>

namespace quillon::widgets {
namespace {

// The texts the field shows or raises, in one user interface language.
struct FieldTexts {
    const char16_t* between;
    const char16_t* above;
    const char16_t* below;
    const char16_t* invalid;
    const char16_t* cannotAccess;
};

constexpr FieldTexts kEnglish{u"Range : %1 - %2", u"Range : Above %1", u"Range : Below %1",
                              u"Invalid input", u"Item '%1' cannot access as %2."};
constexpr FieldTexts kJapanese{u"入力範囲は %1 ～ %2 です", u"入力範囲は %1 以上です",
                               u"入力範囲は %1 以下です", u"不正な入力です",
                               u"項目 '%1' は %2 としてアクセスできません。"};

const FieldTexts& fieldTexts() {
    return QLocale().language() == QLocale::Japanese ? kJapanese : kEnglish;
}

QString textOf(const char16_t* chars) {
    return QString::fromUtf16(chars);
}

const QString kDateFormat = QStringLiteral("yyyy/MM/dd");
const QString kTimeFormat = QStringLiteral("hh:mm:ss");
// Typing gives digits only; a shown date or time keeps its separators.
constexpr std::array kDateReadings{"yyyy/M/d", "yyyyMMdd"};
constexpr std::array kTimeReadings{"h:m:s", "h:m", "hhmmss", "hhmm"};

template <typename DateOrTime, std::size_t count>
std::optional<DateOrTime> readAs(const QString& text,
                                 const std::array<const char*, count>& formats) {
    for (const char* format : formats) {
        const auto value = DateOrTime::fromString(text.trimmed(), QString::fromLatin1(format));
        if (value.isValid())
            return value;
    }
    return std::nullopt;
}

std::optional<int> readInteger(const QString& text) {
    bool ok = false;
    const int value = QLocale().toInt(text.trimmed(), &ok);
    return ok ? std::optional(value) : std::nullopt;
}

std::optional<double> readFloat(const QString& text) {
    bool ok = false;
    const double value = QLocale().toDouble(text.trimmed(), &ok);
    return ok ? std::optional(value) : std::nullopt;
}

template <typename T>
T readOrThrow(const std::optional<T>& value, const QString& text, const char* typeName) {
    if (!value)
        throw std::invalid_argument(QStringLiteral("'%1' is not a valid %2.")
                                        .arg(text, QString::fromLatin1(typeName))
                                        .toStdString());
    return *value;
}

const char* const kBoolean = "Boolean";
const char* const kDateTime = "DateTime";
const char* const kFloat = "Float";
const char* const kInteger = "Integer";

bool isEnter(const QKeyEvent& event) {
    return event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
}

} // namespace

EFmtEditError::EFmtEditError(const QString& itemName, const QString& typeName)
    : std::runtime_error(textOf(fieldTexts().cannotAccess).arg(itemName, typeName).toStdString()) {}

TFmtEdit::TFmtEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textChanged, this, &TFmtEdit::OnChange);
}

QString TFmtEdit::ValidChars() const {
    switch (kind_) {
    case TFmtKind::fkInt:
        return QStringLiteral("+-0123456789");
    case TFmtKind::fkFloat:
        return QStringLiteral("+-0123456789") + QLocale().decimalPoint();
    case TFmtKind::fkYesNo:
        return QStringLiteral("YNyn");
    case TFmtKind::fkDate:
    case TFmtKind::fkTime:
        return QStringLiteral("0123456789");
    case TFmtKind::fkAppoint:
        return appointChars_;
    case TFmtKind::fkAll:
        break;
    }
    return {};
}

void TFmtEdit::setValidChars(const QString& chars) {
    if (kind_ == TFmtKind::fkAppoint)
        appointChars_ = chars;
}

bool TFmtEdit::AsBoolean() const {
    requireKind(kind_ == TFmtKind::fkYesNo, kBoolean);
    return text().trimmed().compare(u"Y", Qt::CaseInsensitive) == 0;
}

void TFmtEdit::setAsBoolean(bool value) {
    requireKind(kind_ == TFmtKind::fkYesNo, kBoolean);
    setText(value ? QStringLiteral("Y") : QStringLiteral("N"));
}

QDateTime TFmtEdit::AsDateTime() const {
    requireKind(kind_ == TFmtKind::fkDate || kind_ == TFmtKind::fkTime, kDateTime);
    if (kind_ == TFmtKind::fkDate)
        return QDateTime(readOrThrow(readAs<QDate>(text(), kDateReadings), text(), kDateTime),
                         QTime(0, 0));
    return QDateTime(QDate(1970, 1, 1),
                     readOrThrow(readAs<QTime>(text(), kTimeReadings), text(), kDateTime));
}

void TFmtEdit::setAsDateTime(const QDateTime& value) {
    requireKind(kind_ == TFmtKind::fkDate || kind_ == TFmtKind::fkTime, kDateTime);
    setText(kind_ == TFmtKind::fkDate ? value.date().toString(kDateFormat)
                                      : value.time().toString(kTimeFormat));
}

double TFmtEdit::AsFloat() const {
    requireKind(kind_ == TFmtKind::fkFloat, kFloat);
    return readOrThrow(readFloat(text()), text(), kFloat);
}

void TFmtEdit::setAsFloat(double value) {
    requireKind(kind_ == TFmtKind::fkFloat, kFloat);
    setText(floatText(value));
}

int TFmtEdit::AsInteger() const {
    requireKind(kind_ == TFmtKind::fkInt, kInteger);
    return readOrThrow(readInteger(text()), text(), kInteger);
}

void TFmtEdit::setAsInteger(int value) {
    requireKind(kind_ == TFmtKind::fkInt, kInteger);
    setText(numberLocale().toString(value));
}

QString TFmtEdit::RangeMessage() const {
    const bool hasMin = !min_.isEmpty();
    const bool hasMax = !max_.isEmpty();
    if (!hasMin && !hasMax)
        return {};
    const FieldTexts& texts = fieldTexts();
    if (holdsValue() && !valueOf(text()))
        return textOf(texts.invalid);
    if (!(hasMin && compare(text(), min_) < 0) && !(hasMax && compare(text(), max_) > 0))
        return {};
    if (hasMin && hasMax)
        return textOf(texts.between).arg(min_, max_);
    return hasMin ? textOf(texts.above).arg(min_) : textOf(texts.below).arg(max_);
}

void TFmtEdit::keyPressEvent(QKeyEvent* event) {
    if (const auto forward = focusMove(*event)) {
        event->accept();
        focusNextPrevChild(*forward);
        return;
    }
    if (typing_.toggle(*event)) {
        event->accept();
        return;
    }
    if (isTyping(*event)) {
        if (!acceptsText(event->text())) {
            event->accept();
            if (modes_.testFlag(TFmtMode::fmIllegalBeep))
                beep();
            return;
        }
        typing_.prepare(*this);
    }
    QLineEdit::keyPressEvent(event);
}

void TFmtEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (movesBetweenFields(*event))
        typing_.enter(*this);
}

void TFmtEdit::focusOutEvent(QFocusEvent* event) {
    if (movesBetweenFields(*event))
        leaveField();
    QLineEdit::focusOutEvent(event);
}

bool TFmtEdit::holdsValue() const {
    return kind_ == TFmtKind::fkInt || kind_ == TFmtKind::fkFloat || kind_ == TFmtKind::fkDate ||
           kind_ == TFmtKind::fkTime;
}

void TFmtEdit::requireKind(bool holds, const char* typeName) const {
    if (!holds)
        throw EFmtEditError(objectName(), QString::fromLatin1(typeName));
}

QLocale TFmtEdit::numberLocale() const {
    QLocale locale;
    locale.setNumberOptions(modes_.testFlag(TFmtMode::fmThousands) ? QLocale::DefaultNumberOptions
                                                                   : QLocale::OmitGroupSeparator);
    return locale;
}

QString TFmtEdit::floatText(double value) const {
    return numberLocale().toString(value, 'f', decimals_);
}

// The value of a text of a value kind, as a number that orders like it.
std::optional<double> TFmtEdit::valueOf(const QString& text) const {
    switch (kind_) {
    case TFmtKind::fkInt:
        return readInteger(text);
    case TFmtKind::fkFloat:
        return readFloat(text);
    case TFmtKind::fkDate:
        if (const auto date = readAs<QDate>(text, kDateReadings))
            return static_cast<double>(date->toJulianDay());
        break;
    case TFmtKind::fkTime:
        if (const auto time = readAs<QTime>(text, kTimeReadings))
            return time->msecsSinceStartOfDay();
        break;
    default:
        break;
    }
    return std::nullopt;
}

// Values of value kinds compare as values, other texts as texts; unordered
// when either side does not read.
std::partial_ordering TFmtEdit::compare(const QString& text, const QString& bound) const {
    if (!holdsValue())
        return text.compare(bound) <=> 0;
    const auto value = valueOf(text);
    const auto limit = valueOf(bound);
    if (!value || !limit)
        return std::partial_ordering::unordered;
    return *value <=> *limit;
}

QString TFmtEdit::formatted(const QString& text) const {
    switch (kind_) {
    case TFmtKind::fkInt:
        if (const auto value = readInteger(text))
            return numberLocale().toString(*value);
        break;
    case TFmtKind::fkFloat:
        if (const auto value = readFloat(text))
            return floatText(*value);
        break;
    case TFmtKind::fkYesNo:
        return text.trimmed().toUpper();
    case TFmtKind::fkDate:
        if (const auto date = readAs<QDate>(text, kDateReadings))
            return date->toString(kDateFormat);
        break;
    case TFmtKind::fkTime:
        if (const auto time = readAs<QTime>(text, kTimeReadings))
            return time->toString(kTimeFormat);
        break;
    default:
        break;
    }
    return text;
}

// Which way the key moves the focus, forward being true; nothing when it
// does not.
std::optional<bool> TFmtEdit::focusMove(const QKeyEvent& event) const {
    if (isEnter(event) && modes_.testFlag(TFmtMode::fmEnterNext))
        return true;
    if (modes_.testFlag(TFmtMode::fmArrowNext) && event.modifiers() == Qt::NoModifier) {
        if (event.key() == Qt::Key_Up)
            return false;
        if (event.key() == Qt::Key_Down)
            return true;
    }
    return std::nullopt;
}

bool TFmtEdit::acceptsText(const QString& text) const {
    const QString valid = ValidChars();
    return valid.isEmpty() ||
           std::all_of(text.begin(), text.end(), [&valid](QChar c) { return valid.contains(c); });
}

void TFmtEdit::leaveField() {
    if (isModified())
        setText(formatted(text()));
    if (!modes_.testFlag(TFmtMode::fmStrictRange))
        return;
    const QString message = RangeMessage();
    // Complaining once the focus has settled keeps the box and the focus
    // change out of each other's way.
    if (!message.isEmpty())
        QTimer::singleShot(0, this, [this, message] { complain(message); });
}

void TFmtEdit::complain(const QString& message) {
    if (modes_.testFlag(TFmtMode::fmErrMsg))
        QMessageBox::warning(this, QString(), message, QMessageBox::Ok);
    else if (modes_.testFlag(TFmtMode::fmIllegalBeep))
        beep();
    if (!modes_.testFlag(TFmtMode::fmErrNext))
        setFocus(Qt::OtherFocusReason);
}

void TFmtEdit::beep() {
    emit beeped();
    QApplication::beep();
}

} // namespace quillon::widgets
