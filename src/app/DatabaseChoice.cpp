#include "DatabaseChoice.h"

#include "StartupSettings.h"
#include "common/ErrorReport.h"
#include "common/Files.h"
#include "common/db/Connection.h"
#include "export/ClubLayoutCheck.h"

#include <QDir>
#include <QFileInfo>

namespace tavrel {

namespace {

// Where the last separator of either kind stands (-1: none), so a Windows
// path stored on another system still gives its folder and name.
qsizetype lastSeparator(const QString& path) {
    return std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
}

// The folder part of a path ("" for a bare name).
QString folderOf(const QString& path) {
    const qsizetype cut = lastSeparator(path);
    return cut < 0 ? QString() : path.left(std::max<qsizetype>(cut, 1));
}

QString nameOf(const QString& path) {
    return path.mid(lastSeparator(path) + 1);
}

bool isFolder(const QString& folder) {
    return !folder.isEmpty() && QFileInfo(QDir::fromNativeSeparators(folder)).isDir();
}

bool isFile(const QString& path) {
    return !path.isEmpty() && QFileInfo(QDir::fromNativeSeparators(path)).isFile();
}

} // namespace

QString databaseDialogStart(const QString& current, const QString& other) {
    // A file that is there is shown where it is; one that is not is looked
    // for beside the other database first (a first start's default folder
    // may exist without the files in it).
    if (isFile(current) || (isFolder(folderOf(current)) && !isFile(other)))
        return current;
    const QString folder = isFile(other) ? folderOf(other) : documentsFolder();
    // A folder ends with its separator, so the dialog opens in it.
    return QDir::toNativeSeparators(QDir::fromNativeSeparators(folder) + QLatin1Char('/') +
                                    nameOf(current));
}

std::optional<FieldNote> startHint(const QString& clubDatabase, const QString& limitsDatabase) {
    if (!isFile(clubDatabase))
        return FieldNote{QStringLiteral("Kies met Zoek... het Tavrel-databasebestand van de club."),
                         RunField::ClubDatabase};
    if (!isFile(limitsDatabase))
        return FieldNote{QStringLiteral("Kies met Zoek... het databasebestand met limieten en "
                                        "niveaus (alleen nodig voor limieten en niveaus)."),
                         RunField::LimitsDatabase};
    return std::nullopt;
}

std::optional<FieldNote> chosenClubDatabaseNote(const QString& path, const QString& version) {
    Connection club;
    if (const Result<void> opened = club.openQuietly(path); !opened)
        return FieldNote{opened.why(), RunField::ClubDatabase};
    const ClubLayoutFinding found = findClubLayout(club);
    if (const Result<void> layout = checkClubLayout(found, version); !layout)
        return FieldNote{layout.why(),
                         found.missing.isEmpty() ? RunField::Version : RunField::ClubDatabase};
    return std::nullopt;
}

} // namespace tavrel
