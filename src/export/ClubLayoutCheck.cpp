#include "ClubLayoutCheck.h"

#include "common/db/Connection.h"

#include <QHash>
#include <QSet>

#include <vector>

namespace tavrel {

namespace {

struct Need {
    const char* table;
    std::vector<const char*> columns;
};

// What the swimmers and times exports read, by layout: the two differ in
// the member's sex, the meet's pool and the table of strokes.
std::vector<Need> needsOf(const QString& version) {
    const bool v2006 = version == QLatin1String("2006");
    return {{"MEMBERS",
             {"MEMBERSID", "REGISTRATIONID", "FIRSTNAME", "NAMEPREFIX", "LASTNAME",
              v2006 ? "SEX" : "GENDER", "BIRTHDATE", "ACTIVE"}},
            {"MEETS", {"MEETSID", "PLACE", "MINDATE", "NAME", v2006 ? "POOL" : "COURSE"}},
            {"RESULTS", {"MEETSID", "MEMBERSID", "STYLESID", "TOTALTIME", "RESULTTYP"}},
            {v2006 ? "STYLES" : "SWIMSTYLE",
             {v2006 ? "STYLESID" : "SWIMSTYLEID", "DISTANCE", "STROKE"}}};
}

// What the file lacks of a layout, in Dutch, the first lack first; and how
// many things it lacks.
struct Lack {
    QString first;
    int count = 0;
};

Lack lackOf(const QString& version, QHash<QString, QSet<QString>>& columnsOf, Connection& club) {
    Lack lack;
    for (const Need& need : needsOf(version)) {
        const QString table = QLatin1String(need.table);
        auto columns = columnsOf.find(table);
        if (columns == columnsOf.end())
            columns = columnsOf.insert(table, club.columnNames(table));
        if (columns->isEmpty()) {
            if (!lack.count++)
                lack.first = QStringLiteral("de tabel ") + table;
            lack.count += int(need.columns.size());
            continue;
        }
        for (const char* column : need.columns)
            if (!columns->contains(QString::fromLatin1(column).toLower()) && !lack.count++)
                lack.first = QStringLiteral("de kolom ") + QLatin1String(column) +
                             QStringLiteral(" in de tabel ") + table;
    }
    return lack;
}

} // namespace

ClubLayoutFinding findClubLayout(Connection& club) {
    QHash<QString, QSet<QString>> columnsOf;
    const Lack of2006 = lackOf(QStringLiteral("2006"), columnsOf, club);
    const Lack of2009 = lackOf(QStringLiteral("2009"), columnsOf, club);
    if (!of2006.count && !of2009.count)
        return {}; // both layouts' columns: either choice reads it
    if (!of2006.count)
        return {QStringLiteral("2006"), {}};
    if (!of2009.count)
        return {QStringLiteral("2009"), {}};
    return {{}, of2006.count < of2009.count ? of2006.first : of2009.first};
}

Result<void> checkClubLayout(const ClubLayoutFinding& found, const QString& chosenVersion) {
    if (!found.missing.isEmpty())
        return failure(
            QStringLiteral("Dit bestand heeft niet de indeling van Tavrel 2006 of Tavrel 2009: ") +
            found.missing +
            QStringLiteral(" ontbreekt. Kies met Zoek... het Tavrel-databasebestand van de club."));
    if (found.version.isEmpty() || found.version == chosenVersion)
        return {};
    return failure(QStringLiteral("Dit bestand heeft de indeling van Tavrel ") + found.version +
                   QStringLiteral("; kies Tavrel ") + found.version + QLatin1Char('.'));
}

} // namespace tavrel
