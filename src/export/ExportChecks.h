#pragma once

#include "common/Result.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace tavrel {

class Connection;

// A table an export reads: its text columns, which must hold no more than
// a club's files sensibly do, and the key its rows are joined by, which
// must name one row each ("" when none).
struct ReadTable {
    QString name;
    QStringList texts;
    QString key;
};

// Fails, in Dutch, unless every table is whole, a table, its texts of
// sensible length and its key unique. A run then writes nothing.
Result<void> checkReadTables(Connection& connection, const std::vector<ReadTable>& tables);

} // namespace tavrel
