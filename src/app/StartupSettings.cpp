#include "StartupSettings.h"

#include "StartPlatform.h"
#include "common/Files.h"
#include "common/Registry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tavrel {

namespace {

QString setting(const char* valueName) {
    return ReadRegValue(settingName(QLatin1String(valueName))).toString();
}

// A stored empty text counts as missing, just like a missing value.
QString orDefault(const QString& value, const QString& fallback) {
    return value.isEmpty() ? fallback : value;
}

} // namespace

QString documentsFolder() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return folder.isEmpty() || !QFileInfo(folder).isDir() ? QDir::homePath() : folder;
}

QString defaultClubDatabase() {
    return start::defaultDatabase("team.mdb");
}

QString defaultLimitsDatabase() {
    return start::defaultDatabase("limieten.mdb");
}

QString defaultCsvFolder(const QString& programDir) {
    if (start::mayWriteIn(programDir))
        return QDir::toNativeSeparators(programDir) + folderSeparator();
    // Installed for the whole system: the user's own documents instead.
    return QDir::toNativeSeparators(documentsFolder()) + folderSeparator();
}

QString StartupSettings::chosenVersion() const {
    if (version.isEmpty())
        return QStringLiteral("2006");
    return version == QLatin1String("2006") || version == QLatin1String("2009") ? version
                                                                                : QString();
}

StartupSettings StartupSettings::read() {
    StartupSettings s;
    s.database = orDefault(setting("Database"), defaultClubDatabase());
    s.version = setting("Tavrel");
    s.limitsDatabase = orDefault(setting("Limieten Database"), defaultLimitsDatabase());
    s.domain = orDefault(setting("Domain"), kExampleDomain);
    s.ftpFolder = orDefault(setting("FTPfolder"), kDefaultFtpFolder);
    s.user = setting("User");
    s.password = setting("Password");
    s.csvFolder =
        orDefault(setting("CSVdir"), defaultCsvFolder(QCoreApplication::applicationDirPath()));
    return s;
}

} // namespace tavrel
