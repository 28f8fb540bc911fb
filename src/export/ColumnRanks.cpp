#include "ColumnRanks.h"

#include "common/db/Connection.h"
#include "common/db/Cursor.h"

#include <sqlite3.h>

#include <cstring>

namespace tavrel {

namespace {

constexpr qsizetype kMaxKeyBytes = 4 << 20;

} // namespace

std::string_view storedBytes(int type, sqlite3_value* value, std::array<char, 8>& number) {
    switch (type) {
    case SQLITE_INTEGER: {
        const sqlite3_int64 whole = sqlite3_value_int64(value);
        std::memcpy(number.data(), &whole, sizeof whole);
        return {number.data(), sizeof whole};
    }
    case SQLITE_FLOAT: {
        const double real = sqlite3_value_double(value);
        std::memcpy(number.data(), &real, sizeof real);
        return {number.data(), sizeof real};
    }
    case SQLITE_TEXT:
        return {reinterpret_cast<const char*>(sqlite3_value_text(value)),
                size_t(sqlite3_value_bytes(value))};
    case SQLITE_BLOB:
        return {static_cast<const char*>(sqlite3_value_blob(value)),
                size_t(sqlite3_value_bytes(value))};
    default:
        return {};
    }
}

std::unique_ptr<ColumnRanks> ColumnRanks::load(Connection& connection, const QString& table,
                                               const QString& column, int maxRanks) {
    const QString statement =
        QStringLiteral("SELECT %1, dense_rank() OVER (ORDER BY %1) FROM %2").arg(column, table);
    const Result<sqlite3*> db = connection.handleFor(statement);
    if (!db)
        return nullptr;
    const QByteArray text = statement.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db.value(), text.constData(), int(text.size()), &stmt, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(stmt);
        return nullptr;
    }
    auto ranks = std::make_unique<ColumnRanks>();
    qsizetype bytes = 0;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        const sqlite3_int64 rank = sqlite3_column_int64(stmt, 1) - 1;
        if (rank < 0 || rank >= maxRanks)
            break;
        sqlite3_value* value = sqlite3_column_value(stmt, 0);
        const int type = sqlite3_value_type(value);
        const std::string_view key = storedBytes(type, value, ranks->number_);
        bytes += qsizetype(key.size());
        if (bytes > kMaxKeyBytes || type < 1 || type > 5)
            break;
        ranks->ranks_[size_t(type)].emplace(key, int(rank));
        ranks->count_ = int(rank) + 1;
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        return nullptr;
    return ranks;
}

int ColumnRanks::of(const Cursor& records, int column) {
    const int type = records.type(column);
    const std::string_view key = storedBytes(type, records.raw(column), number_);
    if (type == lastType_ && key == last_)
        return lastRank_;
    if (type < 1 || type > 5)
        return -1;
    const Ranks& ranks = ranks_[size_t(type)];
    const auto known = ranks.find(key);
    lastType_ = type;
    last_.assign(key);
    lastRank_ = known == ranks.end() ? -1 : known->second;
    return lastRank_;
}

} // namespace tavrel
