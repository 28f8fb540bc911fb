#include "Windows1252.h"

#include <QList>
#include <QSysInfo>

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace tavrel {

namespace {

// One conversion descriptor per direction for the whole program (one thread).
class Iconv {
public:
    Iconv(const char* to, const char* from)
        : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (cd_ != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    // Converts in; an input sequence without an equivalent becomes fallback.
    QByteArray convert(const QByteArray& in, const QByteArray& fallback, int inUnit) {
        QByteArray out;
        out.reserve(in.size() * 2);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.constData());
        size_t srcLeft = size_t(in.size());
        std::vector<char> buffer(4096);
        while (srcLeft > 0) {
            char* dst = buffer.data();
            size_t dstLeft = buffer.size();
            const size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer.data(), qsizetype(buffer.size() - dstLeft));
            if (rc == size_t(-1) && errno != E2BIG) {
                // EILSEQ or EINVAL: skip one input unit.
                out.append(fallback);
                const size_t skip = std::min(size_t(inUnit), srcLeft);
                src += skip;
                srcLeft -= skip;
            }
        }
        return out;
    }

private:
    iconv_t cd_;
};

bool isAscii(QStringView text) {
    for (QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

} // namespace

QByteArray toWindows1252(QStringView text) {
    if (isAscii(text))
        return text.toLatin1();
    static Iconv encoder("WINDOWS-1252",
                         QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-32LE" : "UTF-32BE");
    const QList<uint> codePoints = text.toUcs4();
    const QByteArray utf32(reinterpret_cast<const char*>(codePoints.constData()),
                           codePoints.size() * qsizetype(sizeof(uint)));
    return encoder.convert(utf32, QByteArrayLiteral("?"), 4);
}

QString fromWindows1252(const QByteArray& bytes) {
    static Iconv decoder("UTF-8", "WINDOWS-1252");
    // Five byte values have no character in the code page: keep them visible.
    return QString::fromUtf8(decoder.convert(bytes, QByteArrayLiteral("\xEF\xBF\xBD"), 1));
}

} // namespace tavrel
