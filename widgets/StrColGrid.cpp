#include "widgets/StrColGrid.h"

#include "widgets/Colors.h"
#include "widgets/DottedFrame.h"
#include "widgets/StringTableModel.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStyledItemDelegate>
#include <algorithm>
#include <stdexcept>

namespace quillon::widgets {

// Hands the drawing of each cell to the grid, and gives the cell editor the
// font of the current cell.
class TStrColGrid::CellDelegate : public QStyledItemDelegate {
public:
    explicit CellDelegate(TStrColGrid& grid) : QStyledItemDelegate(&grid), grid_(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        grid_.paintCell(*painter, option.rect, index);
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        editor->setFont(grid_.editorFont_);
        return editor;
    }

private:
    TStrColGrid& grid_;
};

// What is drawn in a cell: its text, which may hold several lines, where the
// lines are placed, and how many times each is drawn.
struct TStrColGrid::CellText {
    QString text;
    TAlignment alignment;
    TTextLayout layout;
    int repeat;
};

namespace {

constexpr int initialColCount = 5;
constexpr int initialRowCount = 5;
constexpr int initialFixed = 1;
constexpr int initialDefaultColWidth = 64;
constexpr int initialDefaultRowHeight = 24;
constexpr QAbstractItemView::EditTriggers editingTriggers =
    QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
    QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed;

QString joinCaption(TCaptionType type, const QString& caption, const QString& cell) {
    const QString lineBreak(QChar(13));
    switch (type) {
    case TCaptionType::ctCaption:
        return caption.isEmpty() ? cell : caption;
    case TCaptionType::ctCellText:
        return cell.isEmpty() ? caption : cell;
    case TCaptionType::ctHeader:
        return caption + cell;
    case TCaptionType::ctFooter:
        return cell + caption;
    case TCaptionType::ctTop:
        return caption + lineBreak + cell;
    case TCaptionType::ctBottom:
        return cell + lineBreak + caption;
    }
    return cell;
}

int textX(TAlignment alignment, const QRect& rect, int textWidth) {
    switch (alignment) {
    case TAlignment::taLeftJustify:
        break;
    case TAlignment::taRightJustify:
        return rect.left() + rect.width() - textWidth - 2;
    case TAlignment::taCenter:
        return rect.left() + (rect.width() - textWidth) / 2;
    }
    return rect.left() + 2;
}

// The top of a line's text; lineHeight is the share of the cell each line
// gets, which the last line may exceed by the rest of the division.
int textY(TTextLayout layout, const QRect& lineRect, int lineHeight, int textHeight) {
    switch (layout) {
    case TTextLayout::tlTop:
        break;
    case TTextLayout::tlCenter:
        return lineRect.top() + (lineHeight - textHeight) / 2 + 1;
    case TTextLayout::tlBottom:
        return lineRect.top() + lineRect.height() - textHeight - 1;
    }
    return lineRect.top() + 2;
}

void resetSections(QHeaderView* header, int size) {
    header->setDefaultSectionSize(size);
    for (int i = 0; i < header->count(); ++i)
        header->resizeSection(i, size);
}

// Runs a cell parameter's handlers for the cell, column and row the current
// cell enters or leaves; taken by value, so that a handler that removes the
// parameter does not pull the others from under the call.
void fireCellMove(TStrColGrid& grid, TCellMoveEvent onCell, TCellMoveEvent onCol,
                  TCellMoveEvent onRow, int col, int row, bool colChanged, bool rowChanged) {
    if (onCell)
        onCell(grid, col, row);
    if (colChanged && onCol)
        onCol(grid, col, row);
    if (rowChanged && onRow)
        onRow(grid, col, row);
}

} // namespace

TStrColGrid::TStrColGrid(QWidget* parent)
    : QTableView(parent), model_(new StringTableModel(this)), cellParams_([this] { redraw(); }),
      fonts_([this] { redraw(); }), color_(colors::clWindow()), fixedColor_(colors::clBtnFace()),
      focusCellColor_(colors::clHighlight()), focusCellFontColor_(colors::clHighlightText()) {
    for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
        header->hide();
        header->setMinimumSectionSize(0);
    }
    setShowGrid(false);
    setCornerButtonEnabled(false);
    setSizeAdjustPolicy(AdjustToContents);
    setItemDelegate(new CellDelegate(*this));
    model_->setColumnCount(initialColCount);
    model_->setRowCount(initialRowCount);
    model_->setFixed(initialFixed, initialFixed);
    setModel(model_);
    setDefaultColWidth(initialDefaultColWidth);
    setDefaultRowHeight(initialDefaultRowHeight);
    setColor(color_);
    setCtl3D(ctl3D_);
    applyCellSettings(nullptr);
    setCurrentIndex(model_->index(row_, col_));
}

