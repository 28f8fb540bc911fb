#pragma once

#include "common/RunPhase.h"

#include <memory>

namespace tavrel {

// The upload: writes the command script, runs the script runner (the
// program tavrel-ftp beside this one) with its output in the log, and judges
// the log. A refusal or a failed command shows the masked log in the
// message area and the error report, and fails the phase.
std::unique_ptr<Phase> makeUploadPhase(const QString& runnerProgram = QString());

// The script runner beside the running program.
QString defaultRunnerProgram();

} // namespace tavrel
