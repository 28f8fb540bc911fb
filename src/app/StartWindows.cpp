#include "StartPlatform.h"

#include <QFileInfo>

#include <cstdio>

#include <windows.h>

namespace tavrel::start {

// Where the club-administration product installs its databases.
QString defaultDatabase(const char* fileName) {
    return QStringLiteral("C:\\Program Files\\Tavrel Software\\Kordis\\") + QLatin1String(fileName);
}

bool mayWriteIn(const QString& folder) {
    return QFileInfo(folder).isWritable();
}

void drawableTextUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll && GetProcAddress(ntdll, "wine_get_version") &&
        !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "windows:fontengine=freetype");
}

void writeToStartingConsole() {
    const auto missing = [](DWORD which) {
        const HANDLE h = GetStdHandle(which);
        return h == nullptr || h == INVALID_HANDLE_VALUE;
    };
    const bool out = missing(STD_OUTPUT_HANDLE), err = missing(STD_ERROR_HANDLE);
    if ((!out && !err) || !AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (out)
        std::freopen("CONOUT$", "w", stdout);
    if (err)
        std::freopen("CONOUT$", "w", stderr);
}

} // namespace tavrel::start
