#include "widgets/StrColGrid.h"

#include "widgets/Colors.h"
#include "widgets/DottedFrame.h"
#include "widgets/StringTableModel.h"

#include <QFocusEvent>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStyledItemDelegate>
#include <algorithm>

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
    : TStringGrid(parent), cellParams_([this] { redraw(); }), fonts_([this] { redraw(); }),
      focusCellColor_(colors::clHighlight()), focusCellFontColor_(colors::clHighlightText()) {
    setItemDelegate(new CellDelegate(*this));
    applyCellSettings(nullptr);
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
    param.setCellColor(cellModel().isFixed(ACol, ARow) ? FixedColor() : Color());
    param.setCellColorEnabled(true);
    param.setFontColorEnabled(true);
    return &param;
}

void TStrColGrid::paintEvent(QPaintEvent* event) {
    emit BeforeDraw();
    QTableView::paintEvent(event);
}

void TStrColGrid::OptionsChanged() {
    refreshCurrentCell();
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

void TStrColGrid::paintCell(QPainter& painter, const QRect& section, const QModelIndex& index) {
    const int col = index.column();
    const int row = index.row();
    const QRect cellRect = drawGridLines(painter, section, cellModel().isFixed(col, row),
                                         optionsFor(CellParam(col, row)));
    if (cellRect.isEmpty())
        return;
    const qreal ratio = painter.device()->devicePixelRatio();
    QImage image((QSizeF(cellRect.size()) * ratio).toSize(), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Color());
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

TGridOptions TStrColGrid::optionsFor(const TSCGCellParam* param) const {
    return param && param->OptionsEnabled() ? param->Options() : Options();
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
    if (fixed && Ctl3D())
        drawRaisedFrame(*canvas_, ARect);
}

// The canvas of a cell: its background as the brush, its text colour as the
// pen, its font; a cell parameter's settings where they are enabled, and the
// focus colours for a highlighted cell.
void TStrColGrid::prepareCanvas(const TSCGCellParam* param, bool fixed, bool highlighted) {
    QBrush brush(fixed ? FixedColor() : Color());
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

QString TStrColGrid::ShownText(int ACol, int ARow) const {
    return shownText(cellParams_.Find(ACol, ARow), cellModel().cell(ACol, ARow));
}

QString TStrColGrid::shownText(const TSCGCellParam* param, const QString& cell) {
    return param ? joinCaption(param->CaptionType(), param->Caption(), cell) : cell;
}

TStrColGrid::CellText TStrColGrid::cellText(const TSCGCellParam* param, int ACol, int ARow,
                                            const QRect& ARect) {
    const QString cell = cellModel().cell(ACol, ARow);
    if (!param) {
        const bool fixed = cellModel().isFixed(ACol, ARow);
        CellText text{cell, fixed ? fixedAlignment_ : alignment_, fixed ? fixedLayout_ : layout_,
                      1};
        outCellText(OnOutCellText, ARect, ACol, ARow, QString(), text.text);
        return text;
    }
    CellText text{shownText(param, cell), param->Alignment(), param->Layout(),
                  std::max(1, param->FontWidth())};
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
    const QColor above = fixed && Ctl3D() ? colors::clBtnHighlight() : QColor(colors::clSilver);
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
    applyOptions(optionsFor(param));
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

} // namespace quillon::widgets
