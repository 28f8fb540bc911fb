#pragma once

#include "GridModel.h"

#include <QTableView>

namespace tavrel {

// The data grid of both editors: a table of GridModel rows, edited in place,
// a row stored once another row has become current, the selected row
// deleted with the Delete key, and an empty last line for a new row. Tab
// walks the cells row after row and leaves the grid after the last one;
// Shift+Tab leaves it before the first, Ctrl+Tab at once. Escape in a cell
// drops what was typed there; Escape outside a cell is the window's.
class RecordGrid : public QTableView {
    Q_OBJECT
public:
    RecordGrid(LimitsStore& store, Deferred& deferred, QWidget* parent = nullptr);

    GridModel& model() { return model_; }

    // Shows the grid with its first columns hidden and the columns after
    // them captioned, centred and widthTwips wide (1440 twips to the inch).
    void showColumns(int firstShown, const QStringList& captions, int widthTwips);

    // Hands an open cell's text to its row, then stores every pending row;
    // false when a row stays pending (the database is busy).
    bool commitPending();
    // Closes an open cell without taking its text.
    void dropOpenCell();

    void setVisible(bool visible) override;

Q_SIGNALS:
    // The grid was shown or hidden (the filter became complete or not).
    void shownChanged(bool shown);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;

private:
    void onCurrentChanged(const QModelIndex& current, const QModelIndex& previous);
    QModelIndex firstCell() const;
    QModelIndex lastCell() const;
    // Gives the focus to the control before or after the grid.
    void leave(bool forward);

    GridModel model_;
};

} // namespace tavrel
