#include "HexEditWindow.h"

#include "FormatText.h"
#include "HexText.h"
#include "MessageBoxes.h"
#include "widgets/Colors.h"
#include "widgets/CuteButton.h"
#include "widgets/IntEdit.h"
#include "widgets/StringGridEx.h"

#include <QFrame>
#include <QLabel>
#include <charconv>

namespace quillon::console {

namespace {

using widgets::TGridDataType;
using widgets::TGridOption;

constexpr QSize WindowSize{465, 702};
constexpr QRect PanelPlace{0, 0, 453, 23};
constexpr QRect LabelPlace{4, 4, 90, 15};
constexpr QRect EditPlace{100, 1, 90, 21};
constexpr QRect WritePlace{390, 3, 57, 17};
constexpr QPoint GridPlace{0, 23};
constexpr int GridWidth = 452;
constexpr int GridHeight = 649;
constexpr int ByteColumns = 16;
constexpr int AsciiColumn = 17;
constexpr int DesignedRows = 160;
constexpr int CellSize = 18;
constexpr int AsciiWidth = 106;
// With fewer rows every row fits and no vertical scroll bar shows.
constexpr int RowsWithoutScrollBar = 34;

// The text of a cell read as a hexadecimal number, as the class library's
// integer conversion of "$" + text does: digits only, at most 32 bits.
std::optional<std::uint32_t> hexNumber(const QString& text) {
    const QByteArray digits = text.toLatin1();
    std::uint32_t value = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (digits.isEmpty() || error != std::errc{} || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return value;
}

QString lineLabel(int line) {
    return QString::fromStdString(formatText("%02X", static_cast<unsigned>(line)));
}

} // namespace

THexEdit::THexEdit(DriveConsole& drive, QWidget* parent)
    : QDialog(parent), operations_(drive, *this) {
    setObjectName("HexEdit");
    setWindowTitle("HexEdit");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(WindowSize);
    buildPanel();
    buildGrid();
}

void THexEdit::buildPanel() {
    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setGeometry(PanelPlace);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Label1 = new QLabel("LBA", Panel1);
    Label1->setObjectName("Label1");
    Label1->setGeometry(LabelPlace);
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    IntEdit1 = new widgets::TIntEdit(Panel1);
    IntEdit1->setObjectName("IntEdit1");
    Label1->setBuddy(IntEdit1);
    IntEdit1->setGeometry(EditPlace);
    IntEdit1->setRadix(-16);
    IntEdit1->setAlignment(widgets::TAlignment::taRightJustify);
    IntEdit1->setOverWriteMode(widgets::TOverWriteMode::owOverWrite);
    IntEdit1->setValue(2);
    connect(IntEdit1, &widgets::TIntEdit::OnChange, this, &THexEdit::IntEdit1Change);
    CuteButton1 = new widgets::TCuteButton(Panel1);
    CuteButton1->setObjectName("CuteButton1");
    CuteButton1->setGeometry(WritePlace);
    CuteButton1->setCaption("WRITE");
    CuteButton1->setColor(QColor(widgets::colors::clFuchsia));
    CuteButton1->OnClick = [this](widgets::TCuteButton&) {
        CuteButton1Click();
    };
}

void THexEdit::buildGrid() {
    StringGridEx1 = new widgets::TStringGridEx(this);
    StringGridEx1->setObjectName("StringGridEx1");
    StringGridEx1->setGeometry(QRect(GridPlace, QSize(GridWidth, GridHeight)));
    QFont narrow("Arial Narrow");
    narrow.setPixelSize(11);
    StringGridEx1->setFont(narrow);
    StringGridEx1->setColCount(AsciiColumn + 1);
    StringGridEx1->setRowCount(DesignedRows);
    StringGridEx1->setDefaultColWidth(CellSize);
    StringGridEx1->setDefaultRowHeight(CellSize);
    StringGridEx1->setColWidths(AsciiColumn, AsciiWidth);
    StringGridEx1->setOptions(StringGridEx1->Options() | TGridOption::goEditing |
                              TGridOption::goTabs);
    StringGridEx1->setStripeColor(QColor(widgets::colors::clAqua));
    StringGridEx1->setGridStyle(widgets::TGridStyle::gsStriped);
    widgets::TGridColumns& columns = StringGridEx1->GridColumns();
    columns.Items(0).setDataType(TGridDataType::dtInteger);
    for (int col = 1; col <= ByteColumns; ++col) {
        widgets::TGridColumn& byte = columns.Items(col);
        byte.setCaption(lineLabel(col - 1));
        byte.setAlignment(widgets::TAlignment::taCenter);
        byte.setDataType(TGridDataType::dtHex);
        byte.setDisplayMask("xx");
    }
    widgets::TGridColumn& ascii = columns.Items(AsciiColumn);
    ascii.setCaption("            ASCII");
    ascii.setDisplayMask("s");
    ascii.setCanEdit(false);
    StringGridEx1->BeginUpdate();
    for (int line = 0; line <= DesignedRows + 1; ++line) {
        StringGridEx1->setCells(0, line + 1, lineLabel(line));
    }
    StringGridEx1->EndUpdate();
    connect(StringGridEx1, &widgets::TStringGridEx::OnSetEditText, this,
            &THexEdit::StringGridEx1SetEditText);
}

QString THexEdit::MakePrintable(const std::array<std::uint8_t, 16>& Bytes) {
    return QString::fromStdString(console::MakePrintable(Bytes, DoubleByteLocale()));
}

void THexEdit::BufferToGrid(std::int32_t Size, const std::uint8_t* Buffer) {
    const int rows = (Size + ByteColumns - 1) / ByteColumns;
    StringGridEx1->BeginUpdate();
    StringGridEx1->setRowCount(rows + 1);
    StringGridEx1->resize(rows + 1 < RowsWithoutScrollBar ? GridWidth - CellSize : GridWidth,
                          GridHeight);
    for (int row = 1; row <= rows; ++row) {
        StringGridEx1->setCells(0, row, lineLabel(row - 1)); // kept through a smaller grid
        std::array<std::uint8_t, 16> line;
        line.fill(' ');
        for (int col = 1; col <= ByteColumns; ++col) {
            const int index = (row - 1) * ByteColumns + col - 1;
            if (index < Size) {
                line[col - 1] = Buffer[index];
                StringGridEx1->setCells(col, row, lineLabel(Buffer[index]));
            }
        }
        StringGridEx1->setCells(AsciiColumn, row, MakePrintable(line));
    }
    StringGridEx1->EndUpdate();
}

void THexEdit::GridToBuffer(std::int32_t Size, std::uint8_t* Buffer) {
    for (std::int32_t index = 0; index < Size; ++index) {
        const QString text = StringGridEx1->Cells(index % ByteColumns + 1, index / ByteColumns + 1);
        const auto value = hexNumber(text);
        if (!value) {
            throw EConvertError("'$" + text.toStdString() + "' is not a valid integer value");
        }
        Buffer[index] = static_cast<std::uint8_t>(*value & 0xFF);
    }
}

std::array<std::uint8_t, 16> THexEdit::rowBytes(int row) const {
    std::array<std::uint8_t, 16> bytes{};
    for (int col = 1; col <= ByteColumns; ++col) {
        bytes[col - 1] =
            static_cast<std::uint8_t>(hexNumber("0" + StringGridEx1->Cells(col, row)).value_or(0));
    }
    return bytes;
}

// Only the edited row's ASCII text is written: the grid is not filled again.
void THexEdit::StringGridEx1SetEditText(int ACol, int ARow, const QString& Value) {
    if (ACol < 1 || ACol > ByteColumns || ARow < 1) {
        return;
    }
    std::array<std::uint8_t, 16> bytes = rowBytes(ARow);
    bytes[ACol - 1] = static_cast<std::uint8_t>(hexNumber("0" + Value).value_or(0));
    StringGridEx1->setCells(AsciiColumn, ARow, MakePrintable(bytes));
}

void THexEdit::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CuteButton1->hide();
    const DriveConsole& drive = operations_.Drive();
    switch (drive.EditMode) {
    case BlockOperations::ReadMode:
        Label1->setText("Read LBA");
        IntEdit1->setValue(drive.CurrentLBA);
        break;
    case BlockOperations::WriteMode:
        Label1->setText("Write LBA");
        CuteButton1->show();
        break;
    case BlockOperations::LongReadMode:
        Label1->setText("Long Read LBA");
        IntEdit1->setValue(drive.CurrentLBA);
        break;
    case BlockOperations::LongWriteMode:
        Label1->setText("Long Write LBA");
        CuteButton1->show();
        break;
    default:
        Label1->setText("??????");
        break;
    }
}

void THexEdit::IntEdit1Change() {
    operations_.LbaChanged(IntEdit1->Value());
}

void THexEdit::CuteButton1Click() {
    RunShowingErrors(this, [this] { operations_.WritePressed(IntEdit1->Value()); });
}

} // namespace quillon::console
