#include "widgets/StringGridEx.h"

#include "widgets/DisplayMask.h"
#include "widgets/EditTyping.h"
#include "widgets/InplaceEditEx.h"
#include "widgets/StringTableModel.h"

#include <QKeyEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <algorithm>

namespace quillon::widgets {

namespace {

constexpr int initialColCount = 4;
constexpr int initialDefaultRowHeight = 20;
// How far a cell's text keeps from its edges.
constexpr int fixedTextInset = 3;
constexpr int normalTextInset = 2;

} // namespace

// Hands the drawing of the cells, the making of the cell editor and the
// moving of text between editor and cell to the grid.
class TStringGridEx::CellDelegate : public QStyledItemDelegate {
public:
    explicit CellDelegate(TStringGridEx& grid) : QStyledItemDelegate(&grid), grid_(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        grid_.paintCell(*painter, option.rect, index);
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex&) const override {
        return grid_.createEditor(parent);
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        grid_.startEditing(static_cast<TInplaceEditEx&>(*editor), index);
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        const QString text = static_cast<TInplaceEditEx*>(editor)->toPlainText();
        model->setData(index, grid_.takenFromEditor(index.column(), text), Qt::EditRole);
    }

    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex&) const override {
        editor->setGeometry(cellInterior(option.rect, false, grid_.Options()));
    }

protected:
    // Enter and Tab are the editor's to handle, whatever the toolkit's
    // default for text editors.
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            switch (static_cast<QKeyEvent*>(event)->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Tab:
            case Qt::Key_Backtab:
                return false;
            default:
                break;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    TStringGridEx& grid_;
};

TStringGridEx::TStringGridEx(QWidget* parent)
    : TStringGrid(parent), columns_([this] { columnsChanged(); }, Color(), font()),
      stripeColor_(Color()) {
    setItemDelegate(new CellDelegate(*this));
    setDefaultRowHeight(initialDefaultRowHeight);
    setColCount(initialColCount);
}

void TStringGridEx::setGridStyle(TGridStyle value) {
    gridStyle_ = value;
    redraw();
}

void TStringGridEx::setStripeColor(const QColor& value) {
    stripeColor_ = value;
    redraw();
}

QColor TStringGridEx::CellColor(int ACol, int ARow) const {
    if (gridStyle_ == TGridStyle::gsStriped)
        return ARow % 2 == 0 ? stripeColor_ : Color();
    const TGridColumn* settings = column(ACol);
    return settings ? settings->Color() : Color();
}

QString TStringGridEx::ShownText(int ACol, int ARow) const {
    const QString text = cellModel().cell(ACol, ARow);
    const TGridColumn* settings = column(ACol);
    if (!settings)
        return text;
    if (!cellModel().isFixed(ACol, ARow))
        return applyDisplayMask(text, settings->DisplayMask());
    return text.isEmpty() && ARow == 0 ? settings->Caption() : text;
}

void TStringGridEx::DrawCell(QPainter& ACanvas, int ACol, int ARow, const QRect& ARect,
                             TGridDrawState AState) {
    const TGridColumn* settings = column(ACol);
    const bool fixed = AState.testFlag(gdFixed);
    const QString text = ShownText(ACol, ARow);
    ACanvas.fillRect(ARect, fixed ? FixedColor() : CellColor(ACol, ARow));
    int flags = Qt::AlignTop | Qt::TextShowMnemonic;
    if (!settings)
        ACanvas.setFont(font());
    else
        ACanvas.setFont(fixed ? settings->FixCellFont() : settings->Font());
    if (settings) {
        flags |= toQtAlignment(settings->Alignment()) & Qt::AlignHorizontal_Mask;
        if (settings->Wordwrap())
            flags |= Qt::TextWordWrap;
        if (showsTextLiterally(settings->DisplayMask()))
            flags &= ~Qt::TextShowMnemonic;
    }
    const int inset = fixed ? fixedTextInset : normalTextInset;
    ACanvas.setPen(palette().color(QPalette::Text));
    ACanvas.drawText(ARect.adjusted(inset, inset, -inset, -inset), flags, text);
    if (fixed && Ctl3D())
        drawRaisedFrame(ACanvas, ARect);
    if (AState.testFlag(gdFocused) && hasFocus()) {
        ACanvas.setPen(QPen(palette().color(QPalette::Text), 1, Qt::DotLine));
        ACanvas.setBrush(Qt::NoBrush);
        ACanvas.drawRect(ARect.adjusted(0, 0, -1, -1));
    }
}

TInplaceEditEx* TStringGridEx::InplaceEditor() const {
    return editor_;
}

bool TStringGridEx::CanEditAcceptKey(QChar AKey) const {
    const TGridColumn* settings = column(editor_ ? editCol_ : Col());
    return !settings || acceptsEditKey(settings->DataType(), AKey);
}

bool TStringGridEx::CanEditCell(int ACol, int) const {
    const TGridColumn* settings = column(ACol);
    return !settings || settings->CanEdit();
}

void TStringGridEx::SizeChanged(int OldColCount, int) {
    if (ColCount() != OldColCount)
        followColumnCount();
}

// Opens the editor only in a column that can be edited, and by typing only
// with a key the column accepts.
bool TStringGridEx::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (index.isValid() && !CanEditCell(index.column(), index.row()))
        return false;
    if (trigger == AnyKeyPressed && event && event->type() == QEvent::KeyPress) {
        const QString typed = static_cast<QKeyEvent*>(event)->text();
        if (!std::all_of(typed.begin(), typed.end(),
                         [this](QChar c) { return CanEditAcceptKey(c); }))
            return false;
    }
    const TGridColumn* settings = index.isValid() ? column(index.column()) : nullptr;
    caretAtEnd_ = trigger == EditKeyPressed && settings && settings->MultiLine();
    const bool editing = TStringGrid::edit(index, trigger, event);
    caretAtEnd_ = false;
    return editing;
}

