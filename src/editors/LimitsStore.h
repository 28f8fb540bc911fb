#pragma once

#include "common/Result.h"

#include <QHash>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <vector>

class QSqlQuery;

namespace tavrel {

class Connection;

// How a change of the limits database ended. Only Done changed anything.
enum class Outcome {
    Done,
    Busy,     // another program holds the database: the same change may be tried again
    Stale,    // the row or meet no longer holds what the window loaded
    Gone,     // the row or meet is no longer in the database
    MeetGone, // the meet a limit belongs to is no longer in the database
    Refused,  // the database refused the values, or the file cannot be changed
};

struct StoreResult {
    Outcome outcome = Outcome::Done;
    ErrorInfo error; // for Busy and Refused: why, in Dutch, as the error report shows it
    bool ok() const { return outcome == Outcome::Done; }
};

// A row of a grid's table: its rowid and its values in column order.
struct StoredRow {
    qint64 rowid = -1;
    QVariantList values;
};

// "SELECT rowid, * FROM table WHERE where ORDER BY orderBy", with values
// bound to the marks of where.
struct RowSelection {
    QString table;
    QString where;
    QVariantList values;
    QString orderBy;
};

struct LoadedRows {
    StoreResult result;
    QStringList columns;
    std::vector<bool> numeric; // per column: a number column (an emptied cell is null)
    std::vector<StoredRow> rows;
};

// Every read and change the two editors make of the limits database: grid
// rows of "limieten" and "niveaus" by their rowid, meets of "wedstrijden" by
// their code. A change goes ahead only while the row or meet still holds
// what the window loaded (another copy of the program may have changed it),
// runs in one transaction, and answers how it ended; nothing here shows a
// window.
//
// A meet is deleted only while its limits are as this store last saw them,
// so a limit another program added meanwhile is not lost unseen: the store
// keeps a fingerprint of each loaded meet's limits and renews it after its
// own changes.
class LimitsStore {
public:
    explicit LimitsStore(Connection& connection)
        : connection_(connection) {}

    LoadedRows loadRows(const RowSelection& selection);
    // On Done, rowid and values are the row as the database now holds it.
    StoreResult insertRow(const QString& table, const QStringList& columns, QVariantList& values,
                          qint64* rowid);
    StoreResult updateRow(const QString& table, const QStringList& columns, qint64 rowid,
                          const QVariantList& loaded, QVariantList& values);
    StoreResult deleteRow(const QString& table, const QStringList& columns, qint64 rowid,
                          const QVariantList& loaded);

    // The meet columns, in the order of a meet's values.
    static const QStringList& meetColumns();
    // Every meet, ordered by code.
    StoreResult loadMeets(std::vector<QVariantList>& meets);
    StoreResult insertMeet(const QVariantList& values);
    // Writes the columns that differ from loaded.
    StoreResult updateMeet(const QVariantList& loaded, const QVariantList& values);
    // The meet's limits go with it (the database's cascade).
    StoreResult deleteMeet(const QVariantList& loaded);
    // Moves the meet's dates by step calendar years and its limits' birth
    // years by step; on Done, shifted holds the meet as stored.
    StoreResult shiftYear(const QVariantList& loaded, int step, QVariantList& shifted);

    // Fails, naming the column, unless the tables hold every column the
    // editors and imports use (letter case aside).
    Result<void> checkColumns(const QStringList& tables);

    // Fails, in Dutch, when nothing can be changed in connection's file.
    static Result<void> checkChangeable(const Connection& connection);

private:
    // Runs change in one transaction, on a file that can be changed; keeps
    // it (and the prints it renewed) only when it answers Done.
    StoreResult inTransaction(const std::function<StoreResult()>& change);
    // The steps of a change answer false when it cannot go on, and failure_
    // says why.
    bool run(QSqlQuery& query, const QString& statement, const QVariantList& values);
    // False (MeetGone) when a code names no meet.
    bool meetsExist(const QVariantList& codes);
    // Why a row or meet was not changed: Stale or Gone.
    StoreResult missedRow(const QString& table, qint64 rowid);
    StoreResult missedMeet(const QVariant& code);
    // Writes the columns of values that differ from loaded, while the meet
    // still holds loaded.
    StoreResult writeMeet(const QVariantList& loaded, const QVariantList& values);
    bool readRow(const QString& table, qint64 rowid, QVariantList& values);
    // The fingerprint of a meet's limits: every limit row of code.
    bool limitsPrint(const QVariant& code, QByteArray& print);
    // Which of codes still have the limits this store last saw, before a change.
    bool unchangedPrints(const QVariantList& codes, QVariantList& unchanged);
    // Takes the prints of codes after a change of this store's own, to be
    // kept when the change is.
    bool renewPrints(const QVariantList& codes);

    Connection& connection_;
    QHash<QString, QByteArray> prints_;
    QHash<QString, QByteArray> renewed_;
    StoreResult failure_;
};

} // namespace tavrel
