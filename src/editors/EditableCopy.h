#pragma once

#include "common/Result.h"

#include <QString>

namespace tavrel {

class Connection;

// A limits database that can only be read here (a Jet file): says so, and
// offers to make an editable SQLite copy (a save dialog, then the copy,
// checked row for row). Answers the copy's path, or "" when none was made,
// so the editor shows the file read-only. Fails when the file holds no
// limits database at all; that has been said.
Result<QString> offerEditableCopy(Connection& connection);

} // namespace tavrel
