#include "Cursor.h"

#include "Statement.h"

#include <QRegularExpression>
#include <QSqlError>

#include <sqlite3.h>

namespace tavrel {

namespace {

// Counts the rows that reach the select list; answers null.
void countRow(sqlite3_context* context, int, sqlite3_value**) {
    ++*static_cast<qint64*>(sqlite3_user_data(context));
    sqlite3_result_null(context);
}

// The statement's final ORDER BY, unless it has a LIMIT or OFFSET (which
// the count and the sort's whole input depend on).
QRegularExpressionMatch finalOrder(const QString& statement) {
    static const QRegularExpression order(QStringLiteral("\\s+ORDER\\s+BY\\s+([^()'\"?\\[\\]]*)$"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression limit(QStringLiteral("\\b(LIMIT|OFFSET)\\b"),
                                          QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatch m = order.match(statement);
    return m.hasMatch() && !limit.match(m.captured(1)).hasMatch() ? m : QRegularExpressionMatch();
}

// A sorted query with one sort key: the sort has taken in every row once
// the first comes out. (With several keys SQLite may sort block by block
// where an index gives the first key.)
bool sortsWhole(const QString& statement) {
    const QRegularExpressionMatch m = finalOrder(statement);
    return m.hasMatch() && !m.captured(1).contains(QLatin1Char(','));
}

} // namespace

QString plainStatement(const QString& query) {
    static const QRegularExpression trailingSemicolons(QStringLiteral(";+\\s*$"));
    return query.trimmed().remove(trailingSemicolons);
}

ErrorInfo shortWalk(qint64 walked, qint64 count) {
    return failure(QStringLiteral("%1 van de %2 records gelezen").arg(walked).arg(count));
}

QString withoutFinalOrder(const QString& statement) {
    QString plain = statement;
    const QRegularExpressionMatch order = finalOrder(statement);
    if (order.hasMatch())
        plain.truncate(order.capturedStart());
    return plain;
}

QString countStatement(const QString& statement) {
    return QStringLiteral("SELECT COUNT(*) FROM (") + withoutFinalOrder(statement) +
           QLatin1Char(')');
}

Cursor::Cursor() = default;
Cursor::Cursor(Cursor&& other) noexcept {
    *this = std::move(other);
}
Cursor& Cursor::operator=(Cursor&& other) noexcept {
    if (this != &other) {
        close();
        stmt_ = std::exchange(other.stmt_, nullptr);
        values_ = std::move(other.values_);
        types_ = std::move(other.types_);
        counted_ = std::move(other.counted_);
        first_ = other.first_;
        count_ = other.count_;
        walked_ = other.walked_;
        atEnd_ = std::exchange(other.atEnd_, true);
        whole_ = std::move(other.whole_);
    }
    return *this;
}
Cursor::~Cursor() {
    close();
}

void Cursor::close() {
    if (stmt_)
        sqlite3_finalize(stmt_);
    stmt_ = nullptr;
    atEnd_ = true;
}

void Cursor::moveNext() {
    if (stmt_ && !atEnd_)
        step();
}

void Cursor::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) {
        atEnd_ = false;
        ++walked_;
        values_.resize(size_t(sqlite3_data_count(stmt_)));
        types_.resize(values_.size());
        for (size_t i = 0; i < values_.size(); ++i) {
            values_[i] = sqlite3_column_value(stmt_, int(i));
            types_[i] = sqlite3_value_type(values_[i]);
        }
        return;
    }
    atEnd_ = true;
    if (rc != SQLITE_DONE)
        whole_ = failure(codeReason(rc), 0, rc);
    else if (count_ >= 0 && walked_ != count_)
        whole_ = shortWalk(walked_, count_);
}

int Cursor::column(const QString& name) const {
    if (!stmt_)
        return -1;
    for (int i = first_; i < sqlite3_column_count(stmt_); ++i)
        if (name.compare(QString::fromUtf8(sqlite3_column_name(stmt_, i)), Qt::CaseInsensitive) ==
            0)
            return i;
    return -1;
}

qint64 Cursor::integer(int column) const {
    return sqlite3_value_int64(values_[size_t(column)]);
}

double Cursor::real(int column) const {
    return sqlite3_value_double(values_[size_t(column)]);
}

QByteArrayView Cursor::utf8(int column) const {
    sqlite3_value* v = values_[size_t(column)];
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return {text, sqlite3_value_bytes(v)};
}

QVariant Cursor::value(int column) const {
    if (!stmt_ || atEnd_ || column < 0 || size_t(column) >= values_.size())
        return {};
    switch (type(column)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(integer(column)));
    case SQLITE_FLOAT:
        return QVariant(real(column));
    case SQLITE_BLOB: {
        sqlite3_value* v = values_[size_t(column)];
        const auto* data = static_cast<const char*>(sqlite3_value_blob(v));
        return QVariant(QByteArray(data, sqlite3_value_bytes(v)));
    }
    case SQLITE_NULL:
        return QVariant(QMetaType::fromType<QString>());
    default:
        return QVariant(QString::fromUtf8(utf8(column)));
    }
}

// Prepares sql with values bound; null when the database refuses it.
static sqlite3_stmt* prepared(sqlite3* db, const QString& sql, const QVariantList& values) {
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &stmt, nullptr) == SQLITE_OK &&
        bindValues(stmt, values))
        return stmt;
    sqlite3_finalize(stmt);
    return nullptr;
}

