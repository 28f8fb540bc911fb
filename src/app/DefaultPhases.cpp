#include "UploadRun.h"

#include "export/Exports.h"

namespace tavrel {

RunPhases defaultRunPhases() {
    RunPhases phases;
    phases.swimmers = makeSwimmersExport();
    phases.times = makeTimesExport();
    phases.limits = makeLimitsExport();
    phases.levels = makeLevelsExport();
    return phases;
}

} // namespace tavrel
