#include "SenseWindow.h"

#include "HelpBook.h"
#include "drive/SenseTables.h"
#include "widgets/Colors.h"

#include <QLabel>
#include <QLineEdit>

namespace quillon::console {

namespace {

constexpr QSize ClientSize{505, 96};

QLabel* label(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    return label;
}

// A read-only box; caption, when given, is the label that names it (also to
// screen readers).
QLineEdit* box(QWidget* parent, const char* name, QRect geometry, QLabel* caption = nullptr) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    edit->setGeometry(geometry);
    if (caption != nullptr) {
        caption->setBuddy(edit);
    }
    return edit;
}

QString text(std::optional<std::string_view> entry) {
    const std::string_view view = entry.value_or("");
    return QString::fromUtf8(view.data(), static_cast<qsizetype>(view.size()));
}

QString hexBox(std::int32_t value, int minDigits) {
    return QString::fromStdString(drive::hexField(value, minDigits));
}

} // namespace

TExSenseData::TExSenseData(QWidget* parent) : QDialog(parent) {
    setObjectName("ExSenseData");
    setWindowTitle("Extended Sense Data");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(ClientSize);
    QPalette yellow = palette();
    yellow.setColor(QPalette::Window, QColor(widgets::colors::clYellow));
    setPalette(yellow);
    setAutoFillBackground(true);
    HelpBook::SetHelpContext(this, 10028);
    extendedView_ = buildExtendedView();
    nonextendedView_ = buildNonextendedView();
    nonextendedView_->hide();
}

QWidget* TExSenseData::buildExtendedView() {
    auto* view = new QWidget(this);
    view->setObjectName("ExtendedView");
    view->setGeometry(rect());
    QLabel* senseKey = label(view, "Label4", "Sense Key", {8, 10, 150, 20});
    Edit1 = box(view, "Edit1", {160, 8, 48, 22}, senseKey);
    Label1 = label(view, "Label1", "", {250, 10, 250, 20});
    QLabel* additionalSense = label(view, "Label5", "Additional Sense Code", {8, 38, 150, 20});
    Edit2 = box(view, "Edit2", {160, 36, 48, 22}, additionalSense);
    Edit3 = box(view, "Edit3", {210, 36, 48, 22});
    // The qualifier shares the code's label; screen readers get its own name.
    Edit3->setAccessibleName("Additional Sense Code Qualifier");
    // The longest additional-sense texts take two or three lines: the label
    // wraps into the free space below it, and its tool tip holds the text.
    Label2 = label(view, "Label2", "", {264, 38, 238, 56});
    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label8 = label(view, "Label8", "Logical Block address", {8, 66, 150, 20});
    Edit7 = box(view, "Edit7", {160, 64, 98, 22}, Label8);
    return view;
}

QWidget* TExSenseData::buildNonextendedView() {
    auto* view = new QWidget(this);
    view->setObjectName("NonextendedView");
    view->setGeometry(rect());
    QLabel* errorClass = label(view, "Label3", "Error Class", {8, 10, 150, 20});
    Edit6 = box(view, "Edit6", {160, 8, 48, 22}, errorClass);
    QLabel* errorCode = label(view, "Label6", "Error Code", {8, 38, 150, 20});
    Edit5 = box(view, "Edit5", {160, 36, 48, 22}, errorCode);
    QLabel* blockAddress = label(view, "Label7", "Logical Block Addrss", {8, 66, 150, 20});
    Edit4 = box(view, "Edit4", {160, 64, 98, 22}, blockAddress);
    return view;
}

void TExSenseData::ShowSense(bool Show, std::int32_t SenseKey, std::int32_t ASC, std::int32_t ASCQ,
                             std::int32_t LBA) {
    const bool extended = SenseKey != -1;
    extendedView_->setVisible(extended);
    nonextendedView_->setVisible(!extended);
    if (!extended) {
        setWindowTitle("Nonextended Sense Data");
        Edit6->setText(hexBox(ASC, 2));
        Edit5->setText(hexBox(ASCQ, 2));
        Edit4->setText(hexBox(LBA, 2));
    } else {
        setWindowTitle("Extended Sense Data");
        Edit1->setText(hexBox(SenseKey, 2));
        Edit2->setText(hexBox(ASC, 2));
        Edit3->setText(hexBox(ASCQ, 2));
        const bool addressValid = LBA != -1;
        if (addressValid) {
            Edit7->setText(hexBox(LBA, 8));
        }
        Label8->setVisible(addressValid);
        Edit7->setVisible(addressValid);
        Label1->setText(text(drive::senseKeyName(SenseKey)));
        Label2->setText(text(drive::senseCodeText(ASC, ASCQ)));
        Label2->setToolTip(Label2->text());
    }
    if (Show) {
        exec();
    }
}

} // namespace quillon::console
