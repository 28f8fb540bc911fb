#include "Windows1252.h"

#include <array>

namespace tavrel {

namespace {

// Bytes 0x80..0x9F; 0 where the code page has no character (0x81, 0x8D,
// 0x8F, 0x90, 0x9D). Every other byte is the Latin-1 character of its value.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The byte of a character, or '?' where the code page has none.
char byteOf(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    for (size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] != 0 && kHigh[i] == c)
            return char(0x80 + i);
    return '?';
}

} // namespace

QByteArray toWindows1252(QStringView text) {
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i; // a character beyond the first plane: one "?"
            out += '?';
        } else {
            out += QChar::isSurrogate(u) ? '?' : byteOf(u);
        }
    }
    return out;
}

QString fromWindows1252(const QByteArray& bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* p = out.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        // The five bytes without a character stay visible as U+FFFD.
        const char16_t high = b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : 0;
        *p++ = QChar(b >= 0x80 && b < 0xA0 ? (high ? high : char16_t(0xFFFD)) : char16_t(b));
    }
    return out;
}

} // namespace tavrel
