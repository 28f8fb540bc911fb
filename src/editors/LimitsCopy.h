#pragma once

#include "common/Result.h"

#include <QStringList>

namespace tavrel {

class Connection;

// What the copy of a limits database holds.
struct LimitsCopied {
    int meets = 0, limits = 0, levels = 0; // in this order
    // Limits whose meet does not exist, left out of the copy, and their codes.
    int orphans = 0;
    QStringList orphanCodes;
};

// Fails, in Dutch, unless source holds the tables and columns of a limits
// database.
Result<void> checkLimitsTables(Connection& source);

// Copies every meet, limit and level of source into a new SQLite file at
// target with the program's schema (keys and cascades), leaving out limits
// whose meet does not exist (the export never wrote them), checks the copy
// row for row against source, and only then gives it the target's name
// (replacing a file there, never writing through a link). The copy is
// readable by its user only. Source is only read. A failure leaves the target
// untouched.
Result<LimitsCopied> copyLimitsDatabase(Connection& source, const QString& target);

} // namespace tavrel
