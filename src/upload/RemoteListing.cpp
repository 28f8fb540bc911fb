#include "RemoteListing.h"

#include <QList>

namespace tavrel {

namespace {

bool allDigits(const QByteArray& word) {
    if (word.isEmpty() || word.size() > 18)
        return false;
    for (const char c : word)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// The line's words, and where each begins: the name is the rest of the line
// from its first word, so a name with spaces stays whole.
struct Words {
    QList<QByteArray> words;
    QList<qsizetype> starts;
};

Words split(const QByteArray& line, int most) {
    Words w;
    qsizetype i = 0;
    while (i < line.size() && w.words.size() < most) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i == line.size())
            break;
        const qsizetype start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        w.words << line.mid(start, i - start);
        w.starts << start;
    }
    return w;
}

} // namespace

QList<ListedFile> filesInListing(const QByteArray& listing) {
    QList<ListedFile> files;
    for (QByteArray line : listing.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        // Unix: mode, links, owner, group, size, month, day, time or year, name.
        const Words posix = split(line, 9);
        if (posix.words.size() == 9 && posix.words[0].size() == 10 && posix.words[0][0] == '-' &&
            allDigits(posix.words[4])) {
            files.append({line.mid(posix.starts[8]), posix.words[4].toLongLong()});
            continue;
        }
        // Windows: date, time, size (or <DIR>), name.
        const Words windows = split(line, 4);
        if (windows.words.size() == 4 && windows.words[0].count('-') == 2 &&
            allDigits(windows.words[2]))
            files.append({line.mid(windows.starts[3]), windows.words[2].toLongLong()});
    }
    return files;
}

qint64 sizeInListing(const QByteArray& listing, const QByteArray& name) {
    for (const ListedFile& file : filesInListing(listing))
        if (file.name == name)
            return file.size;
    return -1;
}

} // namespace tavrel
