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
        const int code = error.nativeErrorCode().toInt();
        whole_ = failure(codeReason(code), 0, code);
    } else if (walked_ != count_) {
        whole_ = shortWalk(walked_, count_);
    }
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
    // The count comes from the same statement wrapped in COUNT(*), so memory
    // stays flat however many records the walk will see.
    const QString statement = plainStatement(query);
    QSqlQuery count(connection.database());
    count.setForwardOnly(true);
    auto walk = std::make_unique<QSqlQuery>(connection.database());
    walk->setForwardOnly(true);
    Result<void> opened = connection.run(*walk, statement, values);
    if (opened)
        opened = connection.run(count, countStatement(statement), values);
    if (opened && !count.next())
        opened = connection.errorOf(count.lastError(), QStringLiteral("De opdracht is geweigerd"));
    if (!opened) {
        ReportError(QStringLiteral("OpenRecordSet"), opened.error());
        return rs;
    }
    rs.count_ = count.value(0).toLongLong();
    rs.record_ = walk->record();
    rs.query_ = std::move(walk);
    rs.step();
    return rs;
}

} // namespace tavrel
