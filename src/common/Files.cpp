#include "Files.h"

#include "ErrorReport.h"
#include "FileLook.h"

#include <QDir>
#include <QStandardPaths>

#include <system_error>

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
    const files::Look seen = files::look(path);
    if (seen.kind == files::Look::NoAnswer) {
        ReportError(QStringLiteral("FileExist"),
                    {seen.refused ? ErrorNumber::PermissionDenied : ErrorNumber::PathAccess,
                     kErrorSource,
                     QStringLiteral("Bestand niet bereikbaar: ") + path + QStringLiteral(" (") +
                         seen.why + QLatin1Char(')')});
        return false;
    }
    return seen.kind == files::Look::File;
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
