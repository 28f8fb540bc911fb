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

bool openOwnerOnly(QFile& file, const QString& path, QString* error) {
    const int fd = openOwnFile(path, error);
    return fd >= 0 && adopt(file, fd, error);
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
    const bool moved = renameOver(from, to);
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
