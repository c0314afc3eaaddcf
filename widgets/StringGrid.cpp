#include "widgets/StringGrid.h"

#include "widgets/Colors.h"
#include "widgets/StringTableModel.h"

#include <QHeaderView>
#include <QPainter>
#include <algorithm>
#include <stdexcept>

namespace quillon::widgets {

namespace {

constexpr int initialColCount = 5;
constexpr int initialRowCount = 5;
constexpr int initialFixed = 1;
constexpr int initialDefaultColWidth = 64;
constexpr int initialDefaultRowHeight = 24;
constexpr QAbstractItemView::EditTriggers editingTriggers =
    QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
    QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed;

void resetSections(QHeaderView* header, int size) {
    header->setDefaultSectionSize(size);
    for (int i = 0; i < header->count(); ++i)
        header->resizeSection(i, size);
}

} // namespace

TStringGrid::TStringGrid(QWidget* parent)
    : QTableView(parent), model_(new StringTableModel(this)), color_(colors::clWindow()),
      fixedColor_(colors::clBtnFace()) {
    for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
        header->hide();
        header->setMinimumSectionSize(0);
    }
    setShowGrid(false);
    setCornerButtonEnabled(false);
    setSizeAdjustPolicy(AdjustToContents);
    model_->setColumnCount(initialColCount);
    model_->setRowCount(initialRowCount);
    model_->setFixed(initialFixed, initialFixed);
    model_->setShownText([this](int col, int row) { return ShownText(col, row); });
    setModel(model_);
    setDefaultColWidth(initialDefaultColWidth);
    setDefaultRowHeight(initialDefaultRowHeight);
    setColor(color_);
    setCtl3D(ctl3D_);
    applyOptions(options_);
    setCurrentIndex(model_->index(initialFixed, initialFixed));
}

int TStringGrid::ColCount() const {
    return model_->columnCount();
}

void TStringGrid::setColCount(int value) {
    if (value < 1)
        throw std::invalid_argument("Grid index out of range");
    const int old = ColCount();
    if (value <= FixedCols())
        model_->setFixed(value - 1, FixedRows());
    model_->setColumnCount(value);
    if (value != old)
        SizeChanged(old, RowCount());
    keepCurrentCellMovable();
}

int TStringGrid::RowCount() const {
    return model_->rowCount();
}

void TStringGrid::setRowCount(int value) {
    if (value < 1)
        throw std::invalid_argument("Grid index out of range");
    const int old = RowCount();
    if (value <= FixedRows())
        model_->setFixed(FixedCols(), value - 1);
    model_->setRowCount(value);
    if (value != old)
        SizeChanged(ColCount(), old);
    keepCurrentCellMovable();
}

int TStringGrid::FixedCols() const {
    return model_->fixedCols();
}

void TStringGrid::setFixedCols(int value) {
    if (value < 0 || value >= ColCount())
        throw std::invalid_argument("Fixed column count must be less than column count");
    model_->setFixed(value, FixedRows());
    keepCurrentCellMovable();
}

int TStringGrid::FixedRows() const {
    return model_->fixedRows();
}

void TStringGrid::setFixedRows(int value) {
    if (value < 0 || value >= RowCount())
        throw std::invalid_argument("Fixed row count must be less than row count");
    model_->setFixed(FixedCols(), value);
    keepCurrentCellMovable();
}

QString TStringGrid::ShownText(int ACol, int ARow) const {
    return model_->cell(ACol, ARow);
}

QString TStringGrid::Cells(int ACol, int ARow) const {
    checkCell(ACol, ARow);
    return model_->cell(ACol, ARow);
}

void TStringGrid::setCells(int ACol, int ARow, const QString& value) {
    checkCell(ACol, ARow);
    model_->setCell(ACol, ARow, value);
}

void TStringGrid::BeginUpdate() {
    model_->beginUpdate();
}

void TStringGrid::EndUpdate() {
    model_->endUpdate();
}

int TStringGrid::Col() const {
    return currentIndex().column();
}

void TStringGrid::setCol(int value) {
    if (value < FixedCols() || value >= ColCount())
        throw std::out_of_range("Grid index out of range");
    setCurrentIndex(model_->index(Row(), value));
}

int TStringGrid::Row() const {
    return currentIndex().row();
}

void TStringGrid::setRow(int value) {
    if (value < FixedRows() || value >= RowCount())
        throw std::out_of_range("Grid index out of range");
    setCurrentIndex(model_->index(value, Col()));
}

int TStringGrid::ColWidths(int index) const {
    return columnWidth(index);
}

void TStringGrid::setColWidths(int index, int value) {
    setColumnWidth(index, value);
}

int TStringGrid::RowHeights(int index) const {
    return rowHeight(index);
}

void TStringGrid::setRowHeights(int index, int value) {
    setRowHeight(index, value);
}

int TStringGrid::DefaultColWidth() const {
    return horizontalHeader()->defaultSectionSize();
}

void TStringGrid::setDefaultColWidth(int value) {
    resetSections(horizontalHeader(), value);
}

