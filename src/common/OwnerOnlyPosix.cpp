#include "OwnerOnlyPlatform.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel::owner_only {

namespace {

// Opens with flags, never through a symbolic link in the last place of path.
int openNoFollow(const QString& path, int flags) {
    return ::open(QFile::encodeName(path).constData(), flags | O_NOFOLLOW | O_CLOEXEC,
                  S_IRUSR | S_IWUSR);
}

} // namespace

ErrorInfo lastFailure() {
    const int e = errno;
    return failure(dutchReason(static_cast<std::errc>(e), e), 0, e);
}

bool lastWasExisting() {
    return errno == EEXIST;
}

int createNew(const QString& path) {
    return openNoFollow(path, O_WRONLY | O_CREAT | O_EXCL);
}

void closeDescriptor(int fd) {
    ::close(fd);
}

bool makeFolder(const QString& path) {
    return QDir().mkdir(path,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

bool narrowFile(const QString& path) {
    return QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

Result<int> openOwnFile(const QString& path) {
    // Non-blocking, so a FIFO planted there cannot hold the open.
    const int fd = openNoFollow(path, O_WRONLY | O_CREAT | O_NONBLOCK);
    if (fd < 0)
        return lastFailure();
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
        st.st_nlink != 1) {
        ::close(fd);
        return failure(kNotOwnFile);
    }
    if (::ftruncate(fd, 0) != 0 || ::fchmod(fd, S_IRUSR | S_IWUSR) != 0 ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        const ErrorInfo error = lastFailure();
        ::close(fd);
        return error;
    }
    return fd;
}

bool renameOver(const QString& from, const QString& to) {
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

bool isOwn(const QString& path, bool folder) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 &&
           (folder ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode)) && st.st_uid == ::geteuid();
}

} // namespace tavrel::owner_only
