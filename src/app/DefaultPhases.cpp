#include "UploadRun.h"

#include "export/Exports.h"
#include "upload/UploadPhase.h"

namespace tavrel {

RunPhases defaultRunPhases() {
    RunPhases phases;
    phases.swimmers = makeSwimmersExport();
    phases.times = makeTimesExport();
    phases.limits = makeLimitsExport();
    phases.levels = makeLevelsExport();
    phases.upload = makeUploadPhase();
    return phases;
}

} // namespace tavrel
