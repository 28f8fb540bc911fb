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

    // Column set-up: caption, centred, width in twips (1440 to the inch).
    void setUpColumn(int column, const QString& caption, int widthTwips);

    // Stores the current row's edits, as leaving the row does.
    bool commitPending();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void onCurrentChanged(const QModelIndex& current, const QModelIndex& previous);

    GridModel model_;
};

} // namespace tavrel
