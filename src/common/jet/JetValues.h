#pragma once

// Turning a column's stored bytes into a value: texts, numbers, dates,
// currency, decimals and GUIDs, exactly as stored.

#include "JetReader.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace tavrel::jet {

// Jet 3 text: single bytes in the Windows-1252 code page, as UTF-8.
std::string jet3Text(const std::uint8_t* bytes, std::size_t size);

// Jet 4 text: UTF-16 little-endian, or, after the mark FF FE, runs of single
// bytes and of UTF-16 separated by zero bytes; as UTF-8.
std::string jet4Text(const std::uint8_t* bytes, std::size_t size);

// The bytes a fixed column takes in a row.
std::size_t fixedSize(const Column& column);

// The value of a column from its bytes (for memo and OLE: the whole long value).
void decode(const Column& column, const std::uint8_t* bytes, std::size_t size, bool jet4,
            Value& value);

// Currency: a 64-bit count of ten-thousandths, as "-12.3400".
std::string moneyText(std::int64_t tenThousandths);

// Decimal: a sign byte and a 128-bit magnitude, with scale digits after the point.
std::string decimalText(const std::uint8_t* seventeenBytes, int scale);

// A GUID as 8-4-4-4-12 lower-case hexadecimal digits.
std::string guidText(const std::uint8_t* sixteenBytes);

} // namespace tavrel::jet
