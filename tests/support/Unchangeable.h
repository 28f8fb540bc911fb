#pragma once

#include <QDir>
#include <QFile>
#include <QString>

#ifdef Q_OS_WIN
#include <QFileInfo>

#include <windows.h>

namespace tavrel::test {

// A file is made unchangeable by its read-only attribute, a folder only by
// its access list. Wine enforces no access lists (it runs as one Unix user),
// and run by root not even the attribute: works() says whether it held.
class Unchangeable {
public:
    explicit Unchangeable(const QString& path)
        : path_(QDir::toNativeSeparators(path).toStdWString()) {
        if (!QFileInfo(path).isFile())
            return;
        attributes_ = GetFileAttributesW(path_.c_str());
        works_ = SetFileAttributesW(path_.c_str(), attributes_ | FILE_ATTRIBUTE_READONLY);
        // Wine run by root opens such a file for writing all the same.
        const HANDLE probe =
            CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (works_ && probe != INVALID_HANDLE_VALUE) {
            CloseHandle(probe);
            SetFileAttributesW(path_.c_str(), attributes_);
            works_ = false;
        }
    }
    ~Unchangeable() {
        if (works_)
            SetFileAttributesW(path_.c_str(), attributes_);
    }
    bool works() const { return works_; }
    static const char* whyNot() {
        return "Wine enforces no access lists, and run by root not even a read-only "
               "attribute; Windows enforces both";
    }

private:
    std::wstring path_;
    DWORD attributes_ = 0;
    bool works_ = false;
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
    static const char* whyNot() { return "root, and the file system here has no immutable flag"; }

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
