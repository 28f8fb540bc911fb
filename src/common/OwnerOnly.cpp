#include "OwnerOnly.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <system_error>

#ifdef Q_OS_WIN
#include "WindowsAccess.h"

#include <aclapi.h>
#include <fcntl.h>
#include <io.h>
#else
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tavrel {

namespace {

// What went wrong, in the words a volunteer reads in the message.
QString dutchReason(std::errc c, int number) {
    switch (c) {
    case std::errc::no_such_file_or_directory:
        return QStringLiteral("de map bestaat niet");
    case std::errc::permission_denied:
    case std::errc::operation_not_permitted:
        return QStringLiteral("geen toegang");
    case std::errc::no_space_on_device:
        return QStringLiteral("de schijf is vol");
    case std::errc::read_only_file_system:
        return QStringLiteral("de schijf is alleen-lezen");
    case std::errc::too_many_symbolic_link_levels:
        return QStringLiteral("er staat een koppeling op die plaats");
    case std::errc::is_a_directory:
        return QStringLiteral("er staat een map met die naam");
    case std::errc::file_exists:
        return QStringLiteral("er staat al een bestand met die naam");
    case std::errc::device_or_resource_busy:
        return QStringLiteral("het bestand is in gebruik bij een ander programma");
    default:
        return QStringLiteral("systeemfout %1").arg(number);
    }
}

const QString kNotOwnFile =
    QStringLiteral("er staat op die plaats iets anders dan een eigen bestand");

#ifdef Q_OS_WIN
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

QString lastReason() {
    const DWORD e = GetLastError();
    return dutchReason(condition(e), static_cast<int>(e));
}

bool lastWasExisting() {
    return condition(GetLastError()) == std::errc::file_exists;
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

// A new file only this user may use; a name that exists already is refused,
// whatever stands there.
int createNew(const QString& path) {
    OwnerOnlyAccess access = OwnerOnlyAccess::forFile();
    if (!access.ok())
        return -1;
    const HANDLE h =
        CreateFileW(wide(native(path)), GENERIC_WRITE, FILE_SHARE_READ, access.attributes(),
                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    return h == INVALID_HANDLE_VALUE ? -1 : toDescriptor(h);
}
#else
QString lastReason() {
    return dutchReason(static_cast<std::errc>(errno), errno);
}

bool lastWasExisting() {
    return errno == EEXIST;
}

// Opens with flags, never through a symbolic link in the last place of path.
int openNoFollow(const QString& path, int flags) {
    return ::open(QFile::encodeName(path).constData(), flags | O_NOFOLLOW | O_CLOEXEC,
                  S_IRUSR | S_IWUSR);
}

int createNew(const QString& path) {
    return openNoFollow(path, O_WRONLY | O_CREAT | O_EXCL);
}
#endif

void closeDescriptor(int fd) {
#ifdef Q_OS_WIN
    _close(fd);
#else
    ::close(fd);
#endif
}

bool adopt(QFile& file, int fd, QString* error) {
    if (file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle))
        return true;
    closeDescriptor(fd);
    *error = QStringLiteral("het bestand kan niet worden geopend");
    return false;
}

bool writeAll(QFile& file, const QByteArray& bytes, QString* error) {
    if (file.write(bytes) == bytes.size() && file.flush())
        return true;
    *error = file.error() == QFileDevice::ResourceError
                 ? QStringLiteral("de schijf is vol")
                 : QStringLiteral("het bestand kan niet worden geschreven");
    return false;
}

} // namespace

bool makeOwnerOnlyFolder(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList missing;
    for (QString p = absolute; !p.isEmpty() && !QFileInfo::exists(p);) {
        missing.prepend(p);
        const QString up = QFileInfo(p).path();
        if (up == p)
            break;
        p = up;
    }
    for (const QString& p : missing) {
#ifdef Q_OS_WIN
        OwnerOnlyAccess access = OwnerOnlyAccess::forFolder();
        const bool made = access.ok() && CreateDirectoryW(wide(native(p)), access.attributes());
#else
        const bool made = QDir().mkdir(p, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner);
#endif
        if (!made && !QFileInfo(p).isDir())
            return false;
    }
    return QFileInfo(absolute).isDir();
}

bool narrowToOwner(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        const int fd = createNew(path);
        if (fd >= 0)
            closeDescriptor(fd);
        return fd >= 0;
    }
    if (!info.isFile())
        return false;
#ifdef Q_OS_WIN
    OwnerOnlyAccess access = OwnerOnlyAccess::forFile();
    std::wstring name(wide(native(path)));
    return access.ok() &&
           SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT,
                                 DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                 nullptr, nullptr, access.list(), nullptr) == ERROR_SUCCESS;
#else
    return QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
#endif
}

