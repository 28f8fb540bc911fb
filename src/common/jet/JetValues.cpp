#include "JetValues.h"

#include <cstring>

namespace tavrel::jet {

namespace {

void appendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xc0 | (c >> 6));
        out += char(0x80 | (c & 0x3f));
    } else if (c < 0x10000) {
        out += char(0xe0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3f));
        out += char(0x80 | (c & 0x3f));
    } else {
        out += char(0xf0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3f));
        out += char(0x80 | ((c >> 6) & 0x3f));
        out += char(0x80 | (c & 0x3f));
    }
}

// UTF-16 code units to UTF-8; a lone surrogate becomes U+FFFD.
class Utf16 {
public:
    explicit Utf16(std::string& out)
        : out_(out) {}
    ~Utf16() { flush(); }
    void unit(std::uint16_t u) {
        if (high_ && u >= 0xdc00 && u <= 0xdfff) {
            appendUtf8(out_, 0x10000 + ((std::uint32_t(high_) - 0xd800) << 10) + (u - 0xdc00));
            high_ = 0;
            return;
        }
        flush();
        if (u >= 0xd800 && u <= 0xdbff)
            high_ = u;
        else
            appendUtf8(out_, (u >= 0xdc00 && u <= 0xdfff) ? 0xfffd : u);
    }
    void flush() {
        if (high_)
            appendUtf8(out_, 0xfffd);
        high_ = 0;
    }

private:
    std::string& out_;
    std::uint16_t high_ = 0;
};

// Windows-1252 from 0x80 to 0x9f; 0 where the code page has no character.
constexpr std::uint16_t kHigh1252[32] = {
    0x20ac, 0,      0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021, 0x02c6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017d, 0,      0,      0x2018, 0x2019, 0x201c, 0x201d, 0x2022,
    0x2013, 0x2014, 0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0,      0x017e, 0x0178};

std::string hex(const std::uint8_t* b, std::size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        out += digits[b[i] >> 4];
        out += digits[b[i] & 15];
    }
    return out;
}

template <typename T>
T load(const std::uint8_t* b) {
    T v;
    std::memcpy(&v, b, sizeof v); // files and both platforms are little-endian
    return v;
}

// A magnitude as decimal digits with scale of them after the point.
std::string withPoint(std::string digits, int scale, bool negative) {
    if (scale > 0) {
        if (digits.size() <= std::size_t(scale))
            digits.insert(0, std::size_t(scale) + 1 - digits.size(), '0');
        digits.insert(digits.size() - std::size_t(scale), 1, '.');
    }
    return negative ? "-" + digits : digits;
}

} // namespace

std::string jet3Text(const std::uint8_t* b, std::size_t n) {
    std::string out;
    out.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t c = b[i];
        if (c >= 0x80 && c < 0xa0)
            appendUtf8(out, kHigh1252[c - 0x80] ? kHigh1252[c - 0x80] : 0xfffd);
        else
            appendUtf8(out, c);
    }
    return out;
}

std::string jet4Text(const std::uint8_t* b, std::size_t n) {
    std::string out;
    out.reserve(n);
    Utf16 utf16(out);
    if (n >= 2 && b[0] == 0xff && b[1] == 0xfe) {
        bool single = true;
        for (std::size_t i = 2; i < n;) {
            if (b[i] == 0) {
                single = !single;
                ++i;
            } else if (single) {
                utf16.unit(b[i++]);
            } else if (i + 1 < n) {
                utf16.unit(std::uint16_t(b[i] | (b[i + 1] << 8)));
                i += 2;
            } else {
                break;
            }
        }
    } else {
        for (std::size_t i = 0; i + 1 < n; i += 2)
            utf16.unit(std::uint16_t(b[i] | (b[i + 1] << 8)));
    }
    utf16.flush();
    return out;
}

std::size_t fixedSize(const Column& c) {
    switch (c.type) {
    case Type::Bool:
        return 0;
    case Type::Byte:
        return 1;
    case Type::Int:
        return 2;
    case Type::Long:
    case Type::Float:
    case Type::Complex:
        return 4;
    case Type::Money:
    case Type::Double:
    case Type::DateTime:
        return 8;
    case Type::Guid:
        return 16;
    case Type::Numeric:
        return 17;
    default:
        return std::size_t(c.size);
    }
}

std::string moneyText(std::int64_t v) {
    const bool negative = v < 0;
    const std::uint64_t magnitude = negative ? 0 - std::uint64_t(v) : std::uint64_t(v);
    return withPoint(std::to_string(magnitude), 4, negative);
}

std::string decimalText(const std::uint8_t* b, int scale) {
    // Four 32-bit little-endian words, the most significant first; divided
    // by ten word by word to give the digits.
    std::uint32_t words[4];
    for (int w = 0; w < 4; ++w)
        words[w] = load<std::uint32_t>(b + 1 + 4 * w);
    std::string digits;
    bool more = true;
    while (more) {
        std::uint64_t rest = 0;
        more = false;
        for (std::uint32_t& word : words) {
            const std::uint64_t part = (rest << 32) | word;
            word = std::uint32_t(part / 10);
            rest = part % 10;
            more = more || word != 0;
        }
        digits.insert(digits.begin(), char('0' + int(rest)));
    }
    return withPoint(digits, scale, (b[0] & 0x80) != 0);
}

std::string guidText(const std::uint8_t* b) {
    const std::uint8_t ordered[16] = {b[3], b[2], b[1],  b[0],  b[5],  b[4],  b[7],  b[6],
                                      b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]};
    const std::string h = hex(ordered, 16);
    return h.substr(0, 8) + "-" + h.substr(8, 4) + "-" + h.substr(12, 4) + "-" + h.substr(16, 4) +
           "-" + h.substr(20);
}

void decode(const Column& c, const std::uint8_t* b, std::size_t n, bool jet4, Value& v) {
    using K = Value::Kind;
    auto need = [&](std::size_t size) {
        if (n < size) {
            v.kind = K::Null; // too short to hold its type: nothing readable stands there
            return false;
        }
        return true;
    };
    switch (c.type) {
    case Type::Byte:
        if (need(1))
            v = {K::Integer, b[0], 0, {}};
        break;
    case Type::Int:
        if (need(2))
            v = {K::Integer, load<std::int16_t>(b), 0, {}};
        break;
    case Type::Long:
    case Type::Complex:
        if (need(4))
            v = {K::Integer, load<std::int32_t>(b), 0, {}};
        break;
    case Type::Float:
        if (need(4))
            v = {K::Real, 0, double(load<float>(b)), {}};
        break;
    case Type::Double:
        if (need(8))
            v = {K::Real, 0, load<double>(b), {}};
        break;
    case Type::DateTime:
        if (need(8))
            v = {K::Date, 0, load<double>(b), {}};
        break;
    case Type::Money:
        if (need(8))
            v = {K::Decimal, 0, 0, moneyText(load<std::int64_t>(b))};
        break;
    case Type::Numeric:
        if (need(17))
            v = {K::Decimal, 0, 0, decimalText(b, c.scale)};
        break;
    case Type::Guid:
        if (need(16))
            v = {K::Text, 0, 0, guidText(b)};
        break;
    case Type::Text:
    case Type::Memo:
        v = {K::Text, 0, 0, jet4 ? jet4Text(b, n) : jet3Text(b, n)};
        break;
    default: // binary, OLE and types not known here: their bytes
        v = {K::Bytes, 0, 0, std::string(reinterpret_cast<const char*>(b), n)};
        break;
    }
}

} // namespace tavrel::jet
