#include "LineEnds.h"

#include <cstring>

namespace tavrel {

namespace {

// CR LF to LF in place, in one pass; the size left.
qsizetype toLineFeeds(char* bytes, qsizetype size) {
    qsizetype to = 0;
    for (qsizetype from = 0; from < size;) {
        const auto* cr =
            static_cast<const char*>(std::memchr(bytes + from, '\r', size_t(size - from)));
        const qsizetype end = cr ? cr - bytes : size;
        std::memmove(bytes + to, bytes + from, size_t(end - from));
        to += end - from;
        from = end;
        if (cr) {
            if (from + 1 == size || bytes[from + 1] != '\n')
                bytes[to++] = '\r';
            ++from;
        }
    }
    return to;
}

qint64 countLineFeeds(const char* bytes, qsizetype size) {
    qint64 lines = 0;
    for (const char* at = bytes;
         (at = static_cast<const char*>(std::memchr(at, '\n', size_t(bytes + size - at)))) !=
         nullptr;
         ++at)
        ++lines;
    return lines;
}

// LF to CR LF in place, from the back; the buffer has room for the CRs.
qsizetype toCrLf(char* bytes, qsizetype size, qint64 lineFeeds) {
    qsizetype to = size + qsizetype(lineFeeds);
    for (qsizetype from = size; from > 0;) {
        const char c = bytes[--from];
        bytes[--to] = c;
        if (c == '\n')
            bytes[--to] = '\r';
    }
    return size + qsizetype(lineFeeds);
}

} // namespace

qsizetype LineFeedPieces::take(char* buffer, qsizetype read) {
    qsizetype length = held() + read;
    if (heldCr_)
        buffer[0] = '\r';
    heldCr_ = false;
    if (read == 0)
        return length; // the end: a held CR goes as it is
    heldCr_ = buffer[length - 1] == '\r';
    length = toLineFeeds(buffer, length - (heldCr_ ? 1 : 0));
    const qint64 lines = countLineFeeds(buffer, length);
    lineFeeds_ += lines;
    return putCr_ ? toCrLf(buffer, length, lines) : length;
}

} // namespace tavrel
