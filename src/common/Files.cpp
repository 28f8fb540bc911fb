#include "Files.h"

#include "ErrorReport.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <filesystem>
#include <system_error>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace tavrel {

QString systemReason(const std::error_code& ec) {
    // The system's own words follow the user's language settings, which
    // may be English: the program says the common ones itself.
    if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted)
        return QStringLiteral("geen toegang");
    if (ec == std::errc::too_many_symbolic_link_levels)
        return QStringLiteral("koppelingen verwijzen in een kring naar elkaar");
    if (ec == std::errc::not_a_directory)
        return QStringLiteral("een deel van het pad is geen map");
    if (ec == std::errc::filename_too_long)
        return QStringLiteral("de naam is te lang");
    if (ec == std::errc::no_such_file_or_directory)
        return QStringLiteral("het bestaat niet");
    if (ec == std::errc::no_space_on_device)
        return QStringLiteral("de schijf is vol");
    if (ec == std::errc::read_only_file_system)
        return QStringLiteral("de schijf is alleen te lezen");
    if (ec == std::errc::io_error)
        return QStringLiteral("de schijf kan niet worden gelezen");
    return QStringLiteral("systeemfout %1").arg(ec.value());
}

bool FileExist(const QString& path) {
    if (path.isEmpty())
        return false;
    const auto report = [&path](bool refused, const QString& why) {
        ReportError(QStringLiteral("FileExist"),
                    {refused ? ErrorNumber::PermissionDenied : ErrorNumber::PathAccess,
                     kErrorSource,
                     QStringLiteral("Bestand niet bereikbaar: ") + path + QStringLiteral(" (") +
                         why + QLatin1Char(')')});
        return false;
    };
#ifdef Q_OS_WIN
    // Windows's own answer, by the path's wide text: the C runtime calls
    // nearly every failure "not found".
    const QString native = QDir::toNativeSeparators(path);
    const DWORD attributes = GetFileAttributesW(reinterpret_cast<const wchar_t*>(native.utf16()));
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD e = GetLastError();
        if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND || e == ERROR_BAD_NETPATH ||
            e == ERROR_BAD_NET_NAME)
            return false;
        return report(e == ERROR_ACCESS_DENIED, e == ERROR_ACCESS_DENIED
                                                    ? QStringLiteral("geen toegang")
                                                    : QStringLiteral("systeemfout %1").arg(e));
    }
    return !(attributes & FILE_ATTRIBUTE_DIRECTORY);
#else
    std::error_code ec;
    const std::filesystem::path p(QFile::encodeName(path).toStdString());
    const auto status = std::filesystem::status(p, ec);
    if (ec && status.type() != std::filesystem::file_type::not_found)
        return report(ec == std::errc::permission_denied, systemReason(ec));
    return status.type() == std::filesystem::file_type::regular;
#endif
}

QString folderSeparator() {
    return QString(QDir::separator());
}

QString withSeparator(const QString& folder) {
    if (folder.isEmpty() || folder.endsWith(QDir::separator()) || folder.endsWith(QLatin1Char('/')))
        return folder;
    return folder + folderSeparator();
}

namespace {
QString& redirectedLogFolder() {
    static QString folder;
    return folder;
}
} // namespace

QString logFolder() {
    if (!redirectedLogFolder().isEmpty())
        return redirectedLogFolder();
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
}

void redirectLogFolder(const QString& folder) {
    redirectedLogFolder() = folder;
}

QString tempFolder() {
    const QString temp = qEnvironmentVariable("TEMP");
    return temp.isEmpty() ? QDir::toNativeSeparators(QDir::tempPath()) : temp;
}

} // namespace tavrel
