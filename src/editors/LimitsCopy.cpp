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

QString rowText(const Table& t, int row) {
    return QStringLiteral("%1 %2 van de tabel %3")
        .arg(QLatin1String(t.what))
        .arg(row)
        .arg(QLatin1String(t.name));
}

// A refusal of the copy's own database.
ErrorInfo refused(const QSqlError& error) {
    return failure(refusalReason(error), 0, error.nativeErrorCode().toInt());
}

// Opens source's rows of table t that are copied on from.
Result<void> readSource(Connection& source, const Table& t, QSqlQuery& from) {
    from.setForwardOnly(true);
    return source.run(from, selectCopied(t), {});
}

// The limits of source whose meet does not exist: their number and codes.
Result<void> countOrphans(Connection& source, LimitsCopied& result) {
    QSqlQuery q(source.database());
    if (Result<void> ran =
            source.run(q,
                       QStringLiteral("SELECT wcode, count(*) FROM limieten WHERE wcode IS NULL OR "
                                      "wcode NOT IN (SELECT code FROM wedstrijden) GROUP BY wcode "
                                      "ORDER BY wcode"),
                       {});
        !ran)
        return ran;
    while (q.next()) {
        result.orphans += q.value(1).toInt();
        result.orphanCodes << (q.value(0).isNull() ? QStringLiteral("(zonder code)")
                                                   : q.value(0).toString());
    }
    return {};
}

// Fills the new file.
Result<void> fill(Connection& source, Target& target, LimitsCopied& counts) {
    QSqlDatabase db = target.db();
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA foreign_keys = ON")))
        return refused(q.lastError());
    for (const QString& statement : limitsSchemaStatements())
        if (!q.exec(statement))
            return refused(q.lastError());
    if (!db.transaction())
        return refused(db.lastError());
    const std::array<int*, 3> count = {&counts.meets, &counts.limits, &counts.levels};
    for (size_t k = 0; k < kTables.size(); ++k) {
        const Table& t = kTables[k];
        QSqlQuery from(source.database());
        if (Result<void> read = readSource(source, t, from); !read)
            return read;
        const int n = from.record().count();
        QStringList marks;
        for (int i = 0; i < n; ++i)
            marks << QStringLiteral("?");
        QSqlQuery insert(db);
        if (!insert.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                .arg(QLatin1String(t.name), QLatin1String(t.columns),
                                     marks.join(QLatin1Char(',')))))
            return refused(insert.lastError());
        int row = 0;
        while (from.next()) {
            ++row;
            for (int i = 0; i < n; ++i)
                insert.bindValue(i, from.value(i));
            if (!insert.exec()) {
                const QString key = from.value(0).toString();
                return failure(rowText(t, row) +
                                   (k == 2 ? QString() : QStringLiteral(" (") + key + u')') +
                                   QStringLiteral(": ") + refusalReason(insert.lastError()),
                               0, insert.lastError().nativeErrorCode().toInt());
            }
        }
        if (from.lastError().isValid())
            return failure(
                QStringLiteral("de tabel %1 kan niet worden gelezen").arg(QLatin1String(t.name)));
        *count[k] = row;
    }
    if (!db.commit())
        return refused(db.lastError());
    return {};
}

// Reads the copy back and compares it with source, row for row.
Result<void> check(Connection& source, const QString& path) {
    Target copy(path, true);
    if (!copy.isOpen())
        return failure(QStringLiteral("de kopie kan niet worden geopend"));
    for (const Table& t : kTables) {
        QSqlQuery from(source.database()), back(copy.db());
        back.setForwardOnly(true);
        if (Result<void> read = readSource(source, t, from); !read)
            return read;
        if (!back.exec(selectCopied(t)))
            return refused(back.lastError());
        int row = 0;
        for (;;) {
            const bool more = from.next();
            if (more != back.next())
                return failure(QStringLiteral("de tabel %1 van de kopie telt niet evenveel rijen")
                                   .arg(QLatin1String(t.name)));
            if (!more)
                break;
            ++row;
            for (int i = 0; i < from.record().count(); ++i)
                if (!same(from.value(i), back.value(i)))
                    return failure(rowText(t, row) + QStringLiteral(" is in de kopie anders"));
        }
    }
    return {};
}

} // namespace

Result<void> checkLimitsTables(Connection& source) {
    for (const Table& t : kTables) {
        QSqlQuery q(source.database());
        if (Result<void> ran = source.run(q, selectAll(t, " WHERE 0"), {}); !ran)
            return ran;
    }
    return {};
}

Result<LimitsCopied> copyLimitsDatabase(Connection& source, const QString& target) {
    const QFileInfo to(target);
    if (to.exists() && to.canonicalFilePath() == QFileInfo(source.path()).canonicalFilePath())
        return failure(
            QStringLiteral("de kopie kan niet dezelfde naam krijgen als het bestand zelf"));
    if (!to.absoluteDir().exists())
        return failure(QStringLiteral("de map %1 bestaat niet")
                           .arg(QDir::toNativeSeparators(to.absolutePath())));
    // Built beside the target under a name of its own, for the user alone,
    // and renamed over the target only when it is complete and checked.
    Result<QString> made = [&] {
        QFile file;
        return createOwnerOnlyTemporary(file, to.absoluteFilePath() + QLatin1Char('.'),
                                        QStringLiteral(".deel"));
    }();
    if (!made)
        return failure(QStringLiteral("in de map %1 kan geen bestand worden gemaakt")
                           .arg(QDir::toNativeSeparators(to.absolutePath())),
                       0, made.error().Code);
    const QString& part = made.value();
    LimitsCopied counts;
    // The copy is closed before it is removed or renamed: Windows does
    // neither to an open file.
    Result<void> done = countOrphans(source, counts);
    if (done)
        done = [&]() -> Result<void> {
            Target copy(part, false);
            if (!copy.isOpen())
                return failure(QStringLiteral("de kopie kan niet worden gemaakt"));
            return fill(source, copy, counts);
        }();
    if (done)
        done = check(source, part);
    if (done) {
        done = moveOver(part, to.absoluteFilePath());
        if (!done)
            done = failure(QStringLiteral("de kopie kan niet de naam %1 krijgen (%2)")
                               .arg(QDir::toNativeSeparators(to.absoluteFilePath()), done.why()),
                           0, done.error().Code);
    }
    if (!done) {
        QFile::remove(part);
        return done.error();
    }
    return counts;
}

} // namespace tavrel
