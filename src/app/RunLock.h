#pragma once

#include "LastRun.h"

#include "common/Result.h"

#include <QLockFile>

namespace tavrel {

// One run at a time per user: every run, the window's and uploadtavrel
// --upload's, holds this lock (a file in the program's data folder) from
// its start to its end, so no run ever writes into another's files, here or
// on the server. A lock whose process is gone (a kill, a crash) is taken
// over: Qt tells a stale lock by its process, never by its age, since a run
// may take hours.
class RunLock {
public:
    RunLock();

    // Takes the lock; fails, in Dutch, when another run holds it ("Er loopt
    // al een upload, gestart om 03:00:12. ...") or the folder cannot hold it.
    Result<void> take();

    // With the lock taken: removes what runs that no longer live left
    // behind: their private folders in TEMP (the CSV files and the script
    // with the password), and the script of an interrupted run in the
    // user's CSV folder. Answers that run's traces: the runner clears what it
    // staged on the server.
    RunTraces removeLeftovers();

private:
    QLockFile lock_;
};

} // namespace tavrel