Cursor openCursor(const QString& query, Connection& connection, const QVariantList& values,
                  Count count) {
    const QString plain = plainStatement(query);
    const Result<sqlite3*> handle = connection.handleFor(plain);
    sqlite3* db = handle ? handle.value() : nullptr;
    auto refused = [&](bool described) {
        // A stop the user asked for is no fault to report.
        if (!connection.stopRequested())
            ReportError(QStringLiteral("OpenRecordSet"),
                        described ? handle.error() : refusalOf(connection, db));
        return Cursor();
    };
    if (!handle)
        return refused(true);
    const QString sqlite = toSqliteDialect(plain);
    static const QRegularExpression plainSelect(QStringLiteral("^SELECT\\s+(?!DISTINCT\\b|ALL\\b)"),
                                                QRegularExpression::CaseInsensitiveOption);
    Cursor cursor;
    cursor.counted_ = std::make_unique<qint64>(0);
    // Not deterministic, so SQLite calls it for every row.
    const bool counting =
        count == Count::First && sortsWhole(sqlite) && plainSelect.match(sqlite).hasMatch() &&
        sqlite3_create_function_v2(db, "tavrel_counted_row", 0, SQLITE_UTF8, cursor.counted_.get(),
                                   countRow, nullptr, nullptr, nullptr) == SQLITE_OK;
    QString statement = sqlite;
    if (counting) {
        statement.insert(plainSelect.match(sqlite).capturedLength(),
                         QStringLiteral("tavrel_counted_row(), "));
        cursor.first_ = 1;
    }
    cursor.stmt_ = prepared(db, statement, values);
    if (!cursor.stmt_)
        return refused(false);
    cursor.count_ = -1; // not yet known: no short walk is reported on the first step
    cursor.step();
    if (!cursor.whole_)
        return refused(false);
    if (count == Count::InWalk)
        return cursor;
    if (counting && sqlite3_stmt_status(cursor.stmt_, SQLITE_STMTSTATUS_SORT, 0) > 0) {
        cursor.count_ = *cursor.counted_;
    } else {
        // No sort ran (an index gave the order): count apart.
        sqlite3_stmt* counter = prepared(db, countStatement(sqlite), values);
        const bool counted = counter && sqlite3_step(counter) == SQLITE_ROW;
        if (counted)
            cursor.count_ = sqlite3_column_int64(counter, 0);
        sqlite3_finalize(counter);
        if (!counted)
            return refused(false);
    }
    if (cursor.atEnd_ && cursor.walked_ != cursor.count_)
        cursor.whole_ = shortWalk(cursor.walked_, cursor.count_);
    return cursor;
}

} // namespace tavrel
