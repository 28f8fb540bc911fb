#pragma once

#include "common/RunPhase.h"

#include <QString>

#include <memory>

class QTemporaryDir;

namespace tavrel {

// Where a run writes its files. The CSV folder wins when its files are kept;
// an upload alone writes into a folder of its own, made fresh inside the
// temporary folder and readable by the user only, so no file of the run ever
// sits in a shared folder; with neither, the current folder.
class OutputFolder {
public:
    OutputFolder();
    ~OutputFolder();
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    // Picks the folder. Fails when the CSV folder or the temporary folder
    // does not exist, or the run's own folder cannot be made; nothing has
    // then been written.
    Result<void> choose(const RunInput& input);

    // The prefix of every file name: a folder ending in its separator, or "".
    const QString& prefix() const { return prefix_; }

    // Moves the upload's transcript out of the run's own folder into the
    // log folder, over the previous run's, and removes the run's folder
    // with whatever is left in it. Does nothing for the user's folders.
    void finish();

private:
    QString prefix_;
    std::unique_ptr<QTemporaryDir> private_;
};

} // namespace tavrel
