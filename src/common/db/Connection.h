#pragma once

#include "common/ErrorReport.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

#include <atomic>
#include <functional>
#include <memory>

class QSqlError;
class QSqlQuery;
struct sqlite3;

namespace tavrel {

class JetFile;

// A connection to a database file. The engine is chosen by the file's first
// bytes: a SQLite file is opened read-write with foreign keys on; a Jet file
// is read by the project's Jet reader into a private SQLite copy (each table the
// first time a statement names it) and refuses every change.
//
// Statements are written in the Jet dialect the program has always used;
// Jet-only forms are translated. Values are never part of the statement text:
// they are bound to its "?" marks, in order.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool isOpen() const { return !name_.isEmpty(); }
    // Opens path without a box, for a look at a file the user just chose.
    Result<void> openQuietly(const QString& path) { return open(path); }
    const QString& path() const { return path_; }
    bool isReadOnly() const { return jet_ != nullptr; }
    // False for a Jet file, and for a SQLite file that this user may not
    // change (the file or its folder, where the journal goes, not writable).
    bool canChange() const;

    // Runs a statement that returns no rows; nothing is reported here.
    Result<void> Execute(const QString& statement, const QVariantList& values = {});

    // Prepares and runs statement on query (made on this connection's
    // database). For Recordset and the editors' models.
    Result<void> run(QSqlQuery& query, const QString& statement, const QVariantList& values);
    // The same in two steps, for one statement run with many sets of values.
    Result<void> prepare(QSqlQuery& query, const QString& statement);
    Result<void> exec(QSqlQuery& query, const QVariantList& values);
    QSqlDatabase database() const;

    // The sqlite3 handle that answers statement, with the Jet tables it
    // names copied first. For Cursor.
    Result<::sqlite3*> handleFor(const QString& statement);
    // The names of a table's columns, lower-case; empty when there is no
    // such table.
    QSet<QString> columnNames(const QString& table);

    // Fails, in Dutch, unless the tables are tables (no views) and whole,
    // indexes included: a run reads nothing from a damaged table. Each table
    // is checked once per connection; a Jet file's reader checks its tables
    // itself.
    Result<void> checkTables(const QStringList& tables);

    // A refusal of the database: its Dutch description, and SQLite's code.
    ErrorInfo errorOf(const QSqlError& e, const QString& what) const;

    void close();

    // How long one statement, with the walk of its result, may work before
    // it is stopped: no file, however built, keeps a run going for ever.
    static int workLimitMs();
    static void setWorkLimitMs(int ms); // for tests

    // A flag that, once set, stops the statement that works (as the work
    // limit does): a run the user stops ends within a fraction of a second,
    // in a query, a sort or a Jet table's copy.
    void setStop(const std::atomic<bool>* stop) { stop_ = stop; }
    bool stopRequested() const { return stop_ && stop_->load(std::memory_order_relaxed); }

    // How long a statement waits for a database file another program holds
    // (two seconds unless set, before open): a run nobody watches waits
    // longer. Once it has waited two seconds, waiting is called, once.
    void setBusyPatience(int ms, std::function<void()> waiting);

    // Opens the database file at path (what ConnectJetDB does, without its
    // error report).
    Result<void> open(const QString& path);

private:
    Result<void> loadTablesFor(const QString& statement);
    ::sqlite3* handle() const;
    static int tooLong(void* connection);
    static int waitWhileBusy(void* connection, int count);

    QString name_;
    QString path_;
    std::unique_ptr<JetFile> jet_;
    QHash<QString, QString> jetTables_; // lower-case name -> name in the file
    // The columns copied so far of each copied table (lower-case names).
    QHash<QString, QSet<QString>> loaded_;
    QSet<QString> checked_; // tables found whole (lower-case names)
    QElapsedTimer work_;    // since the current statement began
    const std::atomic<bool>* stop_ = nullptr;
    int busyPatience_ = 0; // 0: SQLite's own two seconds
    std::function<void()> busyWaiting_;
    QElapsedTimer busySince_;
    bool busyTold_ = false;
};

// Opens connection on the database file at path. On failure shows the error
// report with the place "ConnectJetDB" and answers false.
bool ConnectJetDB(const QString& path, Connection& connection);

// True when a refusal came from another program holding the database (SQLite's
// own code says so): the same change may succeed when tried again.
bool isBusy(const ErrorInfo& error);

// Why the database refused a statement, in plain Dutch (no SQL, no English).
QString refusalReason(const QSqlError& error);
// The same for one of SQLite's result codes.
QString codeReason(int code);

// Says that a table of the file at path lacks a column the program reads.
QString missingColumnText(const QString& path, const QString& table, const QString& column);

// The statement in SQLite's dialect: "DELETE * FROM" becomes "DELETE FROM".
QString toSqliteDialect(const QString& jetStatement);

namespace ErrorNumber {
constexpr qint32 ReadOnlyDatabase = 3027; // "cannot update: database is read-only"
constexpr qint32 NotADatabase = 3343;     // "unrecognized database format"
constexpr qint32 NotConnected = 3704;     // "operation not allowed when the object is closed"
} // namespace ErrorNumber

} // namespace tavrel
