#pragma once

#include <QFile>
#include <QString>

#ifdef Q_OS_WIN
namespace tavrel::test {

// Windows stops writes into a folder only by its access list, which the
// tests do not set (and Wine does not enforce): the tests that need an
// unchangeable folder skip there.
class Unchangeable {
public:
    explicit Unchangeable(const QString&) {}
    bool works() const { return false; }
};

} // namespace tavrel::test
#else
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel::test {

// Makes a file or folder unchangeable for this test's user, and changeable
// again afterwards: by its mode, or for root (whom modes do not stop) by the
// file system's immutable flag.
class Unchangeable {
public:
    explicit Unchangeable(const QString& path)
        : path_(QFile::encodeName(path)) {
        struct stat st {};
        ::stat(path_.constData(), &st);
        mode_ = st.st_mode & 07777;
        ::chmod(path_.constData(), mode_ & ~0222);
        if (::geteuid() == 0)
            immutable_ = setImmutable(true);
    }
    ~Unchangeable() {
        if (immutable_)
            setImmutable(false);
        ::chmod(path_.constData(), mode_);
    }
    // False where neither works (root on a file system without the flag).
    bool works() const { return ::geteuid() != 0 || immutable_; }

private:
    bool setImmutable(bool on) {
        const int fd = ::open(path_.constData(), O_RDONLY | O_NONBLOCK);
        int flags = 0;
        const bool ok = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                        (flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL,
                         ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
        if (fd >= 0)
            ::close(fd);
        return ok;
    }
    QByteArray path_;
    mode_t mode_ = 0;
    bool immutable_ = false;
};

} // namespace tavrel::test
#endif
