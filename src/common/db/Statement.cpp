#include "Statement.h"

#include <QSqlError>

#include <sqlite3.h>

namespace tavrel {

Statement::Statement(Connection& connection, QString statement)
    : connection_(connection)
    , statement_(std::move(statement)) {}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

Result<void> Statement::run(const QVariantList& values) {
    // Also starts the work limit's clock for this run.
    const Result<sqlite3*> handle = connection_.handleFor(statement_);
    if (!handle)
        return handle.error();
    sqlite3* db = handle.value();
    if (!stmt_) {
        const QByteArray text = toSqliteDialect(statement_).toUtf8();
        if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &stmt_, nullptr) !=
            SQLITE_OK) {
            const ErrorInfo refused = refusalOf(connection_, db);
            sqlite3_finalize(std::exchange(stmt_, nullptr));
            return refused;
        }
    }
    if (!bindValues(stmt_, values))
        return refusalOf(connection_, db);
    const int rc = sqlite3_step(stmt_);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
        const ErrorInfo refused = refusalOf(connection_, db);
        sqlite3_reset(stmt_);
        return refused;
    }
    sqlite3_reset(stmt_);
    return {};
}

bool bindValues(sqlite3_stmt* stmt, const QVariantList& values) {
    for (int i = 0; i < values.size(); ++i) {
        const QVariant& v = values[i];
        int rc;
        if (v.isNull())
            rc = sqlite3_bind_null(stmt, i + 1);
        else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong ||
                 v.typeId() == QMetaType::Short || v.typeId() == QMetaType::Bool)
            rc = sqlite3_bind_int64(stmt, i + 1, v.toLongLong());
        else if (v.typeId() == QMetaType::Double)
            rc = sqlite3_bind_double(stmt, i + 1, v.toDouble());
        else {
            const QByteArray text = v.toString().toUtf8();
            rc = sqlite3_bind_text(stmt, i + 1, text.constData(), int(text.size()),
                                   SQLITE_TRANSIENT);
        }
        if (rc != SQLITE_OK)
            return false;
    }
    return true;
}

ErrorInfo refusalOf(const Connection& connection, sqlite3* db) {
    const QSqlError e(QString(), QString::fromUtf8(sqlite3_errmsg(db)), QSqlError::StatementError,
                      QString::number(sqlite3_extended_errcode(db)));
    return connection.errorOf(e, QStringLiteral("De opdracht is geweigerd"));
}

} // namespace tavrel