int TStrColGrid::ColCount() const {
    return model_->columnCount();
}

void TStrColGrid::setColCount(int value) {
    if (value < 1)
        throw std::invalid_argument("Grid index out of range");
    if (value <= FixedCols())
        model_->setFixed(value - 1, FixedRows());
    model_->setColumnCount(value);
    keepCurrentCellMovable();
}

int TStrColGrid::RowCount() const {
    return model_->rowCount();
}

void TStrColGrid::setRowCount(int value) {
    if (value < 1)
        throw std::invalid_argument("Grid index out of range");
    if (value <= FixedRows())
        model_->setFixed(FixedCols(), value - 1);
    model_->setRowCount(value);
    keepCurrentCellMovable();
}

int TStrColGrid::FixedCols() const {
    return model_->fixedCols();
}

void TStrColGrid::setFixedCols(int value) {
    if (value < 0 || value >= ColCount())
        throw std::invalid_argument("Fixed column count must be less than column count");
    model_->setFixed(value, FixedRows());
    keepCurrentCellMovable();
}

int TStrColGrid::FixedRows() const {
    return model_->fixedRows();
}

void TStrColGrid::setFixedRows(int value) {
    if (value < 0 || value >= RowCount())
        throw std::invalid_argument("Fixed row count must be less than row count");
    model_->setFixed(FixedCols(), value);
    keepCurrentCellMovable();
}

QString TStrColGrid::Cells(int ACol, int ARow) const {
    checkCell(ACol, ARow);
    return model_->cell(ACol, ARow);
}

void TStrColGrid::setCells(int ACol, int ARow, const QString& value) {
    checkCell(ACol, ARow);
    model_->setCell(ACol, ARow, value);
}

int TStrColGrid::Col() const {
    return currentIndex().column();
}

void TStrColGrid::setCol(int value) {
    if (value < FixedCols() || value >= ColCount())
        throw std::out_of_range("Grid index out of range");
    setCurrentIndex(model_->index(Row(), value));
}

int TStrColGrid::Row() const {
    return currentIndex().row();
}

void TStrColGrid::setRow(int value) {
    if (value < FixedRows() || value >= RowCount())
        throw std::out_of_range("Grid index out of range");
    setCurrentIndex(model_->index(value, Col()));
}

int TStrColGrid::ColWidths(int index) const {
    return columnWidth(index);
}

void TStrColGrid::setColWidths(int index, int value) {
    setColumnWidth(index, value);
}

int TStrColGrid::RowHeights(int index) const {
    return rowHeight(index);
}

void TStrColGrid::setRowHeights(int index, int value) {
    setRowHeight(index, value);
}

int TStrColGrid::DefaultColWidth() const {
    return horizontalHeader()->defaultSectionSize();
}

void TStrColGrid::setDefaultColWidth(int value) {
    resetSections(horizontalHeader(), value);
}

int TStrColGrid::DefaultRowHeight() const {
    return verticalHeader()->defaultSectionSize();
}

void TStrColGrid::setDefaultRowHeight(int value) {
    resetSections(verticalHeader(), value);
}

void TStrColGrid::setColor(const QColor& value) {
    color_ = value;
    QPalette colored = palette();
    colored.setColor(QPalette::Base, value);
    setPalette(colored);
    redraw();
}

void TStrColGrid::setFixedColor(const QColor& value) {
    fixedColor_ = value;
    redraw();
}

void TStrColGrid::setCtl3D(bool value) {
    ctl3D_ = value;
    setFrameStyle(value ? QFrame::StyledPanel | QFrame::Sunken : QFrame::Box | QFrame::Plain);
    redraw();
}

