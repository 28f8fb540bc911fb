#pragma once

#include "LimitsStore.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <vector>

namespace tavrel {

class Deferred;

// Why a row is about to change, and whether the change may go ahead.
enum class ChangeReason { Delete, Update };
enum class ChangeStatus { Ok, Cancel };

// The fields of the row about to be stored or deleted, by column name
// (letter case aside). A change notification reads them and may change them
// before they are stored.
class GridRecord {
public:
    GridRecord(const QStringList& names, QVariantList& values)
        : names_(names)
        , values_(values) {}
    QVariant value(const QString& column) const;
    void setValue(const QString& column, const QVariant& value);

private:
    const QStringList& names_;
    QVariantList& values_;
};

// Called before a row is deleted or stored; may set the status to Cancel.
using WillChangeRecord = std::function<void(ChangeReason, GridRecord&, ChangeStatus&)>;

// The rows of one table that match a filter, editable in place, with an
// empty line at the end for a new row: the grid's view of a LimitsStore.
// Edits of a row stay pending until the row is stored (commitRow), which
// runs the change notification first; deleting a row asks the notification
// too. Nulls show as empty cells; an emptied number cell is null, an emptied
// text cell the empty text.
//
// Rows are stored and reloaded only from a handler or the event loop, never
// from inside a change of the model itself: a row left by the cursor is
// stored later, through the window's Deferred steps.
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    GridModel(LimitsStore& store, Deferred& deferred, QObject* parent = nullptr);

    // Shows the rows of selection, dropping what is pending (store it
    // first). When they cannot be read, the rows on screen stay, the
    // selection is not taken, and the result says why.
    StoreResult select(const RowSelection& selection);
    // Reads the shown rows again; rows with pending edits keep them.
    StoreResult reload();
    void clear();

    void setWillChangeRecord(WillChangeRecord handler) { willChange_ = std::move(handler); }
    // Called (through the Deferred steps) when a limit was refused because
    // its meet is gone: the window reloads its meets.
    void setMeetGone(std::function<void()> handler) { meetGone_ = std::move(handler); }
    void setCaption(int column, const QString& caption);
    void setCentred(int column, bool centred);

    // Stores a row's pending edits. A row the checks or the database refuse
    // gets its stored values back (a new row goes away); a row another
    // program holds the database for keeps its edits.
    void commitRow(int row);
    // Stores every pending row; false when one stays pending (the database
    // is busy: said once).
    bool commitAll();
    // Stores the row with this serial later, from the event loop.
    void commitLater(quint64 serial);
    bool hasPending() const;
    // Drops every pending edit; true when there was one.
    bool revertAll();
    // Deletes a row after the notification allowed it.
    bool deleteRow(int row);

    // The row index of the empty line for a new row: as many as are stored.
    int newRowLine() const { return int(rows_.size()); }
    // A row's serial, which stays with it while rows come and go; 0 for none.
    quint64 serialAt(int row) const;
    // True while rows are being added, removed or replaced: the view's
    // notices of a moved cursor are then no user's doing.
    bool isChanging() const { return changing_ > 0; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Row {
        quint64 serial = 0;
        qint64 rowid = -1; // -1: not stored yet
        QVariantList stored;
        QVariantList edited;
        bool dirty = false;
    };
    int indexOf(quint64 serial) const;
    void show(std::vector<Row> rows, const LoadedRows& loaded);
    Row fromStored(StoredRow stored);
    // Back to what is stored; a row never stored goes away.
    void revertRow(int row);
    // After a refusal: what the window does next.
    void answerRefusal(const StoreResult& result, bool deleting);

    LimitsStore& store_;
    Deferred& deferred_;
    RowSelection selection_;
    bool selected_ = false;
    QStringList names_;
    std::vector<bool> numeric_;
    std::vector<Row> rows_;
    quint64 nextSerial_ = 1;
    int changing_ = 0;
    QStringList captions_;
    std::vector<bool> centred_;
    WillChangeRecord willChange_;
    std::function<void()> meetGone_;
};

} // namespace tavrel
