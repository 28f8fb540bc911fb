#pragma once

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
bool createLimitsDatabase(const QString& path, QString* error);

// A limits database with demo meets, limits and level times.
bool writeDemoLimitsDatabase(const QString& path, QString* error);

// A club database in the layout of the given variant, with realistic members,
// meets, styles and results. The same size always gives the same bytes of data.
bool writeClubDatabase(const QString& path, ClubVariant variant, ClubSize size, QString* error);

} // namespace tavrel::demo
