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

QString lastReason() {
    return dutchReason(static_cast<std::errc>(errno), errno);
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

int openOwnFile(const QString& path, QString* error) {
    // Non-blocking, so a FIFO planted there cannot hold the open.
    const int fd = openNoFollow(path, O_WRONLY | O_CREAT | O_NONBLOCK);
    if (fd < 0) {
        *error = lastReason();
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
        st.st_nlink != 1) {
        ::close(fd);
        *error = kNotOwnFile;
        return -1;
    }
    if (::ftruncate(fd, 0) != 0 || ::fchmod(fd, S_IRUSR | S_IWUSR) != 0 ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        *error = lastReason();
        ::close(fd);
        return -1;
    }
    return fd;
}

bool renameOver(const QString& from, const QString& to) {
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

} // namespace tavrel::owner_only
