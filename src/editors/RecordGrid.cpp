#include "RecordGrid.h"

#include "EditorControls.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>

#include <algorithm>

namespace tavrel {

RecordGrid::RecordGrid(QWidget* parent)
    : QTableView(parent) {
    setModel(&model_);
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

void RecordGrid::onCurrentChanged(const QModelIndex& current, const QModelIndex& previous) {
    if (previous.isValid() && previous.row() != current.row())
        model_.commitRow(previous.row());
}

bool RecordGrid::commitPending() {
    // An open cell editor hands its text to the row first.
    if (state() == QAbstractItemView::EditingState) {
        for (QWidget* editor : viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (editor->isVisible()) {
                commitData(editor);
                closeEditor(editor, QAbstractItemDelegate::NoHint);
            }
        }
    }
    return model_.commitAll();
}

void RecordGrid::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && state() != QAbstractItemView::EditingState &&
        currentIndex().isValid()) {
        model_.deleteRow(currentIndex().row());
        return;
    }
    QTableView::keyPressEvent(event);
}

} // namespace tavrel
