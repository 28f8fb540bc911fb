#pragma once

#include "common/Result.h"

#include <QString>

namespace tavrel {

class Connection;

// Which of the two layouts a club database has, told from its tables'
// columns before a run reads anything: the 2006 layout keeps strokes in
// STYLES, a meet's pool in POOL and a member's sex in SEX; the 2009 layout
// has SWIMSTYLE, COURSE and GENDER.
struct ClubLayoutFinding {
    QString version; // "2006", "2009", or "" when the file has neither layout
    // When it has neither: what the nearer layout lacks, in Dutch ("de tabel
    // STYLES", "de kolom POOL in de tabel MEETS").
    QString missing;
};

ClubLayoutFinding findClubLayout(Connection& club);

// Fails unless a run on the chosen version ("2006", "2009") can read the
// file, in one Dutch sentence that says what to do.
Result<void> checkClubLayout(const ClubLayoutFinding& found, const QString& chosenVersion);

} // namespace tavrel
