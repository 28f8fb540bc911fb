#include "Recordset.h"

#include "Cursor.h"

#include <QSqlError>
#include <QSqlQuery>

namespace tavrel {

Recordset::Recordset() = default;
Recordset::~Recordset() = default;
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;

void Recordset::MoveNext() {
    if (query_ && !atEnd_)
        step();
}

void Recordset::step() {
    atEnd_ = !query_->next();
    if (!atEnd_) {
        ++walked_;
        return;
    }
    const QSqlError error = query_->lastError();
    if (error.isValid()) {
        failed_ = true;
        const int code = error.nativeErrorCode().toInt() & 0xff;
        failure_ = code == 11 || code == 26 // SQLITE_CORRUPT, SQLITE_NOTADB
                       ? QStringLiteral("de database is beschadigd")
                       : QStringLiteral("de database gaf een fout (%1)").arg(code);
    } else if (walked_ != count_) {
        failed_ = true;
        failure_ = QStringLiteral("%1 van de %2 records gelezen").arg(walked_).arg(count_);
    }
}

QStringList Recordset::fieldNames() const {
    QStringList names;
    for (int i = 0; i < record_.count(); ++i)
        names << record_.fieldName(i);
    return names;
}

QVariant Recordset::value(int column) const {
    return query_ && !atEnd_ ? query_->value(column) : QVariant();
}

QVariant Recordset::operator[](const QString& name) const {
    const int i = column(name);
    Q_ASSERT_X(i >= 0, "Recordset", "no such field");
    return i >= 0 ? value(i) : QVariant();
}

void Recordset::Close() {
    query_.reset();
    record_ = QSqlRecord();
    atEnd_ = true;
}

Recordset OpenRecordSet(const QString& query, Connection& connection, const QVariantList& values) {
    Recordset rs;
    ErrorInfo error;
    // The count comes from the same statement wrapped in COUNT(*), so memory
    // stays flat however many records the walk will see.
    const QString statement = plainStatement(query);
    QSqlQuery count(connection.database());
    count.setForwardOnly(true);
    auto walk = std::make_unique<QSqlQuery>(connection.database());
    walk->setForwardOnly(true);
    if (!connection.run(*walk, statement, values, &error) ||
        !connection.run(count, countStatement(statement), values, &error) || !count.next()) {
        ReportError(QStringLiteral("OpenRecordSet"), error);
        return rs;
    }
    rs.count_ = count.value(0).toLongLong();
    rs.record_ = walk->record();
    rs.query_ = std::move(walk);
    rs.step();
    return rs;
}

} // namespace tavrel
