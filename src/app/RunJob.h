#pragma once

#include "UploadRun.h"

#include <QObject>

#include <atomic>

namespace tavrel {

// Runs an UploadRun on the program's run thread, with its own database
// connections, so the window repaints, moves and answers for the whole run.
// Everything the run shows reaches the view on the window's thread, in the
// order the run said it; a box the run raises is shown there, modally, while
// the run waits for its answer.
class RunJob : public QObject {
    Q_OBJECT
public:
    RunJob(RunPhases& phases, RunView& view, QObject* parent = nullptr);
    ~RunJob() override;

    void start(const RunInput& input);
    // Asks the run to stop; finished() follows once it has cleaned up.
    void stop();
    bool running() const { return running_; }

Q_SIGNALS:
    void finished(tavrel::UploadRun::Outcome outcome);

private:
    class Relay;
    class WorkerUi;

    RunPhases& phases_;
    RunView& view_;
    bool running_ = false; // on the window's thread only
    std::atomic<bool> stop_ = false;
};

} // namespace tavrel
