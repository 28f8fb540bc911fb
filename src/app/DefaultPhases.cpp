#include "UploadRun.h"

namespace tavrel {

RunPhases defaultRunPhases() { return {}; }

} // namespace tavrel