int TStringGrid::DefaultRowHeight() const {
    return verticalHeader()->defaultSectionSize();
}

void TStringGrid::setDefaultRowHeight(int value) {
    resetSections(verticalHeader(), value);
}

void TStringGrid::setColor(const QColor& value) {
    color_ = value;
    QPalette colored = palette();
    colored.setColor(QPalette::Base, value);
    setPalette(colored);
    redraw();
}

void TStringGrid::setFixedColor(const QColor& value) {
    fixedColor_ = value;
    redraw();
}

void TStringGrid::setCtl3D(bool value) {
    ctl3D_ = value;
    setFrameStyle(value ? QFrame::StyledPanel | QFrame::Sunken : QFrame::Box | QFrame::Plain);
    redraw();
}

void TStringGrid::setOptions(TGridOptions value) {
    options_ = value;
    OptionsChanged();
    selectionModel()->select(currentIndex(), selectOnly());
    redraw();
}

void TStringGrid::SizeChanged(int, int) {}

void TStringGrid::OptionsChanged() {
    applyOptions(options_);
}

void TStringGrid::applyOptions(TGridOptions options) {
    model_->setEditable(options.testFlag(goEditing));
    setSelectionBehavior(options.testFlag(goRowSelect) ? SelectRows : SelectItems);
    setSelectionMode(options.testFlag(goRangeSelect) ? ContiguousSelection : SingleSelection);
    setEditTriggers(options.testFlag(goEditing) ? editingTriggers : NoEditTriggers);
    setTabKeyNavigation(options.testFlag(goTabs));
}

QRect TStringGrid::cellInterior(const QRect& section, bool fixed, TGridOptions options) {
    QRect cell = section;
    if (options.testFlag(fixed ? goFixedVertLine : goVertLine))
        cell.setRight(section.right() - 1);
    if (options.testFlag(fixed ? goFixedHorzLine : goHorzLine))
        cell.setBottom(section.bottom() - 1);
    return cell;
}

QRect TStringGrid::drawGridLines(QPainter& painter, const QRect& section, bool fixed,
                                 TGridOptions options) const {
    const QColor line = fixed ? QColor(colors::clBlack) : QColor(colors::clSilver);
    const QRect cell = cellInterior(section, fixed, options);
    if (cell.right() < section.right())
        painter.fillRect(section.right(), section.top(), 1, section.height(), line);
    if (cell.bottom() < section.bottom())
        painter.fillRect(section.left(), section.bottom(), section.width(), 1, line);
    return cell;
}

void TStringGrid::drawRaisedFrame(QPainter& painter, const QRect& rect) const {
    const QColor light = colors::clBtnHighlight();
    const QColor grey(colors::clGray);
    painter.fillRect(rect.left(), rect.top(), rect.width(), 1, light);
    painter.fillRect(rect.left(), rect.top(), 1, rect.height(), light);
    painter.fillRect(rect.left(), rect.bottom(), rect.width(), 1, grey);
    painter.fillRect(rect.right(), rect.top(), 1, rect.height(), grey);
}

void TStringGrid::keepCurrentCellMovable() {
    const QModelIndex current = currentIndex();
    const int col =
        std::clamp(current.isValid() ? current.column() : 0, FixedCols(), ColCount() - 1);
    const int row = std::clamp(current.isValid() ? current.row() : 0, FixedRows(), RowCount() - 1);
    if (current != model_->index(row, col))
        setCurrentIndex(model_->index(row, col));
    redraw();
}

TGridDrawState TStringGrid::drawState(const QModelIndex& index) const {
    if (model_->isFixed(index.column(), index.row()))
        return gdFixed;
    TGridDrawState state;
    if (selectionModel()->isSelected(index))
        state |= gdSelected;
    if (index == currentIndex())
        state |= gdFocused;
    return state;
}

QItemSelectionModel::SelectionFlags TStringGrid::selectOnly() const {
    QItemSelectionModel::SelectionFlags select = QItemSelectionModel::ClearAndSelect;
    if (selectionBehavior() == SelectRows)
        select |= QItemSelectionModel::Rows;
    return select;
}

void TStringGrid::redraw() {
    viewport()->update();
}

// A click outside the movable cells leaves the selection alone, and a click
// never takes a cell out of the selection: the current cell stays selected.
QItemSelectionModel::SelectionFlags TStringGrid::selectionCommand(const QModelIndex& index,
                                                                  const QEvent* event) const {
    if (!(model_->flags(index) & Qt::ItemIsSelectable))
        return QItemSelectionModel::NoUpdate;
    QItemSelectionModel::SelectionFlags command = QTableView::selectionCommand(index, event);
    const QItemSelectionModel::SelectionFlags removing =
        QItemSelectionModel::Deselect | QItemSelectionModel::Toggle;
    if (command & removing)
        command = (command & ~removing) | QItemSelectionModel::Select;
    return command;
}

void TStringGrid::checkCell(int ACol, int ARow) const {
    if (ACol < 0 || ARow < 0)
        throw std::out_of_range("Grid index out of range");
}

} // namespace quillon::widgets
