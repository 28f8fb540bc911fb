#pragma once

#include <QString>
#include <QStringList>

namespace tavrel {

class Connection;

// The outcome of an import: every line imported, or the first line that
// could not be, after which the database is exactly as before.
struct ImportResult {
    bool ok = true;
    int line = 0;   // 1-based number of the failing line
    QString reason; // why it failed, in Dutch
    int imported = 0;
};

class ImportFile;

// Limits file lines (as the limits export writes them): each meet the file
// names is deleted with its limits and made again with the file's dates, the
// first time its code appears; then every line becomes a limit. One
// transaction: a bad line undoes everything.
ImportResult importLimits(Connection& connection, ImportFile& lines);

// Levels file lines: every level row is replaced by the file's rows, in one
// transaction.
ImportResult importLevels(Connection& connection, ImportFile& lines);

// The message for a failed import.
QString importFailureText(const ImportResult& result);

} // namespace tavrel
