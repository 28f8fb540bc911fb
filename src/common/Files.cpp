#include "Files.h"

#include "ErrorReport.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <filesystem>
#include <system_error>

namespace tavrel {

bool FileExist(const QString& path) {
    if (path.isEmpty())
        return false;
    std::error_code ec;
    const std::filesystem::path p(QFile::encodeName(path).toStdString());
    const auto status = std::filesystem::status(p, ec);
    if (ec && status.type() != std::filesystem::file_type::not_found) {
        const bool refused = ec == std::errc::permission_denied;
        ReportError(QStringLiteral("FileExist"),
                    {refused ? ErrorNumber::PermissionDenied : ErrorNumber::PathAccess,
                     kErrorSource,
                     QStringLiteral("Bestand niet bereikbaar: ") + path + QStringLiteral(" (") +
                         QString::fromLocal8Bit(ec.message()) + QLatin1Char(')')});
        return false;
    }
    return status.type() == std::filesystem::file_type::regular;
}

QString folderSeparator() {
    return QString(QDir::separator());
}

QString withSeparator(const QString& folder) {
    if (folder.isEmpty() || folder.endsWith(QDir::separator()) || folder.endsWith(QLatin1Char('/')))
        return folder;
    return folder + folderSeparator();
}

QString logFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
}

QString tempFolder() {
    const QString temp = qEnvironmentVariable("TEMP");
    return temp.isEmpty() ? QDir::toNativeSeparators(QDir::tempPath()) : temp;
}

} // namespace tavrel
