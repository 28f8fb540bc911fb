#pragma once

#include "common/RunPhase.h"

#include <memory>

namespace tavrel {

// zwemmers.csv: one line per member with a numeric registration number.
std::unique_ptr<Phase> makeSwimmersExport();
// tijden.csv: one line per result of such a member, every line ending in ";".
std::unique_ptr<Phase> makeTimesExport();
// limieten.csv: every limit of a known meet with the meet's two dates.
std::unique_ptr<Phase> makeLimitsExport();
// niveaus.csv: every level time.
std::unique_ptr<Phase> makeLevelsExport();

} // namespace tavrel
