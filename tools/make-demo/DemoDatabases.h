#pragma once

#include "common/Result.h"

#include <QString>

namespace tavrel::demo {

// Sizes of a generated club database.
struct ClubSize {
    int members = 60;
    int results = 400;
};

enum class ClubVariant { Tavrel2006, Tavrel2009 };

// A new, empty limits database (the three tables, no rows) at path,
// replacing any file there.
Result<void> createLimitsDatabase(const QString& path);

// A limits database with demo meets, limits and level times.
Result<void> writeDemoLimitsDatabase(const QString& path);

// A club database in the layout of the given variant, with realistic members,
// meets, styles and results. The same size always gives the same bytes of data.
Result<void> writeClubDatabase(const QString& path, ClubVariant variant, ClubSize size);

} // namespace tavrel::demo
