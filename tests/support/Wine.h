#pragma once

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace tavrel::test {

// True for a Windows test program under Wine, whose Schannel accepts any
// certificate: a test that needs one refused cannot run there.
inline bool underWine() {
#ifdef Q_OS_WIN
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
    return false;
#endif
}

} // namespace tavrel::test
