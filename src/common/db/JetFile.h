#pragma once

#include "common/Result.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QSqlDatabase;
struct sqlite3;

namespace tavrel {

namespace jet {
class File;
struct Table;
} // namespace jet

// What a refusal of a damaged file ends with: what the user can do about it.
QString damagedAdvice();

// A Jet (.mdb) file opened read-only through the project's own reader, whose
// tables can be copied one by one into a SQLite database.
class JetFile {
public:
    // True when the first bytes of a file say it is a Jet or ACE database.
    static bool hasJetHeader(const QByteArray& firstBytes);

    // Opens path; a failure says why in Dutch.
    static Result<std::unique_ptr<JetFile>> open(const QString& path);
    ~JetFile();
    JetFile(const JetFile&) = delete;
    JetFile& operator=(const JetFile&) = delete;

    // The names of the user tables, as the file spells them.
    QStringList tableNames() const;

    // What else than a table the file has of that name, in Dutch ("een
    // query"), or "".
    QString otherObject(const QString& name) const;

    // The names of a table's columns, lower-case, or empty when there is no
    // such table.
    QSet<QString> columnNames(const QString& table) const;

    // Creates table name (matched without regard to letter case) in target
    // and copies every row into it with prepared inserts: the columns named
    // in columns (lower-case; at least the first one, so the table exists),
    // or all when columns is null. Yes/no values
    // become -1 and 0, dates ISO text, currency and decimal values the text
    // of their digits, texts UTF-8, binary and OLE values their bytes; nulls
    // stay null. Nothing is left of the table when the copy fails.
    Result<void> copyTable(const QString& name, QSqlDatabase& target, const QSet<QString>* columns);

private:
    // Creates the copy of table with the columns all (their definitions
    // given) and fills it. key, when not -1, is the place in all of the
    // column to use as rowid; a null or a repeated value there fails with the
    // code SQLITE_CONSTRAINT (the copy is then undone).
    Result<void> copyRows(const jet::Table& table, ::sqlite3* db, QStringList definitions,
                          const std::vector<int>& all, int key);
    explicit JetFile(std::unique_ptr<jet::File> file);
    std::unique_ptr<jet::File> file_;
};

} // namespace tavrel