void TStrColGrid::setOptions(TGridOptions value) {
    options_ = value;
    refreshCurrentCell();
    QItemSelectionModel::SelectionFlags select = QItemSelectionModel::ClearAndSelect;
    if (selectionBehavior() == SelectRows)
        select |= QItemSelectionModel::Rows;
    selectionModel()->select(currentIndex(), select);
    redraw();
}

void TStrColGrid::setAlignment(TAlignment value) {
    alignment_ = value;
    redraw();
}

void TStrColGrid::setFixedAlignment(TAlignment value) {
    fixedAlignment_ = value;
    redraw();
}

void TStrColGrid::setLayout(TTextLayout value) {
    layout_ = value;
    redraw();
}

void TStrColGrid::setFixedLayout(TTextLayout value) {
    fixedLayout_ = value;
    redraw();
}

void TStrColGrid::setFocusDraw(bool value) {
    focusDraw_ = value;
    redraw();
}

void TStrColGrid::setFocusCellColor(const QColor& value) {
    focusCellColor_ = value;
    redraw();
}

void TStrColGrid::setFocusCellFontColor(const QColor& value) {
    focusCellFontColor_ = value;
    redraw();
}

void TStrColGrid::setFocusCellFontColorEnabled(bool value) {
    focusCellFontColorEnabled_ = value;
    redraw();
}

void TStrColGrid::setImeMode(TImeMode value) {
    imeMode_ = value;
    refreshCurrentCell();
}

TSCGCellParam* TStrColGrid::CellParam(int ACol, int ARow, bool ACreate) {
    if (TSCGCellParam* found = cellParams_.Find(ACol, ARow))
        return found;
    if (!ACreate)
        return nullptr;
    TSCGCellParam& param = cellParams_.Add();
    param.setCol(ACol);
    param.setRow(ARow);
    param.setCaption(QString());
    param.setFontColor(palette().color(QPalette::Text));
    param.setCellColor(model_->isFixed(ACol, ARow) ? fixedColor_ : color_);
    param.setCellColorEnabled(true);
    param.setFontColorEnabled(true);
    return &param;
}

void TStrColGrid::paintEvent(QPaintEvent* event) {
    emit BeforeDraw();
    QTableView::paintEvent(event);
}

void TStrColGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    redraw();
    if (current.isValid())
        moveCurrent(current.column(), current.row());
    applyImeMode();
}

void TStrColGrid::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    applyImeMode();
}

// The cell editor follows the grid's font unless a cell parameter names one.
void TStrColGrid::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        refreshCurrentCell();
}

