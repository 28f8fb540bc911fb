#include "RunnerProcess.h"

#include "ScriptRunner.h"

#include <atomic>
#include <csignal>

#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace tavrel {

namespace {

std::atomic<ScriptRunner*> watched = nullptr;

extern "C" void onParentGone(int) {
    if (ScriptRunner* runner = watched.load())
        runner->stop(); // an atomic store: safe in a handler
    // SIGALRM's default ends the process, whatever it is doing by then.
    std::signal(SIGALRM, SIG_DFL);
    alarm((kOrphanMilliseconds + 999) / 1000);
}

} // namespace

void prepareRunner(QProcess&) {}

void tieRunnerToProgram(QProcess&) {}

void stopWhenParentEnds(ScriptRunner& runner) {
    watched = &runner;
    // A closed transcript pipe is the program gone, not a reason to die
    // before the staged files are removed.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGTERM, onParentGone);
#ifdef __linux__
    const pid_t parent = getppid();
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) // gone before the signal was asked for
        onParentGone(SIGTERM);
#endif
}

} // namespace tavrel
