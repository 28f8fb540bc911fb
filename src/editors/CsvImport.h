#pragma once

#include "common/Result.h"

namespace tavrel {

class Connection;

class ImportFile;

// An import answers the number of lines it imported, or fails on the first
// line that could not be, saying which and why ("Regel 2 kan niet worden
// geïmporteerd: …"); the database is then exactly as before.

// Limits file lines (as the limits export writes them): each meet the file
// names is deleted with its limits and made again with the file's dates, the
// first time its code appears; then every line becomes a limit. One
// transaction: a bad line undoes everything.
Result<int> importLimits(Connection& connection, ImportFile& lines);

// Levels file lines: every level row is replaced by the file's rows, in one
// transaction.
Result<int> importLevels(Connection& connection, ImportFile& lines);

} // namespace tavrel