// Enter opens the editor of a multi-line cell and otherwise moves on to the
// next cell, as the right arrow does.
void TStringGridEx::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        TStringGrid::keyPressEvent(event);
        return;
    }
    const TGridColumn* settings = column(Col());
    if (settings && settings->MultiLine()) {
        edit(currentIndex(), EditKeyPressed, nullptr);
        event->accept();
        return;
    }
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, event->modifiers() & ~Qt::KeypadModifier);
    TStringGrid::keyPressEvent(&right);
    event->setAccepted(right.isAccepted());
}

// Typing never jumps to a cell that starts with what was typed.
void TStringGridEx::keyboardSearch(const QString&) {}

// Columns without a colour or font of their own follow the grid's.
void TStringGridEx::changeEvent(QEvent* event) {
    TStringGrid::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange) {
        columns_.followGrid(Color(), font());
        redraw();
    }
}

// Escape after the text was changed reports the cell's own text again, so
// that whoever followed the editing can put back what it showed.
void TStringGridEx::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    const bool revertsChange =
        hint == QAbstractItemDelegate::RevertModelCache && editor == editor_ && edited_;
    const int col = editCol_;
    const int row = editRow_;
    if (editor == editor_) {
        editor_ = nullptr;
        edited_ = false;
    }
    TStringGrid::closeEditor(editor, hint);
    if (revertsChange)
        emit OnSetEditText(col, row, cellModel().cell(col, row));
}

void TStringGridEx::paintCell(QPainter& painter, const QRect& section, const QModelIndex& index) {
    const int col = index.column();
    const int row = index.row();
    const QRect rect = drawGridLines(painter, section, cellModel().isFixed(col, row), Options());
    if (!rect.isEmpty())
        DrawCell(painter, col, row, rect, drawState(index));
}

