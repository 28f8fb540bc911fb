#pragma once

#include "common/ErrorReport.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <vector>

namespace tavrel {

class Connection;

// Why a row is about to change, and whether the change may go ahead.
enum class ChangeReason { Delete, Update };
enum class ChangeStatus { Ok, Cancel };

// The fields of the row about to be stored or deleted. A change notification
// reads them and may change them before they are stored.
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
// empty line at the end for a new row. Edits of a row are kept until the row
// is stored (commitRow), which runs the change notification first; deleting
// a row asks the notification too. Nulls show as empty cells; an emptied
// number cell is null, an emptied text cell the empty text.
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(QObject* parent = nullptr);

    // "SELECT * FROM table WHERE where ORDER BY orderBy" with values bound to
    // the marks of where. False (and no rows) when the database refuses it;
    // the error report has then been shown.
    bool select(Connection& connection, const QString& table, const QString& where,
                const QVariantList& values, const QString& orderBy);
    // Reads the same rows again, dropping pending edits.
    bool reload();
    void clear();

    void setWillChangeRecord(WillChangeRecord handler) { willChange_ = std::move(handler); }
    void setCaption(int column, const QString& caption);
    void setCentred(int column, bool centred);

    // Stores the row's pending edits; true when there was nothing to store
    // or it was stored. A refused or failed row gets its stored values back
    // (a new row goes away).
    bool commitRow(int row);
    bool commitAll();
    // Deletes a row after the notification allowed it.
    bool deleteRow(int row);
    // The row index of the empty line for a new row.
    int newRowLine() const { return int(rows_.size()); }
    int storedRowCount() const { return int(rows_.size()); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Row {
        qint64 rowid = -1; // -1: not stored yet
        QVariantList stored;
        QVariantList edited;
        bool dirty = false;
    };
    // Stores a row only if the database still holds what was loaded; stale
    // is set when it no longer does.
    bool store(Row& row, ErrorInfo* error, bool* stale);
    void refetch(Row& row);
    void revertRow(int row);
    void reportNotStored(const ErrorInfo& error);

    Connection* connection_ = nullptr;
    QString table_;
    QString where_;
    QVariantList whereValues_;
    QString orderBy_;
    QStringList names_;
    std::vector<bool> numeric_;
    std::vector<Row> rows_;
    QStringList captions_;
    std::vector<bool> centred_;
    WillChangeRecord willChange_;
};

} // namespace tavrel
