#pragma once

#include "common/RunPhase.h"

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
// upload, removes the temporary files, and ends the program unless something
// failed.
class UploadRun {
public:
    enum class Outcome {
        EndedEarly, // a check failed before any file was written
        Failed,     // an export or the upload failed; the window stays open
        Finished    // the program was told to end
    };

    explicit UploadRun(RunPhases& phases)
        : phases_(phases) {}

    Outcome execute(const RunInput& input, RunView& view);

private:
    void storeSettings(const RunInput& input);
    void cleanUp(const RunInput& input, const QString& folder);

    RunPhases& phases_;
};

} // namespace tavrel
