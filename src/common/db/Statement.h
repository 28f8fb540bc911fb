#pragma once

#include "Connection.h"

#include <QVariantList>

struct sqlite3_stmt;

namespace tavrel {

// One statement that changes data, prepared once and run with one set of
// values after another on the sqlite3 C API: an import of a million lines
// without Qt's cost of every bound value. Each run is one statement for the
// connection's work limit and stop.
class Statement {
public:
    Statement(Connection& connection, QString statement);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Fails with the connection's Dutch description of the refusal.
    Result<void> run(const QVariantList& values);

private:
    Connection& connection_;
    QString statement_;
    sqlite3_stmt* stmt_ = nullptr;
};

// Binds values to a statement's "?" marks, in order; false when SQLite
// refuses one.
bool bindValues(sqlite3_stmt* stmt, const QVariantList& values);

// SQLite's refusal of the last call on db, as the connection describes it.
ErrorInfo refusalOf(const Connection& connection, sqlite3* db);

} // namespace tavrel