bool openOwnerOnly(QFile& file, const QString& path, QString* error) {
#ifdef Q_OS_WIN
    OwnerOnlyAccess access = OwnerOnlyAccess::forFile();
    // A link (a reparse point) is opened as itself, never followed.
    const HANDLE h = CreateFileW(wide(native(path)), GENERIC_WRITE | READ_CONTROL | WRITE_DAC,
                                 FILE_SHARE_READ, access.attributes(), OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        *error = lastReason();
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        info.nNumberOfLinks != 1 || !windows::ownedByUser(h)) {
        CloseHandle(h);
        *error = kNotOwnFile;
        return false;
    }
    if (!SetEndOfFile(h) || !windows::restrictToOwner(h)) {
        *error = lastReason();
        CloseHandle(h);
        return false;
    }
    const int fd = toDescriptor(h);
    if (fd < 0) {
        *error = QStringLiteral("het bestand kan niet worden geopend");
        return false;
    }
    return adopt(file, fd, error);
#else
    const int fd = openNoFollow(path, O_WRONLY | O_CREAT | O_NONBLOCK);
    if (fd < 0) {
        *error = lastReason();
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
        st.st_nlink != 1) {
        ::close(fd);
        *error = kNotOwnFile;
        return false;
    }
    if (::ftruncate(fd, 0) != 0 || ::fchmod(fd, S_IRUSR | S_IWUSR) != 0 ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        *error = lastReason();
        ::close(fd);
        return false;
    }
    return adopt(file, fd, error);
#endif
}

bool writeOwnerOnlyFile(const QString& path, const QByteArray& bytes, QString* error) {
    // A new file gets its access as it is made, so no one else can ever
    // read it; removing a link removes the link, not what it points to.
    QFile::remove(path);
    const int fd = createNew(path);
    if (fd < 0) {
        *error = lastReason();
        return false;
    }
    QFile file;
    if (!adopt(file, fd, error))
        return false;
    if (!writeAll(file, bytes, error)) {
        file.close();
        QFile::remove(path);
        return false;
    }
    return true;
}

QString createOwnerOnlyTemporary(QFile& file, const QString& prefix, const QString& suffix,
                                 QString* error) {
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 64; ++attempt) {
        QString name = prefix;
        for (int i = 0; i < 6; ++i)
            name += QLatin1Char(kLetters[QRandomGenerator::system()->bounded(62)]);
        name += suffix;
        const int fd = createNew(name);
        if (fd >= 0)
            return adopt(file, fd, error) ? name : QString();
        if (!lastWasExisting())
            break;
    }
    *error = lastReason();
    return {};
}

bool moveOver(const QString& from, const QString& to, QString* error) {
#ifdef Q_OS_WIN
    const bool moved = MoveFileExW(wide(native(from)), wide(native(to)),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
#else
    const bool moved =
        std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#endif
    if (!moved)
        *error = lastReason();
    return moved;
}

bool replaceOwnerOnlyFile(const QString& path, const QByteArray& bytes, QString* error) {
    // The new text goes into a file made owner-only and exclusively beside
    // the target, so nothing planted there can be written through.
    QFile next;
    const QString name = createOwnerOnlyTemporary(next, path + QLatin1Char('.'), QString(), error);
    if (name.isEmpty())
        return false;
    const bool written = writeAll(next, bytes, error);
    next.close();
    if (!written || !moveOver(name, path, error)) {
        QFile::remove(name);
        return false;
    }
    return true;
}

} // namespace tavrel
