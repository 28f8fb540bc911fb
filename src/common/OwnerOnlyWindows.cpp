#include "OwnerOnlyPlatform.h"

#include "WindowsAccess.h"

#include <QDir>
#include <QFileInfo>

#include <aclapi.h>
#include <fcntl.h>
#include <io.h>

namespace tavrel::owner_only {

namespace {

using windows::OwnerOnlyAccess;
using windows::wide;

std::errc condition(DWORD e) {
    switch (e) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return std::errc::no_such_file_or_directory;
    case ERROR_ACCESS_DENIED:
        return std::errc::permission_denied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return std::errc::no_space_on_device;
    case ERROR_WRITE_PROTECT:
        return std::errc::read_only_file_system;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return std::errc::file_exists;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return std::errc::device_or_resource_busy;
    default:
        return std::errc::io_error;
    }
}

QString native(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

// Hands a file handle to the C runtime, which QFile takes.
int toDescriptor(HANDLE h) {
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
    if (fd < 0)
        CloseHandle(h);
    return fd;
}

} // namespace

ErrorInfo lastFailure() {
    const DWORD e = GetLastError();
    return failure(dutchReason(condition(e), static_cast<int>(e)), 0, static_cast<int>(e));
}

bool lastWasExisting() {
    return condition(GetLastError()) == std::errc::file_exists;
}

int createNew(const QString& path) {
    OwnerOnlyAccess access = OwnerOnlyAccess::forFile();
    if (!access.ok())
        return -1;
    const HANDLE h =
        CreateFileW(wide(native(path)), GENERIC_WRITE, FILE_SHARE_READ, access.attributes(),
                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    return h == INVALID_HANDLE_VALUE ? -1 : toDescriptor(h);
}

void closeDescriptor(int fd) {
    _close(fd);
}

bool makeFolder(const QString& path) {
    OwnerOnlyAccess access = OwnerOnlyAccess::forFolder();
    return access.ok() && CreateDirectoryW(wide(native(path)), access.attributes());
}

bool narrowFile(const QString& path) {
    OwnerOnlyAccess access = OwnerOnlyAccess::forFile();
    std::wstring name(wide(native(path)));
    return access.ok() &&
           SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT,
                                 DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                 nullptr, nullptr, access.list(), nullptr) == ERROR_SUCCESS;
}

Result<int> openOwnFile(const QString& path) {
    OwnerOnlyAccess access = OwnerOnlyAccess::forFile();
    // A link (a reparse point) is opened as itself, never followed.
    const HANDLE h = CreateFileW(wide(native(path)), GENERIC_WRITE | READ_CONTROL | WRITE_DAC,
                                 FILE_SHARE_READ, access.attributes(), OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return lastFailure();
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        info.nNumberOfLinks != 1 || !windows::ownedByUser(h)) {
        CloseHandle(h);
        return failure(kNotOwnFile);
    }
    if (!SetEndOfFile(h) || !windows::restrictToOwner(h)) {
        const ErrorInfo error = lastFailure();
        CloseHandle(h);
        return error;
    }
    const int fd = toDescriptor(h);
    if (fd < 0)
        return failure(QStringLiteral("het bestand kan niet worden geopend"));
    return fd;
}

bool renameOver(const QString& from, const QString& to) {
    return MoveFileExW(wide(native(from)), wide(native(to)),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

bool isOwn(const QString& path, bool folder) {
    const DWORD attributes = GetFileAttributesW(wide(native(path)));
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
           bool(attributes & FILE_ATTRIBUTE_DIRECTORY) == folder;
}

} // namespace tavrel::owner_only
