#include "CrashDumps.h"

#include <windows.h>

namespace tavrel {

namespace {

LONG WINAPI endAtOnce(EXCEPTION_POINTERS* crash) {
    TerminateProcess(GetCurrentProcess(), crash ? crash->ExceptionRecord->ExceptionCode : 1);
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

void keepSecretsOutOfCrashDumps() {
    SetErrorMode(GetErrorMode() | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(endAtOnce);
}

} // namespace tavrel
