#pragma once

#include "common/RunPhase.h"

#include <atomic>
#include <memory>

namespace tavrel {

// The phases the run calls, in their order. A phase that is not there is
// skipped.
struct RunPhases {
    std::unique_ptr<Phase> swimmers;
    std::unique_ptr<Phase> times;
    std::unique_ptr<Phase> limits;
    std::unique_ptr<Phase> levels;
    std::unique_ptr<Phase> upload;
};

// The exports and the upload the program runs.
RunPhases defaultRunPhases();

// The fields a failed check puts the focus on.
enum class RunField { Version, ClubDatabase, LimitsDatabase, CsvFolder };

// What the run needs of the main window besides its values.
class RunView : public MessageArea {
public:
    virtual void focus(RunField field) = 0;
};

// The run behind OK: stores the settings, chooses the output folder (see
// OutputFolder), checks and opens the databases, runs the exports and the
// upload, removes the temporary files, and keeps a line on how it ended
// for the next start. It needs no window: the window runs it on a thread of
// its own (RunJob), the command line runs it as it is.
class UploadRun {
public:
    enum class Outcome {
        // A check failed before the phases of a database ran (its file, its
        // layout, the folder): the run ends there and the window stays open.
        // Files of the club database may have been written already when the
        // limits database is the one that fails.
        EndedEarly,
        Failed,     // an export or the upload failed; the window stays open
        Stopped,    // the user stopped it; the window stays open
        AnotherRun, // another run goes on (see RunLock): this one did nothing
        Finished    // done: the program ends
    };

    explicit UploadRun(RunPhases& phases)
        : phases_(phases) {}

    // stop, when given, is watched throughout: once set, the phase at work
    // ends at once, the run cleans up and says what was done.
    Outcome execute(const RunInput& input, RunView& view, const std::atomic<bool>* stop = nullptr);

private:
    void storeSettings(const RunInput& input);
    void cleanUp(const RunInput& input, const QString& folder);

    RunPhases& phases_;
};

} // namespace tavrel
