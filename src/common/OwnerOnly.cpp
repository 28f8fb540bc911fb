#include "OwnerOnly.h"

#include "OwnerOnlyPlatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

namespace tavrel {

namespace owner_only {

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

} // namespace owner_only

using namespace owner_only;

namespace {

Result<void> adopt(QFile& file, int fd) {
    if (file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle))
        return {};
    closeDescriptor(fd);
    return failure(QStringLiteral("het bestand kan niet worden geopend"));
}

Result<void> writeAll(QFile& file, const QByteArray& bytes) {
    if (file.write(bytes) == bytes.size() && file.flush())
        return {};
    return failure(file.error() == QFileDevice::ResourceError
                       ? QStringLiteral("de schijf is vol")
                       : QStringLiteral("het bestand kan niet worden geschreven"));
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
    for (const QString& p : missing)
        if (!makeFolder(p) && !QFileInfo(p).isDir())
            return false;
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
    return info.isFile() && narrowFile(path);
}

Result<void> openOwnerOnly(QFile& file, const QString& path) {
    const Result<int> fd = openOwnFile(path);
    return fd ? adopt(file, fd.value()) : fd.error();
}

Result<void> writeOwnerOnlyFile(const QString& path, const QByteArray& bytes) {
    // A new file gets its access as it is made, so no one else can ever
    // read it; removing a link removes the link, not what it points to.
    QFile::remove(path);
    const int fd = createNew(path);
    if (fd < 0)
        return lastFailure();
    QFile file;
    if (Result<void> opened = adopt(file, fd); !opened)
        return opened;
    Result<void> written = writeAll(file, bytes);
    if (!written) {
        file.close();
        QFile::remove(path);
    }
    return written;
}

Result<QString> createOwnerOnlyTemporary(QFile& file, const QString& prefix,
                                         const QString& suffix) {
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 64; ++attempt) {
        QString name = prefix;
        for (int i = 0; i < 6; ++i)
            name += QLatin1Char(kLetters[QRandomGenerator::system()->bounded(62)]);
        name += suffix;
        const int fd = createNew(name);
        if (fd >= 0) {
            if (Result<void> opened = adopt(file, fd); !opened)
                return opened.error();
            return name;
        }
        if (!lastWasExisting())
            break;
    }
    return lastFailure();
}

Result<void> moveOver(const QString& from, const QString& to) {
    if (renameOver(from, to))
        return {};
    return lastFailure();
}

Result<void> replaceOwnerOnlyFile(const QString& path, const QByteArray& bytes) {
    // The new text goes into a file made owner-only and exclusively beside
    // the target, so nothing planted there can be written through.
    QFile next;
    const Result<QString> name = createOwnerOnlyTemporary(next, path + QLatin1Char('.'), QString());
    if (!name)
        return name.error();
    Result<void> written = writeAll(next, bytes);
    next.close();
    if (written)
        written = moveOver(name.value(), path);
    if (!written)
        QFile::remove(name.value());
    return written;
}

bool removeOwnLeftover(const QString& path, bool folder) {
    if (!owner_only::isOwn(path, folder))
        return false;
    return folder ? QDir(path).removeRecursively() : QFile::remove(path);
}

} // namespace tavrel
