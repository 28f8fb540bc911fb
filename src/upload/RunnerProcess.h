#pragma once

// The script runner never outlives the program that started it: one file per
// platform (RunnerProcessPosix.cpp, RunnerProcessWindows.cpp).
#include <QProcess>

namespace tavrel {

class ScriptRunner;

// How long a runner whose program ended may take to remove what it staged.
constexpr int kOrphanMilliseconds = 1500;

// The program's side, around QProcess::start: the runner starts without a
// console window of its own, and on Windows in a job that ends it when the
// program ends, however it ends.
void prepareRunner(QProcess& runner);
void tieRunnerToProgram(QProcess& runner);

// The runner's side: when its parent ends (on Linux the parent-death signal),
// or on SIGTERM, it stops as on "stop", removing what it staged, and ends
// for good kOrphanMilliseconds later. Its standard input closing, which
// tavrel-ftp -p also watches, says the same on every platform.
void stopWhenParentEnds(ScriptRunner& runner);

} // namespace tavrel
