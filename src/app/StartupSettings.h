#pragma once

#include <QString>

namespace tavrel {

// The eight settings the main window shows, read from the settings store with
// the defaults of a first start in place.
struct StartupSettings {
    QString database;       // "Database"
    QString version;        // "Tavrel": "2006", "2009", "" or anything stored
    QString limitsDatabase; // "Limieten Database"
    QString domain;         // "Domain"
    QString ftpFolder;      // "FTPfolder"
    QString user;           // "User", no default
    QString password;       // "Password", no default
    QString csvFolder;      // "CSVdir"

    static StartupSettings read();
    // The version a run uses: nothing stored means "2006"; anything but
    // "2006" or "2009" means none.
    QString chosenVersion() const;
};

// Where a first start looks for the two databases: on Windows where the
// club-administration product installs them; elsewhere, where no such folder
// exists, the same file names in the user's documents folder.
QString defaultClubDatabase();
QString defaultLimitsDatabase();
// The example host name shown as the domain's default and in its caption.
inline const QString kExampleDomain = QStringLiteral("www.example.com");
inline const QString kDefaultFtpFolder = QStringLiteral("httpdocs");

// The user's documents folder, or the home folder where there is none.
QString documentsFolder();

// The CSV folder of a first start: the program's folder where this user may
// write there, otherwise the user's documents folder (or home folder); with
// the folder separator appended.
QString defaultCsvFolder(const QString& programDir);

} // namespace tavrel
