#include "OwnerOnly.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <filesystem>
#include <system_error>

#ifndef Q_OS_WIN
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tavrel {

namespace {

// What went wrong, in the words a volunteer reads in the message.
QString dutchReason(std::error_code ec) {
    const std::error_condition c = ec.default_error_condition();
    if (c == std::errc::no_such_file_or_directory)
        return QStringLiteral("de map bestaat niet");
    if (c == std::errc::permission_denied || c == std::errc::operation_not_permitted)
        return QStringLiteral("geen toegang");
    if (c == std::errc::no_space_on_device)
        return QStringLiteral("de schijf is vol");
    if (c == std::errc::read_only_file_system)
        return QStringLiteral("de schijf is alleen-lezen");
    if (c == std::errc::too_many_symbolic_link_levels)
        return QStringLiteral("er staat een koppeling op die plaats");
    if (c == std::errc::is_a_directory)
        return QStringLiteral("er staat een map met die naam");
    if (c == std::errc::file_exists)
        return QStringLiteral("er staat al een bestand met die naam");
    return QStringLiteral("systeemfout %1").arg(ec.value());
}

#ifndef Q_OS_WIN
QString lastReason() {
    return dutchReason(std::error_code(errno, std::generic_category()));
}

// Opens with flags, never through a symbolic link in the last place of path.
int openNoFollow(const QString& path, int flags) {
    return ::open(QFile::encodeName(path).constData(), flags | O_NOFOLLOW | O_CLOEXEC,
                  S_IRUSR | S_IWUSR);
}
#endif

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
        if (!QDir().mkdir(p, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                 QFileDevice::ExeOwner) &&
            !QFileInfo(p).isDir())
            return false;
    }
    return QFileInfo(absolute).isDir();
}

bool narrowToOwner(const QString& path) {
    constexpr auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const QFileInfo info(path);
    if (!info.exists()) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerOnly);
    }
    return info.isFile() && QFile::setPermissions(path, ownerOnly);
}

bool openOwnerOnly(QFile& file, const QString& path, QString* error) {
#ifdef Q_OS_WIN
    file.setFileName(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        *error = QStringLiteral("het bestand kan niet worden gemaakt");
        return false;
    }
    return true;
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
        *error = QStringLiteral("er staat op die plaats iets anders dan een eigen bestand");
        return false;
    }
    if (::ftruncate(fd, 0) != 0 || ::fchmod(fd, S_IRUSR | S_IWUSR) != 0 ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        *error = lastReason();
        ::close(fd);
        return false;
    }
    if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *error = QStringLiteral("het bestand kan niet worden geopend");
        return false;
    }
    return true;
#endif
}

bool writeOwnerOnlyFile(const QString& path, const QByteArray& bytes, QString* error) {
    // A new file gets its permissions as it is made, so no one else can ever
    // read it; removing a link removes the link, not what it points to.
    QFile::remove(path);
    QFile file(path);
#ifdef Q_OS_WIN
    const bool opened = file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner);
#else
    const int fd = openNoFollow(path, O_WRONLY | O_CREAT | O_EXCL);
    if (fd < 0) {
        *error = lastReason();
        return false;
    }
    const bool opened = file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle);
    if (!opened)
        ::close(fd);
#endif
    if (!opened || file.write(bytes) != bytes.size() || !file.flush()) {
        *error = opened && file.error() == QFileDevice::ResourceError
                     ? QStringLiteral("de schijf is vol")
                     : QStringLiteral("het bestand kan niet worden geschreven");
        file.close();
        QFile::remove(path);
        return false;
    }
    return true;
}

bool replaceOwnerOnlyFile(const QString& path, const QByteArray& bytes, QString* error) {
    // A temporary file is made owner-only and exclusively, so nothing planted
    // beside the target can be written through.
    QTemporaryFile next(path + QStringLiteral(".XXXXXX"));
    if (!next.open() || next.write(bytes) != bytes.size() || !next.flush()) {
        *error = QStringLiteral("het bestand kan niet worden geschreven");
        return false;
    }
    next.close();
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(next.fileName().toStdU16String()),
                            std::filesystem::path(path.toStdU16String()), ec);
    if (ec) {
        *error = dutchReason(ec);
        return false;
    }
    next.setAutoRemove(false);
    return true;
}

} // namespace tavrel