TInplaceEditEx* TStringGridEx::createEditor(QWidget* parent) {
    auto* editor = new TInplaceEditEx(*this, parent);
    connect(editor, &QPlainTextEdit::textChanged, this, [this, editor] {
        if (editor == editor_)
            editorTextChanged();
    });
    editor_ = editor;
    return editor;
}

// The editor takes the column's settings, the cell's colour and the cell's
// text, all of it selected or, when F2 or Enter opened a multi-line cell, the
// caret after it; beyond the columns with settings, the grid's font and the
// input method closed.
void TStringGridEx::startEditing(TInplaceEditEx& editor, const QModelIndex& index) {
    const int col = index.column();
    const int row = index.row();
    if (const TGridColumn* settings = column(col)) {
        editor.setImeMode(settings->ImeMode());
        editor.setFont(settings->Font());
        editor.setMultiLine(settings->MultiLine());
        editor.setWordWrap(settings->Wordwrap());
    } else {
        editor.setImeMode(TImeMode::imClose);
        editor.setFont(font());
        editor.setMultiLine(false);
        editor.setWordWrap(false);
    }
    QPalette colored = editor.palette();
    colored.setColor(QPalette::Base, CellColor(col, row));
    editor.setPalette(colored);
    {
        const QSignalBlocker quiet(editor);
        editor.setPlainText(cellModel().cell(col, row));
    }
    if (caretAtEnd_)
        editor.moveCursor(QTextCursor::End);
    else
        editor.selectAll();
    editCol_ = col;
    editRow_ = row;
    edited_ = false;
}

QString TStringGridEx::takenFromEditor(int ACol, const QString& text) const {
    const TGridColumn* settings = column(ACol);
    return settings ? cellTextFromEditor(settings->DataType(), text) : text;
}

void TStringGridEx::editorTextChanged() {
    edited_ = true;
    emit OnSetEditText(editCol_, editRow_, takenFromEditor(editCol_, editor_->toPlainText()));
}

QAbstractItemView::CursorAction TStringGridEx::cursorAction(int key) {
    switch (key) {
    case Qt::Key_Left:
        return MoveLeft;
    case Qt::Key_Right:
        return MoveRight;
    case Qt::Key_Up:
        return MoveUp;
    case Qt::Key_Down:
        return MoveDown;
    case Qt::Key_PageUp:
        return MovePageUp;
    case Qt::Key_PageDown:
        return MovePageDown;
    case Qt::Key_Backtab:
        return MovePrevious;
    default:
        break;
    }
    return MoveNext;
}

// Leaves the cell being edited for the one the key moves to, which ends
// editing there; where there is no cell to move to, editing just ends.
void TStringGridEx::moveFromEditor(int key) {
    const QModelIndex next = moveCursor(cursorAction(key), Qt::NoModifier);
    if (next.isValid() && next != currentIndex())
        selectionModel()->setCurrentIndex(next, selectOnly());
    else
        endEditing();
}

void TStringGridEx::tabFromEditor(bool forward) {
    if (tabKeyNavigation()) {
        moveFromEditor(forward ? Qt::Key_Tab : Qt::Key_Backtab);
        return;
    }
    endEditing();
    focusNextPrevChild(forward);
}

void TStringGridEx::endEditing() {
    if (TInplaceEditEx* editor = editor_) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void TStringGridEx::columnsChanged() {
    if (!followingColumnCount_ && columns_.Count() != ColCount()) {
        setColCount(std::max(1, columns_.Count()));
        // A grid keeps one column, and so one item, when all were deleted.
        followColumnCount();
    }
    redraw();
}

void TStringGridEx::followColumnCount() {
    followingColumnCount_ = true;
    while (columns_.Count() < ColCount())
        columns_.Add();
    while (columns_.Count() > ColCount())
        columns_.Delete(columns_.Count() - 1);
    followingColumnCount_ = false;
}

} // namespace quillon::widgets
