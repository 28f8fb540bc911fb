#include "FileLook.h"

#include <QDir>

#include <windows.h>

namespace tavrel::files {

// Windows's own answer, by the path's wide text: the C runtime calls nearly
// every failure "not found".
Look look(const QString& path) {
    const QString native = QDir::toNativeSeparators(path);
    const DWORD attributes = GetFileAttributesW(reinterpret_cast<const wchar_t*>(native.utf16()));
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD e = GetLastError();
        if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND || e == ERROR_BAD_NETPATH ||
            e == ERROR_BAD_NET_NAME)
            return {};
        const bool refused = e == ERROR_ACCESS_DENIED;
        return {Look::NoAnswer, refused,
                refused ? QStringLiteral("geen toegang") : QStringLiteral("systeemfout %1").arg(e)};
    }
    return {(attributes & FILE_ATTRIBUTE_DIRECTORY) ? Look::Other : Look::File, false, {}};
}

} // namespace tavrel::files
