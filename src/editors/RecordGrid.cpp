#include "RecordGrid.h"

#include "EditorControls.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyle>
#include <QStyledItemDelegate>

#include <algorithm>

namespace tavrel {

namespace {

// Cells edited as usual, except that Ctrl+Tab keeps what was typed and
// leaves the grid (a cell's own Tab handling would move to the next cell).
class CellDelegate : public QStyledItemDelegate {
public:
    CellDelegate(QObject* parent, std::function<void(bool)> leave)
        : QStyledItemDelegate(parent)
        , leave_(std::move(leave)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            auto* editor = qobject_cast<QWidget*>(watched);
            if (editor && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
                (key->modifiers() & Qt::ControlModifier)) {
                Q_EMIT commitData(editor);
                Q_EMIT closeEditor(editor, QAbstractItemDelegate::NoHint);
                leave_(key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier));
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(watched, event);
    }

private:
    std::function<void(bool)> leave_;
};

} // namespace

RecordGrid::RecordGrid(LimitsStore& store, Deferred& deferred, QWidget* parent)
    : QTableView(parent)
    , model_(store, deferred) {
    setModel(&model_);
    setItemDelegate(new CellDelegate(this, [this](bool forward) { leave(forward); }));
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // No editor opens by merely moving to a cell, so Delete there deletes the row.
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    setTabKeyNavigation(true); // Tab walks every cell, row after row
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            &RecordGrid::onCurrentChanged);
}

void RecordGrid::showColumns(int firstShown, const QStringList& captions, int widthTwips) {
    show();
    for (int c = 0; c < firstShown; ++c)
        setColumnHidden(c, true);
    for (int i = 0; i < captions.size(); ++i) {
        const int column = firstShown + i;
        model_.setCaption(column, captions[i]);
        model_.setCentred(column, true);
        // Never narrower than its caption, whatever the font.
        const QHeaderView* header = horizontalHeader();
        const int margin =
            2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
        const int caption = header->fontMetrics().horizontalAdvance(captions[i]) + 2 * margin + 4;
        setColumnWidth(column, std::max(twips(widthTwips, this), caption));
    }
}

void RecordGrid::setVisible(bool visible) {
    const bool was = !isHidden();
    QTableView::setVisible(visible);
    if (was != visible)
        Q_EMIT shownChanged(visible);
}

// The row the cursor left is stored from the event loop, never from inside
// this notice: storing may remove or reload rows, which moves the cursor again.
void RecordGrid::onCurrentChanged(const QModelIndex& current, const QModelIndex& previous) {
    if (model_.isChanging() || !previous.isValid() || previous.row() == current.row())
        return;
    if (const quint64 serial = model_.serialAt(previous.row()))
        model_.commitLater(serial);
}

bool RecordGrid::commitPending() {
    if (state() == QAbstractItemView::EditingState) {
        for (QWidget* open : viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (open->isVisible()) {
                commitData(open);
                closeEditor(open, QAbstractItemDelegate::NoHint);
            }
    }
    return model_.commitAll();
}

void RecordGrid::dropOpenCell() {
    if (state() != QAbstractItemView::EditingState)
        return;
    for (QWidget* open : viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (open->isVisible())
            closeEditor(open, QAbstractItemDelegate::RevertModelCache);
}

QModelIndex RecordGrid::firstCell() const {
    for (int c = 0; c < model_.columnCount(); ++c)
        if (!isColumnHidden(c))
            return model_.index(0, c);
    return {};
}

QModelIndex RecordGrid::lastCell() const {
    for (int c = model_.columnCount() - 1; c >= 0; --c)
        if (!isColumnHidden(c))
            return model_.index(model_.rowCount() - 1, c);
    return {};
}

void RecordGrid::leave(bool forward) {
    QWidget::focusNextPrevChild(forward);
}

// Tab past the last cell and Shift+Tab before the first leave the grid
// instead of starting over at its other end.
QModelIndex RecordGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) {
    if ((cursorAction == MoveNext && currentIndex() == lastCell()) ||
        (cursorAction == MovePrevious && currentIndex() == firstCell()))
        return {};
    return QTableView::moveCursor(cursorAction, modifiers);
}

bool RecordGrid::focusNextPrevChild(bool next) {
    if (state() != QAbstractItemView::EditingState &&
        (!currentIndex().isValid() || currentIndex() == (next ? lastCell() : firstCell()))) {
        leave(next);
        return true;
    }
    return QTableView::focusNextPrevChild(next);
}

void RecordGrid::keyPressEvent(QKeyEvent* event) {
    const bool tab = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
    if (tab && (event->modifiers() & Qt::ControlModifier)) {
        leave(event->key() == Qt::Key_Tab && !(event->modifiers() & Qt::ShiftModifier));
        return;
    }
    if (state() == QAbstractItemView::EditingState) {
        QTableView::keyPressEvent(event);
        return;
    }
    if (event->key() == Qt::Key_Delete && currentIndex().isValid()) {
        model_.deleteRow(currentIndex().row());
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        event->ignore(); // the window undoes what is pending, or closes
        return;
    }
    QTableView::keyPressEvent(event);
}

} // namespace tavrel
