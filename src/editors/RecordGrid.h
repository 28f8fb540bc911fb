#pragma once

#include "GridModel.h"

#include <QTableView>

namespace tavrel {

// The data grid of both editors: a table of GridModel rows, edited in place,
// a row stored when another row becomes current, the selected row deleted
// with the Delete key, and an empty last line for a new row.
class RecordGrid : public QTableView {
    Q_OBJECT
public:
    explicit RecordGrid(QWidget* parent = nullptr);

    GridModel& model() { return model_; }

    // Shows the grid with its first columns hidden and the columns after
    // them captioned, centred and widthTwips wide (1440 twips to the inch).
    void showColumns(int firstShown, const QStringList& captions, int widthTwips);

    // Stores the current row's edits, as leaving the row does.
    bool commitPending();

    void setVisible(bool visible) override;

Q_SIGNALS:
    // The grid was shown or hidden (the filter became complete or not).
    void shownChanged(bool shown);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void onCurrentChanged(const QModelIndex& current, const QModelIndex& previous);

    GridModel model_;
};

} // namespace tavrel
