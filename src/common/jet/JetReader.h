#pragma once

// A small read-only reader for Jet 3 and Jet 4 (.mdb) files, with no Qt in it.
// Every length and offset is checked against the file, every loop is bounded
// by the file's page count, and a cycle in a page chain is caught: a damaged
// or hostile file gives an error, never a hang, a crash or unbounded memory.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tavrel::jet {

enum class Type : std::uint8_t {
    Bool = 0x01,
    Byte = 0x02,
    Int = 0x03,
    Long = 0x04,
    Money = 0x05,
    Float = 0x06,
    Double = 0x07,
    DateTime = 0x08,
    Binary = 0x09,
    Text = 0x0A,
    Ole = 0x0B,
    Memo = 0x0C,
    Guid = 0x0F,
    Numeric = 0x10,
    Complex = 0x12,
};

struct Column {
    std::string name; // UTF-8
    Type type = Type::Text;
    int number = 0;      // the column's place in a row's null mask
    int varIndex = 0;    // its place in a row's table of variable columns
    int fixedOffset = 0; // where its bytes start among the fixed columns
    int size = 0;
    bool fixed = false;
    int precision = 0;
    int scale = 0;
};

struct Table {
    std::string name;
    std::uint32_t definitionPage = 0;
    std::vector<Column> columns; // in the table's column order
    std::uint32_t rowCount = 0;
    std::uint32_t usageRow = 0; // data pointer to the map of the table's pages
    int varColumnCount = 0;
};

// One value as stored. Dates are the stored double (days since 1899-12-30);
// currency and decimal values are the exact text of their digits; GUIDs are
// 8-4-4-4-12 text; texts and memos UTF-8; binary and OLE their bytes.
struct Value {
    enum class Kind : std::uint8_t { Null, Integer, Real, Date, Text, Decimal, Bytes };
    Kind kind = Kind::Null;
    std::int64_t integer = 0;
    double real = 0;
    std::string bytes;
};

class File {
public:
    // Opens path and checks every user table's definition and page map. On
    // failure returns null and error says why, in Dutch, as the end of a
    // sentence that begins with the file ("is beschadigd of onvolledig (…)").
    static std::unique_ptr<File> open(const std::filesystem::path& path, std::string* error);
    // The same for a file's bytes in memory (for tests and fuzzing).
    static std::unique_ptr<File> fromBytes(std::string bytes, std::string* error);
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // The user tables (no system tables, links or queries), as the file
    // spells their names.
    const std::vector<std::string>& tableNames() const { return userTables_; }

    // What else than a user table a name stands for, in Dutch ("een
    // gekoppelde tabel", "een query"), or "" when the file has nothing of
    // that name besides perhaps a table.
    std::string otherObject(const std::string& name) const;

    // Reads the definition of a user table, its name matched without regard
    // to ASCII letter case. False, with error (worded as for open), when
    // there is none or it is damaged.
    bool table(const std::string& name, Table* table, std::string* error);

    // Calls row for every row of the table, in the order of its data pages,
    // with the values of the wanted columns (indexes into table.columns).
    // Stops early when row returns false. False, with error, on damage.
    using RowFunction = std::function<bool(const std::vector<Value>&)>;
    bool readRows(const Table& table, const std::vector<int>& wanted, const RowFunction& row,
                  std::string* error);

    struct Impl;

private:
    File() = default;
    static std::unique_ptr<File> start(std::unique_ptr<Impl> impl, std::string* error);
    std::unique_ptr<Impl> impl_;
    std::vector<std::string> userTables_;
    std::vector<std::uint32_t> pagesOf_;                      // each user table's definition page
    std::vector<std::pair<std::string, std::string>> others_; // links and queries
};

// What the first bytes of a file say it is.
enum class Kind { Jet3, Jet4, Ace, Other };
Kind kindOf(const unsigned char* firstBytes, std::size_t size);

} // namespace tavrel::jet
