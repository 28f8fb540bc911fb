#include "StartupSettings.h"

#include "common/Files.h"
#include "common/Registry.h"

#include <QCoreApplication>
#include <QDir>

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

QString programFolder() {
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath()) + folderSeparator();
}

StartupSettings StartupSettings::read() {
    StartupSettings s;
    s.database = orDefault(setting("Database"), kDefaultClubDatabase);
    s.version = setting("Tavrel");
    s.limitsDatabase = orDefault(setting("Limieten Database"), kDefaultLimitsDatabase);
    s.domain = orDefault(setting("Domain"), kExampleDomain);
    s.ftpFolder = orDefault(setting("FTPfolder"), kDefaultFtpFolder);
    s.user = setting("User");
    s.password = setting("Password");
    s.csvFolder = orDefault(setting("CSVdir"), programFolder());
    return s;
}

} // namespace tavrel
