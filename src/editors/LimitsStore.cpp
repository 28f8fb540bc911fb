#include "LimitsStore.h"

#include "common/Values.h"
#include "common/db/Connection.h"
#include "common/db/Transaction.h"

#include <QCryptographicHash>
#include <QDate>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

#include <optional>

namespace tavrel {

namespace {

const QString kLimits = QStringLiteral("limieten");
const QString kMeets = QStringLiteral("wedstrijden");
const QString kWcode = QStringLiteral("wcode");

StoreResult refused(const ErrorInfo& error) {
    return {isBusy(error) ? Outcome::Busy : Outcome::Refused, error};
}

// A column name from the file, as a quoted identifier.
QString quoted(QString name) {
    return QLatin1Char('"') + name.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

// "a IS ? AND b IS ?": the row still holds what was loaded (IS matches nulls too).
QString unchanged(const QStringList& columns) {
    QStringList tests;
    for (const QString& c : columns)
        tests << quoted(c) + QStringLiteral(" IS ?");
    return tests.join(QStringLiteral(" AND "));
}

qsizetype columnIndex(const QStringList& columns, const QString& name) {
    for (qsizetype i = 0; i < columns.size(); ++i)
        if (columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// The meet codes a limit row names (before and after a change); none for levels.
QVariantList codesOf(const QString& table, const QStringList& columns,
                     std::initializer_list<const QVariantList*> rows) {
    QVariantList codes;
    const qsizetype i = columnIndex(columns, kWcode);
    if (table != kLimits || i < 0)
        return codes;
    for (const QVariantList* row : rows)
        if (!codes.contains((*row)[i]))
            codes << (*row)[i];
    return codes;
}

void addToPrint(QCryptographicHash& hash, const QSqlQuery& query, int from) {
    for (int i = from; i < query.record().count(); ++i) {
        const QVariant v = query.value(i);
        // Type and text, so 25 and "25" and null and "" all differ.
        hash.addData(QByteArray::number(v.isNull() ? -1 : v.typeId()));
        hash.addData(QByteArrayView("\x1f", 1));
        hash.addData(v.toString().toUtf8());
        hash.addData(QByteArrayView("\x1e", 1));
    }
}

// The columns whose values differ (null and the empty text differ too).
std::vector<int> changedColumns(const QVariantList& before, const QVariantList& after) {
    std::vector<int> changed;
    for (int i = 0; i < int(before.size()); ++i)
        if (after[i] != before[i] || after[i].isNull() != before[i].isNull())
            changed.push_back(i);
    return changed;
}

// Every column of each table the editors and imports use.
const QHash<QString, QStringList>& tableColumns() {
    static const QHash<QString, QStringList> columns = {
        {kMeets, LimitsStore::meetColumns()},
        {kLimits,
         {QStringLiteral("wcode"), QStringLiteral("afstand"), QStringLiteral("slag"),
          QStringLiteral("geslacht"), QStringLiteral("gebjaar1"), QStringLiteral("gebjaar2"),
          QStringLiteral("limiet25"), QStringLiteral("limiet50")}},
        {QStringLiteral("niveaus"),
         {QStringLiteral("afstand"), QStringLiteral("slag"), QStringLiteral("geslacht"),
          QStringLiteral("badlengte"), QStringLiteral("niveau"), QStringLiteral("leeftijd1"),
          QStringLiteral("leeftijd2"), QStringLiteral("tijd")}},
    };
    return columns;
}

} // namespace

const QStringList& LimitsStore::meetColumns() {
    static const QStringList names = {QStringLiteral("code"),      QStringLiteral("datum1"),
                                      QStringLiteral("datum2"),    QStringLiteral("wedstrijd"),
                                      QStringLiteral("opmerking"), QStringLiteral("badlengte")};
    return names;
}

Result<void> LimitsStore::checkChangeable(const Connection& connection) {
    if (connection.canChange())
        return {};
    return failure(QStringLiteral("Het bestand ") + connection.path() +
                   (connection.isReadOnly()
                        ? QStringLiteral(" is een Jet-database en kan hier alleen gelezen worden. ")
                        : QStringLiteral(" kan niet worden gewijzigd (alleen-lezen, of de map is "
                                         "niet schrijfbaar). ")) +
                   QStringLiteral("Er is niets gewijzigd."));
}

Result<void> LimitsStore::checkColumns(const QStringList& tables) {
    for (const QString& table : tables) {
        QSqlQuery query(connection_.database());
        if (Result<void> ran = connection_.run(
                query, QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE 0"), {});
            !ran)
            return ran;
        const QSqlRecord record = query.record();
        QStringList present;
        for (int i = 0; i < record.count(); ++i)
            present << record.fieldName(i);
        for (const QString& column : tableColumns().value(table))
            if (columnIndex(present, column) < 0)
                return failure(missingColumnText(connection_.path(), table, column));
    }
    return {};
}

LoadedRows LimitsStore::loadRows(const RowSelection& s) {
    LoadedRows out;
    QSqlQuery query(connection_.database());
    query.setForwardOnly(true);
    if (Result<void> ran = connection_.run(query,
                                           QStringLiteral("SELECT rowid, * FROM ") + s.table +
                                               QStringLiteral(" WHERE ") + s.where +
                                               QStringLiteral(" ORDER BY ") + s.orderBy,
                                           s.values);
        !ran) {
        out.result = refused(ran.error());
        return out;
    }
    const QSqlRecord record = query.record();
    for (int i = 1; i < record.count(); ++i) {
        out.columns << record.fieldName(i);
        out.numeric.push_back(isNumberValue(QVariant(record.field(i).metaType())));
    }
    while (query.next()) {
        StoredRow row;
        row.rowid = query.value(0).toLongLong();
        for (int i = 1; i < record.count(); ++i)
            row.values << query.value(i);
        out.rows.push_back(std::move(row));
    }
    if (query.lastError().isValid()) {
        // A walk cut short is no selection: the caller keeps what it had.
        out.result = refused(connection_.errorOf(
            query.lastError(), QStringLiteral("De gegevens konden niet volledig worden gelezen")));
        out.rows.clear();
    }
    return out;
}

StoreResult LimitsStore::loadMeets(std::vector<QVariantList>& meets) {
    std::vector<QVariantList> loaded;
    QHash<QString, QByteArray> prints;
    {
        QSqlQuery query(connection_.database());
        query.setForwardOnly(true);
        if (Result<void> ran = connection_.run(
                query,
                QStringLiteral("SELECT ") + meetColumns().join(QStringLiteral(", ")) +
                    QStringLiteral(" FROM wedstrijden ORDER BY code"),
                {});
            !ran)
            return refused(ran.error());
        while (query.next()) {
            QVariantList meet;
            for (int i = 0; i < meetColumns().size(); ++i)
                meet << query.value(i);
            loaded.push_back(std::move(meet));
        }
        if (query.lastError().isValid())
            return refused(
                connection_.errorOf(query.lastError(), QStringLiteral("De wedstrijden "
                                                                      "konden niet worden "
                                                                      "gelezen")));
    }
    {
        // Every meet's limits at once, in the order limitsPrint reads them.
        QSqlQuery query(connection_.database());
        query.setForwardOnly(true);
        if (Result<void> ran = connection_.run(query,
                                               QStringLiteral("SELECT wcode, rowid, * FROM "
                                                              "limieten ORDER BY wcode, rowid"),
                                               {});
            !ran)
            return refused(ran.error());
        QString code;
        std::optional<QCryptographicHash> hash;
        const auto finish = [&] {
            if (hash)
                prints.insert(code, hash->result());
        };
        while (query.next()) {
            const QString c = query.value(0).toString();
            if (!hash || c != code) {
                finish();
                code = c;
                hash.emplace(QCryptographicHash::Sha1);
            }
            addToPrint(*hash, query, 1);
        }
        finish();
        if (query.lastError().isValid())
            return refused(
                connection_.errorOf(query.lastError(), QStringLiteral("De limieten "
                                                                      "konden niet worden "
                                                                      "gelezen")));
    }
    const QByteArray none = QCryptographicHash::hash({}, QCryptographicHash::Sha1);
    for (const QVariantList& meet : loaded)
        if (!prints.contains(meet[0].toString()))
            prints.insert(meet[0].toString(), none);
    meets = std::move(loaded);
    prints_ = std::move(prints);
    return {};
}

bool LimitsStore::run(QSqlQuery& query, const QString& statement, const QVariantList& values) {
    const Result<void> ran = connection_.run(query, statement, values);
    if (!ran)
        failure_ = refused(ran.error());
    return ran.ok();
}

StoreResult LimitsStore::inTransaction(const std::function<StoreResult()>& change) {
    if (Result<void> changeable = checkChangeable(connection_); !changeable)
        return {Outcome::Refused, changeable.error()};
    Result<Transaction> transaction = Transaction::begin(connection_);
    if (!transaction)
        return refused(transaction.error());
    renewed_.clear();
    if (const StoreResult result = change(); !result.ok())
        return result;
    if (Result<void> committed = transaction->commit(); !committed)
        return refused(committed.error());
    prints_.insert(renewed_);
    return {};
}

bool LimitsStore::meetsExist(const QVariantList& codes) {
    for (const QVariant& code : codes) {
        QSqlQuery query(connection_.database());
        if (!run(query, QStringLiteral("SELECT 1 FROM wedstrijden WHERE code = ?"), {code}))
            return false;
        if (!query.next()) {
            failure_ = {Outcome::MeetGone, {}};
            return false;
        }
    }
    return true;
}

StoreResult LimitsStore::missedRow(const QString& table, qint64 rowid) {
    QSqlQuery query(connection_.database());
    if (!run(query, QStringLiteral("SELECT 1 FROM ") + table + QStringLiteral(" WHERE rowid = ?"),
             {rowid}))
        return failure_;
    return {query.next() ? Outcome::Stale : Outcome::Gone, {}};
}

StoreResult LimitsStore::missedMeet(const QVariant& code) {
    if (meetsExist({code}))
        return {Outcome::Stale, {}};
    return failure_.outcome == Outcome::MeetGone ? StoreResult{Outcome::Gone, {}} : failure_;
}

bool LimitsStore::readRow(const QString& table, qint64 rowid, QVariantList& values) {
    QSqlQuery query(connection_.database());
    if (!run(query, QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE rowid = ?"),
             {rowid}))
        return false;
    if (!query.next()) {
        failure_ = {Outcome::Gone, {}};
        return false;
    }
    values.clear();
    for (int i = 0; i < query.record().count(); ++i)
        values << query.value(i);
    return true;
}

bool LimitsStore::limitsPrint(const QVariant& code, QByteArray& print) {
    QSqlQuery query(connection_.database());
    query.setForwardOnly(true);
    if (!run(query, QStringLiteral("SELECT rowid, * FROM limieten WHERE wcode IS ? ORDER BY rowid"),
             {code}))
        return false;
    QCryptographicHash hash(QCryptographicHash::Sha1);
    while (query.next())
        addToPrint(hash, query, 0);
    print = hash.result();
    return true;
}

bool LimitsStore::unchangedPrints(const QVariantList& codes, QVariantList& unchanged) {
    for (const QVariant& code : codes) {
        const auto known = prints_.constFind(code.toString());
        if (known == prints_.constEnd())
            continue;
        QByteArray print;
        if (!limitsPrint(code, print))
            return false;
        if (print == *known)
            unchanged << code;
    }
    return true;
}

bool LimitsStore::renewPrints(const QVariantList& codes) {
    for (const QVariant& code : codes) {
        QByteArray print;
        if (!limitsPrint(code, print))
            return false;
        renewed_.insert(code.toString(), print);
    }
    return true;
}

StoreResult LimitsStore::insertRow(const QString& table, const QStringList& columns,
                                   QVariantList& values, qint64* rowid) {
    const QVariantList codes = codesOf(table, columns, {&values});
    QVariantList stored;
    qint64 id = -1;
    const StoreResult result = inTransaction([&]() -> StoreResult {
        QVariantList fresh;
        if (!meetsExist(codes))
            return failure_;
        if (!unchangedPrints(codes, fresh))
            return failure_;
        QStringList names, marks;
        for (const QString& c : columns) {
            names << quoted(c);
            marks << QStringLiteral("?");
        }
        QSqlQuery query(connection_.database());
        if (!run(query,
                 QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (") +
                     names.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                     marks.join(QStringLiteral(", ")) + QLatin1Char(')'),
                 values))
            return failure_;
        id = query.lastInsertId().toLongLong();
        if (!readRow(table, id, stored))
            return failure_;
        return renewPrints(fresh) ? StoreResult{} : failure_;
    });
    if (result.ok()) {
        *rowid = id;
        values = stored;
    }
    return result;
}

StoreResult LimitsStore::updateRow(const QString& table, const QStringList& columns, qint64 rowid,
                                   const QVariantList& loaded, QVariantList& values) {
    QVariantList stored;
    const StoreResult result = inTransaction([&]() -> StoreResult {
        QVariantList fresh;
        if (!meetsExist(codesOf(table, columns, {&values})))
            return failure_;
        if (!unchangedPrints(codesOf(table, columns, {&loaded, &values}), fresh))
            return failure_;
        QStringList assignments;
        for (const QString& c : columns)
            assignments << quoted(c) + QStringLiteral(" = ?");
        QSqlQuery query(connection_.database());
        if (!run(query,
                 QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") +
                     assignments.join(QStringLiteral(", ")) +
                     QStringLiteral(" WHERE rowid = ? AND ") + unchanged(columns),
                 QVariantList(values) << rowid << loaded))
            return failure_;
        if (query.numRowsAffected() != 1)
            return missedRow(table, rowid);
        if (!readRow(table, rowid, stored))
            return failure_;
        return renewPrints(fresh) ? StoreResult{} : failure_;
    });
    if (result.ok())
        values = stored;
    return result;
}

StoreResult LimitsStore::deleteRow(const QString& table, const QStringList& columns, qint64 rowid,
                                   const QVariantList& loaded) {
    return inTransaction([&]() -> StoreResult {
        const QVariantList codes = codesOf(table, columns, {&loaded});
        QVariantList fresh;
        if (!unchangedPrints(codes, fresh))
            return failure_;
        QSqlQuery query(connection_.database());
        if (!run(query,
                 QStringLiteral("DELETE FROM ") + table + QStringLiteral(" WHERE rowid = ? AND ") +
                     unchanged(columns),
                 QVariantList{rowid} << loaded))
            return failure_;
        if (query.numRowsAffected() != 1) {
            // Gone with its meet, or on its own.
            const StoreResult missed = missedRow(table, rowid);
            if (missed.outcome != Outcome::Gone)
                return missed;
            return meetsExist(codes) ? missed : failure_;
        }
        return renewPrints(fresh) ? StoreResult{} : failure_;
    });
}

StoreResult LimitsStore::insertMeet(const QVariantList& values) {
    return inTransaction([&]() -> StoreResult {
        QSqlQuery query(connection_.database());
        if (!run(query,
                 QStringLiteral("INSERT INTO wedstrijden (") +
                     meetColumns().join(QStringLiteral(", ")) +
                     QStringLiteral(") VALUES (?, ?, ?, ?, ?, ?)"),
                 values))
            return failure_;
        return renewPrints({values[0]}) ? StoreResult{} : failure_;
    });
}

StoreResult LimitsStore::writeMeet(const QVariantList& loaded, const QVariantList& values) {
    QStringList assignments;
    QVariantList bound;
    for (int i : changedColumns(loaded, values)) {
        assignments << meetColumns()[i] + QStringLiteral(" = ?");
        bound << values[i];
    }
    if (assignments.isEmpty())
        return {};
    QSqlQuery query(connection_.database());
    if (!run(query,
             QStringLiteral("UPDATE wedstrijden SET ") + assignments.join(QStringLiteral(", ")) +
                 QStringLiteral(" WHERE code = ? AND ") + unchanged(meetColumns()),
             bound << loaded[0] << loaded))
        return failure_;
    return query.numRowsAffected() == 1 ? StoreResult{} : missedMeet(loaded[0]);
}

StoreResult LimitsStore::updateMeet(const QVariantList& loaded, const QVariantList& values) {
    if (changedColumns(loaded, values).empty())
        return {};
    const StoreResult result = inTransaction([&]() -> StoreResult {
        QVariantList fresh;
        if (!unchangedPrints({loaded[0]}, fresh))
            return failure_;
        if (const StoreResult written = writeMeet(loaded, values); !written.ok())
            return written;
        // A new code takes the limits with it (the cascade), and their print.
        return fresh.isEmpty() || renewPrints({values[0]}) ? StoreResult{} : failure_;
    });
    if (result.ok() && values[0] != loaded[0])
        prints_.remove(loaded[0].toString());
    return result;
}

StoreResult LimitsStore::deleteMeet(const QVariantList& loaded) {
    const StoreResult result = inTransaction([&]() -> StoreResult {
        QSqlQuery query(connection_.database());
        if (!run(query,
                 QStringLiteral("SELECT 1 FROM wedstrijden WHERE code = ? "
                                "AND ") +
                     unchanged(meetColumns()),
                 QVariantList{loaded[0]} << loaded))
            return failure_;
        if (!query.next())
            return missedMeet(loaded[0]);
        QVariantList fresh;
        if (!unchangedPrints({loaded[0]}, fresh))
            return failure_;
        if (fresh.isEmpty())
            return {Outcome::Stale, {}}; // its limits changed meanwhile
        QSqlQuery deletion(connection_.database());
        return run(deletion, QStringLiteral("DELETE FROM wedstrijden WHERE code = ?"), {loaded[0]})
                   ? StoreResult{}
                   : failure_;
    });
    if (result.ok())
        prints_.remove(loaded[0].toString());
    return result;
}

StoreResult LimitsStore::shiftYear(const QVariantList& loaded, int step, QVariantList& shifted) {
    // Dates move by a calendar year (29 February becomes 28 February).
    QVariantList meet = loaded;
    for (int i : {1, 2}) {
        const QDate date = QDate::fromString(loaded[i].toString().left(10), Qt::ISODate);
        if (date.isValid())
            meet[i] = date.addYears(step).toString(Qt::ISODate);
    }
    const StoreResult result = inTransaction([&]() -> StoreResult {
        QVariantList fresh;
        if (!unchangedPrints({loaded[0]}, fresh))
            return failure_;
        if (const StoreResult written = writeMeet(loaded, meet); !written.ok())
            return written;
        // Raising runs from the highest birth year down, lowering from the
        // lowest up, so a unique index on the birth years never sees two alike.
        QVariantList rows;
        {
            QSqlQuery walk(connection_.database());
            walk.setForwardOnly(true);
            if (!run(walk,
                     QStringLiteral("SELECT rowid FROM limieten WHERE wcode "
                                    "= ? ORDER BY gebjaar1") +
                         (step > 0 ? QStringLiteral(" DESC") : QString()),
                     {loaded[0]}))
                return failure_;
            while (walk.next())
                rows << walk.value(0);
            if (walk.lastError().isValid())
                return refused(
                    connection_.errorOf(walk.lastError(), QStringLiteral("De limieten konden niet "
                                                                         "worden gelezen")));
        }
        for (const QVariant& row : rows) {
            QSqlQuery update(connection_.database());
            if (!run(update,
                     QStringLiteral("UPDATE limieten SET gebjaar1 = gebjaar1 "
                                    "+ ?, gebjaar2 = gebjaar2 + ? WHERE "
                                    "rowid = ?"),
                     {step, step, row}))
                return failure_;
        }
        return renewPrints(fresh) ? StoreResult{} : failure_;
    });
    if (result.ok())
        shifted = meet;
    return result;
}

} // namespace tavrel
