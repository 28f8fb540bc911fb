#pragma once

// The Jet layout the reader's files share: what differs between Jet 3 and
// Jet 4, the page and row marks, the little-endian fields, and the one way
// damage is said (an exception that never leaves the reader).
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tavrel::jet {

using Bytes = std::vector<std::uint8_t>;

// The places and sizes that differ between Jet 3 and Jet 4.
struct Format {
    bool jet4;
    std::uint32_t pageSize;
    int dataRowCount;    // a data page's number of rows
    int tdefRowCount;    // a table definition's number of rows
    int tdefTableType;   // user or system table
    int tdefVarCols;     // number of variable columns
    int tdefCols;        // number of columns
    int tdefRealIndexes; // number of real indexes
    int tdefUsedPages;   // data pointer to the usage map
    int tdefColumns;     // where the real index entries start
    int realIndexSize;
    int columnSize;
    // Within a column's entry:
    int colNumber, colVarIndex, colPrecision, colFlags, colFixedOffset, colLength;
};

inline constexpr Format kJet3{.jet4 = false,
                              .pageSize = 2048,
                              .dataRowCount = 0x08,
                              .tdefRowCount = 0x0c,
                              .tdefTableType = 0x14,
                              .tdefVarCols = 0x17,
                              .tdefCols = 0x19,
                              .tdefRealIndexes = 0x1f,
                              .tdefUsedPages = 0x23,
                              .tdefColumns = 0x2b,
                              .realIndexSize = 8,
                              .columnSize = 18,
                              .colNumber = 1,
                              .colVarIndex = 3,
                              .colPrecision = 9,
                              .colFlags = 13,
                              .colFixedOffset = 14,
                              .colLength = 16};
inline constexpr Format kJet4{.jet4 = true,
                              .pageSize = 4096,
                              .dataRowCount = 0x0c,
                              .tdefRowCount = 0x10,
                              .tdefTableType = 0x28,
                              .tdefVarCols = 0x2b,
                              .tdefCols = 0x2d,
                              .tdefRealIndexes = 0x33,
                              .tdefUsedPages = 0x37,
                              .tdefColumns = 0x3f,
                              .realIndexSize = 12,
                              .columnSize = 25,
                              .colNumber = 5,
                              .colVarIndex = 7,
                              .colPrecision = 11,
                              .colFlags = 15,
                              .colFixedOffset = 21,
                              .colLength = 23};

inline constexpr std::uint8_t kDataPage = 0x01;
inline constexpr std::uint8_t kTablePage = 0x02;
inline constexpr std::uint8_t kMapPage = 0x05;
inline constexpr std::uint16_t kDeletedRow = 0x8000;
inline constexpr std::uint16_t kPointerRow = 0x4000;
inline constexpr std::uint16_t kOffsetMask = 0x1fff;
inline constexpr std::uint32_t kCatalogPage = 2;
// More text than a club's files sensibly hold in one field; a value this
// long would be carried through every sort of a run.
inline constexpr std::size_t kLongestText = 64 * 1024;
// Days from 1899-12-30 to 100-01-01 and to 10000-01-01.
inline constexpr double kFirstDay = -657434;
inline constexpr double kLastDay = 2958466;

// Damage found anywhere below a public call of the reader, which catches it
// and says it as its error.
struct Damaged {
    std::string what;
};

[[noreturn]] inline void damaged(std::string what) {
    throw Damaged{std::move(what)};
}

inline std::uint16_t u16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | (p[1] << 8));
}
inline std::uint32_t u24(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
}
inline std::uint32_t u32(const std::uint8_t* p) {
    return u24(p) | (std::uint32_t(p[3]) << 24);
}

// Bytes at [at, at + n) of buffer, or damage.
inline const std::uint8_t* span(const Bytes& buffer, std::size_t at, std::size_t n,
                                const char* what) {
    if (at > buffer.size() || n > buffer.size() - at)
        damaged(what);
    return buffer.data() + at;
}

// A data pointer: the row number in its low byte, the page above it.
struct RowRef {
    std::uint32_t page;
    int row;
};
inline RowRef rowRef(std::uint32_t pointer) {
    return {pointer >> 8, int(pointer & 0xff)};
}

} // namespace tavrel::jet
