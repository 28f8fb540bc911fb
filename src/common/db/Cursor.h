#pragma once

#include "Connection.h"

#include <QByteArrayView>
#include <QVariant>

#include <memory>
#include <vector>

struct sqlite3_stmt;
struct sqlite3_value;

namespace tavrel {

enum class Count { First, InWalk };

// A query walked forward once on the sqlite3 C API of a connection, for the
// exports: typed values (64-bit integers, UTF-8 bytes) without a QVariant
// per field. Its record count is exact as soon as it is open; for a sorted
// query it is counted in the same pass (the sort takes in every row before
// the first comes out), otherwise by COUNT(*).
class Cursor {
public:
    Cursor();
    ~Cursor();
    Cursor(Cursor&&) noexcept;
    Cursor& operator=(Cursor&&) noexcept;

    bool isOpen() const { return stmt_ != nullptr; }
    qint64 recordCount() const { return count_; }
    bool atEnd() const { return atEnd_; }
    void moveNext();
    // Fails, in Dutch, when the walk stopped on an error or ended before the
    // records it counted: what was walked is then not the whole result.
    const Result<void>& whole() const { return whole_; }

    // The index of a column (letter case ignored), -1 when there is none.
    int column(const QString& name) const;
    // SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT, SQLITE_BLOB or SQLITE_NULL.
    int type(int column) const { return types_[size_t(column)]; }
    qint64 integer(int column) const;
    double real(int column) const;
    // The text of a column as UTF-8, valid until the next move.
    QByteArrayView utf8(int column) const;
    // The value as Qt's SQLite driver gives it, for the unusual types.
    QVariant value(int column) const;
    // SQLite's own value, valid until the next move.
    sqlite3_value* raw(int column) const { return values_[size_t(column)]; }
    // The records walked so far.
    qint64 walked() const { return walked_; }

    void close();

private:
    friend Cursor openCursor(const QString& query, Connection& connection,
                             const QVariantList& values, Count count);
    void step();

    sqlite3_stmt* stmt_ = nullptr;
    // The current record's values, fetched once per record: one call into
    // SQLite per column instead of one per question asked of it.
    std::vector<sqlite3_value*> values_;
    // Their types as they came: a later conversion to text leaves these be.
    std::vector<int> types_;
    std::unique_ptr<qint64> counted_; // rows seen by the counting function
    int first_ = 0;                   // the counting column, when there is one
    qint64 count_ = 0;
    qint64 walked_ = 0;
    bool atEnd_ = true;
    Result<void> whole_;
};

// Opens query on connection with values bound to its "?" marks. When the
// database refuses it, shows the error report with the place "OpenRecordSet"
// once and returns a cursor that is not open. Count::InWalk leaves the
// count unknown (-1): the caller counts what it walks.
Cursor openCursor(const QString& query, Connection& connection, const QVariantList& values = {},
                  Count count = Count::First);

// A query without its surrounding blanks and final semicolons.
QString plainStatement(const QString& query);

// Why a walk that ended before the records it counted is not the whole result.
ErrorInfo shortWalk(qint64 walked, qint64 count);

// The statement that counts the rows of a query: a final ORDER BY is left
// out, since it changes no count.
QString countStatement(const QString& statement);

// A statement without its final ORDER BY (one with a LIMIT stays whole).
QString withoutFinalOrder(const QString& statement);

} // namespace tavrel
