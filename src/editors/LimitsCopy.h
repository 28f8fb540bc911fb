#pragma once

#include <QStringList>

namespace tavrel {

class Connection;

// What the copy of a limits database did: on success the rows it holds, on
// failure why, in Dutch (the target is then untouched).
struct LimitsCopyResult {
    bool ok = false;
    QString why;
    int meets = 0, limits = 0, levels = 0; // in this order
    // Limits whose meet does not exist, left out of the copy, and their codes.
    int orphans = 0;
    QStringList orphanCodes;
};

// "" when source holds the tables and columns of a limits database,
// otherwise the Dutch reason why it does not.
QString limitsTablesMissing(Connection& source);

// Copies every meet, limit and level of source into a new SQLite file at
// target with the program's schema (keys and cascades), leaving out limits
// whose meet does not exist (the export never wrote them), checks the copy
// row for row against source, and only then gives it the target's name
// (replacing a file there, never writing through a link). The copy is
// readable by its user only. Source is only read.
LimitsCopyResult copyLimitsDatabase(Connection& source, const QString& target);

} // namespace tavrel
