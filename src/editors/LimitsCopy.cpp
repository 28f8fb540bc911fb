#include "LimitsCopy.h"

#include "common/OwnerOnly.h"
#include "common/db/Connection.h"
#include "common/db/LimitsSchema.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <array>

namespace tavrel {

namespace {

struct Table {
    const char* name;
    const char* columns;
    const char* what; // for messages
    // The rows that are copied: a limit whose meet does not exist is left
    // out, as the limits export leaves it out (the copy's key would refuse it).
    const char* copied;
};
const std::array<Table, 3> kTables = {{
    {"wedstrijden", "code, datum1, datum2, wedstrijd, opmerking, badlengte", "wedstrijd", ""},
    {"limieten", "wcode, afstand, slag, geslacht, gebjaar1, gebjaar2, limiet25, limiet50", "limiet",
     " WHERE wcode IN (SELECT code FROM wedstrijden)"},
    {"niveaus", "afstand, slag, geslacht, badlengte, niveau, leeftijd1, leeftijd2, tijd", "niveau",
     ""},
}};

QString selectAll(const Table& t, const char* rest = "") {
    return QStringLiteral("SELECT %1 FROM %2%3")
        .arg(QLatin1String(t.columns), QLatin1String(t.name), QLatin1String(rest));
}

QString selectCopied(const Table& t) {
    return QStringLiteral("SELECT %1 FROM %2%3 ORDER BY rowid")
        .arg(QLatin1String(t.columns), QLatin1String(t.name), QLatin1String(t.copied));
}

// Equal as the files and windows show them: both null, or the same text
// (a Jet Long and a SQLite integer, or a date text, compare alike).
bool same(const QVariant& a, const QVariant& b) {
    return a.isNull() == b.isNull() && (a.isNull() || a.toString() == b.toString());
}

// A SQLite file of its own for the copy, closed and forgotten on leaving.
class Target {
public:
    explicit Target(const QString& path, bool readOnly) {
        static int counter = 0;
        name_ = QStringLiteral("tavrel-copy-%1").arg(++counter);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db.setDatabaseName(path);
        if (readOnly)
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        open_ = db.open();
    }
    ~Target() {
        {
            QSqlDatabase db = QSqlDatabase::database(name_, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }
    bool isOpen() const { return open_; }
    QSqlDatabase db() const { return QSqlDatabase::database(name_, false); }

private:
    QString name_;
    bool open_ = false;
};

LimitsCopyResult failed(const QString& why) {
    LimitsCopyResult r;
    r.why = why;
    return r;
}

QString rowText(const Table& t, int row) {
    return QStringLiteral("%1 %2 van de tabel %3")
        .arg(QLatin1String(t.what))
        .arg(row)
        .arg(QLatin1String(t.name));
}

// Opens source's rows of table t that are copied on from; "" or why not.
QString readSource(Connection& source, const Table& t, QSqlQuery& from) {
    from.setForwardOnly(true);
    ErrorInfo error;
    return source.run(from, selectCopied(t), {}, &error) ? QString() : error.Description;
}

// The limits of source whose meet does not exist: their number and codes.
QString countOrphans(Connection& source, LimitsCopyResult& result) {
    QSqlQuery q(source.database());
    ErrorInfo error;
    if (!source.run(q,
                    QStringLiteral("SELECT wcode, count(*) FROM limieten WHERE wcode IS NULL OR "
                                   "wcode NOT IN (SELECT code FROM wedstrijden) GROUP BY wcode "
                                   "ORDER BY wcode"),
                    {}, &error))
        return error.Description;
    while (q.next()) {
        result.orphans += q.value(1).toInt();
        result.orphanCodes << (q.value(0).isNull() ? QStringLiteral("(zonder code)")
                                                   : q.value(0).toString());
    }
    return {};
}

// Fills the new file; "" or why not.
QString fill(Connection& source, Target& target, LimitsCopyResult& counts) {
    QSqlDatabase db = target.db();
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA foreign_keys = ON")))
        return refusalReason(q.lastError());
    for (const QString& statement : limitsSchemaStatements())
        if (!q.exec(statement))
            return refusalReason(q.lastError());
    if (!db.transaction())
        return refusalReason(db.lastError());
    const std::array<int*, 3> count = {&counts.meets, &counts.limits, &counts.levels};
    for (size_t k = 0; k < kTables.size(); ++k) {
        const Table& t = kTables[k];
        QSqlQuery from(source.database());
        if (const QString why = readSource(source, t, from); !why.isEmpty())
            return why;
        const int n = from.record().count();
        QStringList marks;
        for (int i = 0; i < n; ++i)
            marks << QStringLiteral("?");
        QSqlQuery insert(db);
        if (!insert.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                .arg(QLatin1String(t.name), QLatin1String(t.columns),
                                     marks.join(QLatin1Char(',')))))
            return refusalReason(insert.lastError());
        int row = 0;
        while (from.next()) {
            ++row;
            for (int i = 0; i < n; ++i)
                insert.bindValue(i, from.value(i));
            if (!insert.exec()) {
                const QString key = from.value(0).toString();
                return rowText(t, row) + (k == 2 ? QString() : QStringLiteral(" (") + key + u')') +
                       QStringLiteral(": ") + refusalReason(insert.lastError());
            }
        }
        if (from.lastError().isValid())
            return QStringLiteral("de tabel %1 kan niet worden gelezen").arg(QLatin1String(t.name));
        *count[k] = row;
    }
    if (!db.commit())
        return refusalReason(db.lastError());
    return {};
}

// Reads the copy back and compares it with source, row for row; "" or why not.
QString check(Connection& source, const QString& path) {
    Target copy(path, true);
    if (!copy.isOpen())
        return QStringLiteral("de kopie kan niet worden geopend");
    for (const Table& t : kTables) {
        QSqlQuery from(source.database()), back(copy.db());
        back.setForwardOnly(true);
        if (const QString why = readSource(source, t, from); !why.isEmpty())
            return why;
        if (!back.exec(selectCopied(t)))
            return refusalReason(back.lastError());
        int row = 0;
        for (;;) {
            const bool more = from.next();
            if (more != back.next())
                return QStringLiteral("de tabel %1 van de kopie telt niet evenveel rijen")
                    .arg(QLatin1String(t.name));
            if (!more)
                break;
            ++row;
            for (int i = 0; i < from.record().count(); ++i)
                if (!same(from.value(i), back.value(i)))
                    return rowText(t, row) + QStringLiteral(" is in de kopie anders");
        }
    }
    return {};
}

} // namespace

QString limitsTablesMissing(Connection& source) {
    for (const Table& t : kTables) {
        QSqlQuery q(source.database());
        ErrorInfo error;
        if (!source.run(q, selectAll(t, " WHERE 0"), {}, &error))
            return error.Description;
    }
    return {};
}

LimitsCopyResult copyLimitsDatabase(Connection& source, const QString& target) {
    const QFileInfo to(target);
    if (to.exists() && to.canonicalFilePath() == QFileInfo(source.path()).canonicalFilePath())
        return failed(
            QStringLiteral("de kopie kan niet dezelfde naam krijgen als het bestand zelf"));
    if (!to.absoluteDir().exists())
        return failed(QStringLiteral("de map %1 bestaat niet")
                          .arg(QDir::toNativeSeparators(to.absolutePath())));
    // Built beside the target under a name of its own, for the user alone,
    // and renamed over the target only when it is complete and checked.
    QString error;
    QString part;
    {
        QFile made;
        part = createOwnerOnlyTemporary(made, to.absoluteFilePath() + QLatin1Char('.'),
                                        QStringLiteral(".deel"), &error);
    }
    if (part.isEmpty())
        return failed(QStringLiteral("in de map %1 kan geen bestand worden gemaakt")
                          .arg(QDir::toNativeSeparators(to.absolutePath())));
    const auto failedWithout = [&part](const QString& why) {
        QFile::remove(part);
        return failed(why);
    };
    LimitsCopyResult result;
    // The copy is closed before it is removed or renamed: Windows does
    // neither to an open file.
    QString why = countOrphans(source, result);
    if (why.isEmpty())
        why = [&] {
            Target copy(part, false);
            return copy.isOpen() ? fill(source, copy, result)
                                 : QStringLiteral("de kopie kan niet worden gemaakt");
        }();
    if (why.isEmpty())
        why = check(source, part);
    if (!why.isEmpty())
        return failedWithout(why);
    if (!moveOver(part, to.absoluteFilePath(), &error))
        return failedWithout(QStringLiteral("de kopie kan niet de naam %1 krijgen (%2)")
                                 .arg(QDir::toNativeSeparators(to.absoluteFilePath()), error));
    result.ok = true;
    return result;
}

} // namespace tavrel
