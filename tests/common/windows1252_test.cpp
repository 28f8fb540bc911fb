#include "common/Windows1252.h"

#include <gtest/gtest.h>

#ifdef __GLIBC__
#include <iconv.h>
#endif

using namespace tavrel;

namespace {

#ifdef __GLIBC__
// glibc's own table, as an independent reference: the text of one byte, or
// of one character ("?" where the code page has no byte for it).
QString glibcDecoded(unsigned char b) {
    iconv_t cd = iconv_open("UTF-8", "WINDOWS-1252");
    char in[1] = {char(b)}, out[8] = {};
    char *src = in, *dst = out;
    size_t left = 1, room = sizeof out;
    const bool ok = iconv(cd, &src, &left, &dst, &room) != size_t(-1);
    iconv_close(cd);
    return ok ? QString::fromUtf8(out, dst - out) : QString(QChar(0xFFFD));
}

QByteArray glibcEncoded(iconv_t cd, char32_t c) {
    char* src = reinterpret_cast<char*>(&c);
    char out[8] = {};
    char* dst = out;
    size_t left = sizeof c, room = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    return iconv(cd, &src, &left, &dst, &room) == size_t(-1) ? QByteArray("?")
                                                             : QByteArray(out, dst - out);
}

TEST(Windows1252, EveryByteAndEveryCharacterAsGlibcHasThem) {
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(fromWindows1252(QByteArray(1, char(b))), glibcDecoded(uchar(b))) << b;
    iconv_t cd = iconv_open("WINDOWS-1252", "UTF-32LE");
    for (char32_t c = 1; c < 0x10000; ++c) {
        if (QChar::isSurrogate(c))
            continue;
        ASSERT_EQ(toWindows1252(QString(QChar(char16_t(c)))), glibcEncoded(cd, c)) << int(c);
    }
    iconv_close(cd);
}
#endif

TEST(Windows1252, SurrogatesAndMixedText) {
    const struct {
        QString text;
        QByteArray bytes;
    } cases[] = {
        {QStringLiteral("Zoë € „x”"), QByteArray("Zo\xEB \x80 \x84x\x94")},
        {QString::fromUtf16(u"a\U0001F3CAb"), QByteArray("a?b")}, // one character, one "?"
        {QString::fromUtf16(u"a") + QChar(0xD800) + QStringLiteral("b"), QByteArray("a?b")},
        {QString(), QByteArray()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(toWindows1252(c.text), c.bytes) << c.text.toStdString();
    EXPECT_EQ(fromWindows1252(QByteArray("\x81\x9F\xFF")),
              QString::fromUtf16(u"\uFFFD\u0178\u00FF"));
}

} // namespace
