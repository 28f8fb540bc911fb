#pragma once

// The reader's state behind File: the file (or its bytes), its format and
// size, and what each part of the reader does with pages. Defined in
// JetPages.cpp (pages and rows), JetCatalog.cpp (table definitions and the
// catalog), JetUsageMap.cpp (a table's pages), JetLongValues.cpp (memo and
// OLE values) and JetRows.cpp (a row's columns).
#include "JetLayout.h"
#include "JetReader.h"

#include <cstdio>

namespace tavrel::jet {

struct File::Impl {
    std::FILE* file = nullptr;
    std::string memory; // the file's bytes, when it is read from memory
    Format format = kJet4;
    std::uint32_t pageCount = 0;

    ~Impl();

    // The first page's bytes as far as the file has them, and the file's size.
    std::size_t readHead(Bytes& head) const;
    std::int64_t size() const;
    // The first page's header, unscrambled.
    void descramble(Bytes& head) const;

    Bytes page(std::uint32_t number) const;
    // The bytes of a row on a data page: [begin, end).
    std::pair<std::size_t, std::size_t> rowBounds(const Bytes& p, int row,
                                                  std::uint16_t* flags) const;
    // The bytes of the row a data pointer names.
    Bytes rowAt(RowRef ref) const;

    Bytes tableDefinition(std::uint32_t first) const;
    Table readTable(const std::string& name, std::uint32_t first) const;
    // A definition whose columns cannot all be what it says is damage: an
    // unknown type, or two columns in one place of a row.
    static void checkColumns(const Table& t);

    // The table's pages, in page order, from its usage map.
    std::vector<std::uint32_t> dataPages(const Table& t) const;

    // What one walk through a table has delivered so far: no walk yields
    // more long-value bytes than the file holds, however its rows point.
    struct Walk {
        std::uint64_t longBytes = 0;
    };

    std::uint64_t fileSize() const { return std::uint64_t(pageCount) * format.pageSize; }
    // A memo or OLE value: inline, in one long-value row, or in a chain.
    Bytes longValue(const std::uint8_t* field, std::size_t size, Walk& walk) const;

    // Splits one row into its columns and converts the wanted ones.
    void crackRow(const Table& t, const std::uint8_t* row, std::size_t size,
                  const std::vector<int>& wanted, std::vector<Value>& out, Walk& walk) const;
};

} // namespace tavrel::jet
