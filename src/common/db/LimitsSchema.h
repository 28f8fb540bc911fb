#pragma once

#include <QStringList>

namespace tavrel {

// The statements of a script: each ends with ";" at a line end; lines that
// start with "--" are comments.
QStringList splitSqlScript(const QString& script);

// The statements that create an empty limits database on SQLite (tables,
// keys, cascades, indexes), from schema/limieten.sql, in order.
QStringList limitsSchemaStatements();

} // namespace tavrel
