#include "RunnerProcess.h"

#include <windows.h>

namespace tavrel {

namespace {

// One job for every runner of the program: when the program ends, however
// it ends, Windows closes the job's handle and ends what runs in it.
HANDLE programJob() {
    static const HANDLE job = [] {
        const HANDLE made = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (made)
            SetInformationJobObject(made, JobObjectExtendedLimitInformation, &limits,
                                    sizeof limits);
        return made;
    }();
    return job;
}

} // namespace

void prepareRunner(QProcess& runner) {
    // The runner is a console program: started from a window program it
    // would open a console window of its own (CREATE_NO_WINDOW).
    runner.setCreateProcessArgumentsModifier(
        [](QProcess::CreateProcessArguments* how) { how->flags |= CREATE_NO_WINDOW; });
}

void tieRunnerToProgram(QProcess& runner) {
    const HANDLE job = programJob();
    const HANDLE process =
        OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE, DWORD(runner.processId()));
    if (job && process)
        AssignProcessToJobObject(job, process);
    if (process)
        CloseHandle(process);
}

void stopWhenParentEnds(ScriptRunner&) {
    // The program's job ends the runner with it.
}

} // namespace tavrel