// A click outside the movable cells leaves the selection alone, and a click
// never takes a cell out of the selection: the current cell stays selected.
QItemSelectionModel::SelectionFlags TStrColGrid::selectionCommand(const QModelIndex& index,
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

void TStrColGrid::paintCell(QPainter& painter, const QRect& section, const QModelIndex& index) {
    const int col = index.column();
    const int row = index.row();
    const QRect cellRect =
        drawGridLines(painter, section, model_->isFixed(col, row), optionsFor(CellParam(col, row)));
    if (cellRect.isEmpty())
        return;
    const qreal ratio = painter.device()->devicePixelRatio();
    QImage image((QSizeF(cellRect.size()) * ratio).toSize(), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(color_);
    QPainter canvas(&image);
    canvas.translate(-cellRect.topLeft());
    canvas_ = &canvas;
    cellImage_ = &image;
    const auto drawn = qScopeGuard([this] {
        canvas_ = nullptr;
        cellImage_ = nullptr;
    });
    DrawCell(col, row, cellRect, drawState(index));
    canvas.end();
    painter.drawImage(cellRect.topLeft(), image);
}

// Draws the lines at the right and bottom edge of a cell that the options ask
// for and gives back the rest of the cell.
QRect TStrColGrid::drawGridLines(QPainter& painter, const QRect& section, bool fixed,
                                 TGridOptions options) const {
    const QColor line = fixed ? QColor(colors::clBlack) : QColor(colors::clSilver);
    QRect cell = section;
    if (options.testFlag(fixed ? goFixedVertLine : goVertLine)) {
        painter.fillRect(section.right(), section.top(), 1, section.height(), line);
        cell.setRight(section.right() - 1);
    }
    if (options.testFlag(fixed ? goFixedHorzLine : goHorzLine)) {
        painter.fillRect(section.left(), section.bottom(), section.width(), 1, line);
        cell.setBottom(section.bottom() - 1);
    }
    return cell;
}

TGridDrawState TStrColGrid::drawState(const QModelIndex& index) const {
    if (model_->isFixed(index.column(), index.row()))
        return gdFixed;
    TGridDrawState state;
    if (selectionModel()->isSelected(index))
        state |= gdSelected;
    if (index == currentIndex())
        state |= gdFocused;
    return state;
}

TGridOptions TStrColGrid::optionsFor(const TSCGCellParam* param) const {
    return param && param->OptionsEnabled() ? param->Options() : options_;
}

bool TStrColGrid::isHighlighted(TGridDrawState state, TGridOptions options) const {
    if (!state.testFlag(gdSelected) || !(hasFocus() || focusDraw_))
        return false;
    return !state.testFlag(gdFocused) || options.testFlag(goRowSelect) ||
           options.testFlag(goDrawFocusSelected);
}

void TStrColGrid::DrawCell(int ACol, int ARow, const QRect& ARect, TGridDrawState AState) {
    const TSCGCellParam* param = CellParam(ACol, ARow);
    const TGridOptions options = optionsFor(param);
    const bool fixed = AState.testFlag(gdFixed);
    prepareCanvas(param, fixed, isHighlighted(AState, options));
    const CellText text = cellText(param, ACol, ARow, ARect);
    canvas_->fillRect(ARect, canvas_->brush());
    drawTextLines(text, param, ACol, ARow, ARect, AState, options);
    if (OnDrawCell)
        OnDrawCell(*this, ACol, ARow, ARect, AState);
    if (param && param->OnDrawCell)
        param->OnDrawCell(*this, ACol, ARow, ARect, AState);
    drawFocusMark(param, ACol, ARow, ARect, AState, options);
    if (fixed && ctl3D_)
        drawRaisedFrame(ARect);
}

// The canvas of a cell: its background as the brush, its text colour as the
// pen, its font; a cell parameter's settings where they are enabled, and the
// focus colours for a highlighted cell.
void TStrColGrid::prepareCanvas(const TSCGCellParam* param, bool fixed, bool highlighted) {
    QBrush brush(fixed ? fixedColor_ : color_);
    QColor textColor = palette().color(QPalette::Text);
    QFont textFont = font();
    if (param) {
        if (param->CellColorEnabled())
            brush = param->CellColor();
        if (param->BrushEnabled())
            brush = param->Brush();
        if (param->FontColorEnabled())
            textColor = param->FontColor();
        if (const QFont* named = fonts_.Find(param->FontName()))
            textFont = *named;
    }
    if (highlighted) {
        brush = focusCellColor_;
        if (focusCellFontColorEnabled_)
            textColor = focusCellFontColor_;
    }
    canvas_->setBrush(brush);
    canvas_->setPen(textColor);
    canvas_->setFont(textFont);
}

TStrColGrid::CellText TStrColGrid::cellText(const TSCGCellParam* param, int ACol, int ARow,
                                            const QRect& ARect) {
    const QString cell = model_->cell(ACol, ARow);
    if (!param) {
        const bool fixed = model_->isFixed(ACol, ARow);
        CellText text{cell, fixed ? fixedAlignment_ : alignment_, fixed ? fixedLayout_ : layout_,
                      1};
        outCellText(OnOutCellText, ARect, ACol, ARow, QString(), text.text);
        return text;
    }
    CellText text{joinCaption(param->CaptionType(), param->Caption(), cell), param->Alignment(),
                  param->Layout(), std::max(1, param->FontWidth())};
    outCellText(param->OnOutCellText, ARect, ACol, ARow, param->Caption(), text.text);
    return text;
}

// Lets the handler replace the text; the canvas stays as the handler leaves
// it unless the handler clears doCanvasReset, which puts it back.
void TStrColGrid::outCellText(const TOutCellTextEvent& handler, const QRect& ARect, int ACol,
                              int ARow, const QString& caption, QString& text) {
    if (!handler)
        return;
    const QBrush brush = canvas_->brush();
    const QPen pen = canvas_->pen();
    const QFont textFont = canvas_->font();
    bool doCanvasReset = true;
    handler(*this, ARect, ACol, ARow, caption, text, doCanvasReset);
    if (doCanvasReset)
        return;
    canvas_->setBrush(brush);
    canvas_->setPen(pen);
    canvas_->setFont(textFont);
}

// The text is split at line breaks, each line getting an equal share of the
// cell's height (the last one the rest too).
void TStrColGrid::drawTextLines(const CellText& text, const TSCGCellParam* param, int ACol,
                                int ARow, const QRect& ARect, TGridDrawState AState,
                                TGridOptions options) {
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    const QStringList lines = text.text.split(lineBreak);
    const int count = int(lines.size());
    const int lineHeight = ARect.height() / count;
    for (int i = 0; i < count; ++i) {
        const int top = ARect.top() + i * lineHeight;
        const int bottom = i == count - 1 ? ARect.top() + ARect.height() : top + lineHeight;
        const QRect lineRect(ARect.left(), top, ARect.width(), bottom - top);
        QString line = lines[i];
        TAlignment alignment = text.alignment;
        TTextLayout layout = text.layout;
        bool innerHorzLine = options.testFlag(goHorzLine);
        const TDrawTextOneLineEvent* handlers[] = {&OnDrawTextOneLine,
                                                   param ? &param->OnDrawTextOneLine : nullptr};
        for (const TDrawTextOneLineEvent* handler : handlers)
            if (handler && *handler)
                (*handler)(*this, lineRect, ACol, ARow, i, AState, line, alignment, layout,
                           innerHorzLine);
        drawTextLine(line, alignment, layout, lineRect, lineHeight, text.repeat);
        if (innerHorzLine)
            drawInnerLines(lineRect, i, count, AState.testFlag(gdFixed));
    }
}

// Draws the line repeat times, each a pixel further right, clipped to its
// part of the cell.
void TStrColGrid::drawTextLine(const QString& text, TAlignment alignment, TTextLayout layout,
                               const QRect& lineRect, int lineHeight, int repeat) {
    const QFontMetrics metrics = canvas_->fontMetrics();
    const int x = textX(alignment, lineRect, metrics.horizontalAdvance(text));
    const int baseline = textY(layout, lineRect, lineHeight, metrics.height()) + metrics.ascent();
    canvas_->save();
    canvas_->setClipRect(lineRect, Qt::IntersectClip);
    for (int i = 0; i < repeat; ++i)
        canvas_->drawText(QPoint(x + i, baseline), text);
    canvas_->restore();
}

// A line above every text line but the first and, in a title cell, a shadow
// below every text line but the last.
void TStrColGrid::drawInnerLines(const QRect& lineRect, int index, int count, bool fixed) {
    const QColor above = fixed && ctl3D_ ? colors::clBtnHighlight() : QColor(colors::clSilver);
    if (index > 0)
        canvas_->fillRect(lineRect.left(), lineRect.top(), lineRect.width(), 1, above);
    if (fixed && index < count - 1)
        canvas_->fillRect(lineRect.left(), lineRect.bottom(), lineRect.width(), 1,
                          colors::clBtnShadow());
}

// The dotted focus mark, while the grid has the focus: around the current
// cell, or around the current row with row selection, where the first and
// last cells of the row (or of a parameter's column range) carry its ends.
void TStrColGrid::drawFocusMark(const TSCGCellParam* param, int ACol, int ARow, const QRect& ARect,
                                TGridDrawState AState, TGridOptions options) {
    if (!hasFocus() || AState.testFlag(gdFixed))
        return;
    DottedEdges edges = deLeft | deTop | deRight | deBottom;
    if (options.testFlag(goRowSelect)) {
        if (ARow != Row())
            return;
        const bool range = param && param->RangeEnabled();
        edges = deTop | deBottom;
        if (ACol == FixedCols() || (range && ACol == param->Col()))
            edges |= deLeft;
        if (ACol == ColCount() - 1 || (range && ACol == param->ColMax()))
            edges |= deRight;
    } else if (!AState.testFlag(gdFocused)) {
        return;
    }
    const qreal ratio = cellImage_->devicePixelRatio();
    drawDottedFrame(*cellImage_, cellImage_->rect(), edges,
                    (QPointF(ARect.topLeft()) * ratio).toPoint());
}

void TStrColGrid::drawRaisedFrame(const QRect& ARect) {
    const QColor light = colors::clBtnHighlight();
    const QColor grey(colors::clGray);
    canvas_->fillRect(ARect.left(), ARect.top(), ARect.width(), 1, light);
    canvas_->fillRect(ARect.left(), ARect.top(), 1, ARect.height(), light);
    canvas_->fillRect(ARect.left(), ARect.bottom(), ARect.width(), 1, grey);
    canvas_->fillRect(ARect.right(), ARect.top(), 1, ARect.height(), grey);
}

// The current cell's parameter settles the input method, the editor's font
// and the options in force; then the moves are reported, first to the
// parameters of the cells left and entered, then through the grid's signals.
void TStrColGrid::moveCurrent(int col, int row) {
    applyCellSettings(CellParam(col, row));
    if (col == col_ && row == row_)
        return;
    const int oldCol = col_;
    const int oldRow = row_;
    col_ = col;
    row_ = row;
    const bool colChanged = col != oldCol;
    const bool rowChanged = row != oldRow;
    if (const TSCGCellParam* left = CellParam(oldCol, oldRow))
        fireCellMove(*this, left->OnLeaveCell, left->OnLeaveCol, left->OnLeaveRow, oldCol, oldRow,
                     colChanged, rowChanged);
    if (const TSCGCellParam* entered = CellParam(col, row))
        fireCellMove(*this, entered->OnEnterCell, entered->OnEnterCol, entered->OnEnterRow, col,
                     row, colChanged, rowChanged);
    emit OnCellChanged(oldCol, oldRow, col, row);
    if (colChanged)
        emit OnColChanged(oldCol, col);
    if (rowChanged)
        emit OnRowChanged(oldRow, row);
}

void TStrColGrid::applyCellSettings(const TSCGCellParam* param) {
    activeImeMode_ = param && param->ImeModeEnabled() ? param->ImeMode() : imeMode_;
    const QFont* named = param ? fonts_.Find(param->FontName()) : nullptr;
    editorFont_ = named ? *named : font();
    const TGridOptions options = optionsFor(param);
    model_->setEditable(options.testFlag(goEditing));
    setSelectionBehavior(options.testFlag(goRowSelect) ? SelectRows : SelectItems);
    setSelectionMode(options.testFlag(goRangeSelect) ? ContiguousSelection : SingleSelection);
    setEditTriggers(options.testFlag(goEditing) ? editingTriggers : NoEditTriggers);
    setTabKeyNavigation(options.testFlag(goTabs));
}

// The input method is on only while the current cell can be edited, and
// never in mode imDisable.
void TStrColGrid::applyImeMode() {
    const bool editable = currentIndex().flags() & Qt::ItemIsEditable;
    setAttribute(Qt::WA_InputMethodEnabled, editable && activeImeMode_ != TImeMode::imDisable);
}

void TStrColGrid::refreshCurrentCell() {
    applyCellSettings(CellParam(Col(), Row()));
    applyImeMode();
}

// Moves the current cell back into the movable part of the grid after the
// grid's size or its title rows and columns changed.
void TStrColGrid::keepCurrentCellMovable() {
    const QModelIndex current = currentIndex();
    const int col =
        std::clamp(current.isValid() ? current.column() : col_, FixedCols(), ColCount() - 1);
    const int row =
        std::clamp(current.isValid() ? current.row() : row_, FixedRows(), RowCount() - 1);
    if (current != model_->index(row, col))
        setCurrentIndex(model_->index(row, col));
    redraw();
}

void TStrColGrid::checkCell(int ACol, int ARow) const {
    if (ACol < 0 || ARow < 0)
        throw std::out_of_range("Grid index out of range");
}

void TStrColGrid::redraw() {
    viewport()->update();
}

} // namespace quillon::widgets
