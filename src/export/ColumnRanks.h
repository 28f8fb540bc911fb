#pragma once

#include <QString>

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

struct sqlite3_value;

namespace tavrel {

class Connection;
class Cursor;

// A value's bytes as SQLite stores them (a number's put in number), for
// telling values apart without converting them.
std::string_view storedBytes(int type, sqlite3_value* value, std::array<char, 8>& number);

// Values by their stored bytes, found by a view without making a key.
struct BytesHash {
    using is_transparent = void;
    size_t operator()(std::string_view bytes) const { return std::hash<std::string_view>()(bytes); }
};
template <typename T>
using ByBytes = std::unordered_map<std::string, T, BytesHash, std::equal_to<>>;

// The rank of every value of one column of a small table in the order an
// ORDER BY on that column gives, as SQLite itself compares them (its types
// and the column's collation): equal values share a rank, so a stable
// bucket sort by rank orders rows as that ORDER BY does.
class ColumnRanks {
public:
    // The ranks of table.column; null when the database will not tell them
    // or when there are more than maxRanks values (or too many bytes of
    // them) to hold, so that the statement had better sort itself.
    static std::unique_ptr<ColumnRanks> load(Connection& connection, const QString& table,
                                             const QString& column, int maxRanks);

    int count() const { return count_; }
    // The rank of column's current value in records; -1 for a value the
    // table did not hold when the ranks were loaded.
    int of(const Cursor& records, int column);

private:
    using Ranks = ByBytes<int>;

    // By SQLite's type (1 to 5), so that 1 and '1' stay apart here and
    // SQLite's own ranks say where each goes.
    std::array<Ranks, 6> ranks_;
    int count_ = 0;
    std::array<char, 8> number_{};
    // Most records repeat the value before them.
    int lastType_ = 0;
    std::string last_;
    int lastRank_ = -1;
};

} // namespace tavrel
