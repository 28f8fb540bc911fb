#pragma once

#include "GridModel.h"

namespace tavrel {

// The filter and meet a limits grid row belongs to.
struct LimitRowContext {
    QString code;           // the meet's code field
    int distance = 0;       // 0: no distance chosen
    QString stroke;         // "" : none chosen
    QString gender;         // "" : none chosen
    bool sameLimit = false; // the 25 m limit is also the 50 m limit
};

// The checks before a limit row is deleted or stored: a deletion asks
// "Bevestig verwijderen"; an update after a confirmed deletion passes as it
// is; otherwise an empty "gebjaar1" refuses the row silently, wrong birth
// years and times of the wrong length warn (the row is stored all the same),
// and the row gets its meet and filter.
void checkLimitRow(ChangeReason reason, GridRecord& row, ChangeStatus& status,
                   bool& deleteConfirmed, const LimitRowContext& context);

// The filter a levels grid row belongs to.
struct LevelRowContext {
    int distance = 0;
    QString stroke;
    QString gender;
    int pool = 0;
    QString level;
};

// The checks before a level row is deleted or stored, as for limits: an
// empty "leeftijd1" refuses the row silently, wrong ages and a time of the
// wrong length warn, and the row gets the five filter values.
void checkLevelRow(ChangeReason reason, GridRecord& row, ChangeStatus& status,
                   bool& deleteConfirmed, const LevelRowContext& context);

// The shared part of both editors' row checks: the deletion question.
void confirmDeletion(ChangeStatus& status, bool& deleteConfirmed);

// A time field that holds a text of any length but 8 ("00.00.00"); null passes.
bool hasWrongTimeLength(const QVariant& value);

} // namespace tavrel
