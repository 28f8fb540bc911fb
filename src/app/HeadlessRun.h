#pragma once

#include "CommandLine.h"
#include "UploadRun.h"

namespace tavrel {

// uploadtavrel --upload: the window's run from the stored settings, without
// a window or a box. Messages, progress and error reports go to standard
// error; the stored settings stay as they are. Answers the exit status: 0
// when the run finished, 1 otherwise, kAnotherRunStatus when another run
// went on and this one did nothing. SIGINT and SIGTERM stop the run as
// "Stoppen" does, so a stopped timer leaves nothing half done.
int runHeadless(const CommandLine& command, RunPhases& phases);
constexpr int kAnotherRunStatus = 3;

// The run's input from the stored settings and the command's choices.
RunInput headlessInput(const CommandLine& command);

} // namespace tavrel
