#include "ImportFile.h"

#include "common/Windows1252.h"

#include <QFileInfo>

#include <algorithm>

namespace tavrel {

namespace {

constexpr qint64 kChunk = 64 * 1024;

// Whether bytes go on as UTF-8 from where the bytes before them left off:
// pending counts the continuation bytes still expected.
bool continuesUtf8(const QByteArray& bytes, int& pending) {
    for (const char c : bytes) {
        const auto b = quint8(c);
        if (pending > 0) {
            if ((b & 0xC0) != 0x80)
                return false;
            --pending;
        } else if (b >= 0xC2 && b <= 0xDF) {
            pending = 1;
        } else if ((b & 0xF0) == 0xE0) {
            pending = 2;
        } else if (b >= 0xF0 && b <= 0xF4) {
            pending = 3;
        } else if (b >= 0x80) {
            return false;
        }
    }
    return true;
}

} // namespace

Result<void> ImportFile::open(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return failure(QStringLiteral("het bestand bestaat niet"));
    // A FIFO or a device would be waited on for ever.
    if (!info.isFile())
        return failure(QStringLiteral("het is geen gewoon bestand"));
    file_.setFileName(path);
    if (!file_.open(QIODevice::ReadOnly))
        return failure(QStringLiteral("het bestand kan niet worden geopend"));
    const QByteArray head = file_.peek(3);
    qint64 start = 0;
    if (head.startsWith("\xEF\xBB\xBF")) {
        text_ = Text::Utf8;
        start = 3;
    } else if (head.startsWith("\xFF\xFE")) {
        text_ = Text::Utf16LE;
        start = 2;
    } else if (head.startsWith("\xFE\xFF")) {
        text_ = Text::Utf16BE;
        start = 2;
    } else {
        // Valid UTF-8 throughout is UTF-8 (what spreadsheets write); a
        // single byte that is not makes it Windows-1252.
        int pending = 0;
        bool valid = true;
        while (valid && !file_.atEnd())
            valid = continuesUtf8(file_.read(kChunk), pending);
        text_ = valid && pending == 0 ? Text::Utf8 : Text::Windows1252;
    }
    if (file_.error() != QFileDevice::NoError || !file_.seek(start))
        return failure(QStringLiteral("het bestand kan niet worden gelezen"));
    switch (text_) {
    case Text::Utf8:
        decoder_.emplace(QStringDecoder::Utf8);
        break;
    case Text::Utf16LE:
        decoder_.emplace(QStringDecoder::Utf16LE);
        break;
    case Text::Utf16BE:
        decoder_.emplace(QStringDecoder::Utf16BE);
        break;
    case Text::Windows1252:
        break;
    }
    return {};
}

QString ImportFile::decode(const QByteArray& bytes) {
    return decoder_ ? decoder_->decode(bytes) : fromWindows1252(bytes);
}

bool ImportFile::fill() {
    const QByteArray bytes = file_.read(kChunk);
    if (bytes.isEmpty()) {
        atEnd_ = true;
        if (file_.error() != QFileDevice::NoError)
            whole_ = failure(QStringLiteral("het bestand kan niet volledig worden gelezen"));
        return false;
    }
    if (progress_)
        progress_(file_.pos(), file_.size());
    pending_ = pending_.mid(at_) + decode(bytes);
    scan_ -= at_;
    at_ = 0;
    return true;
}

std::optional<QString> ImportFile::next() {
    for (;;) {
        qsizetype end = -1;
        for (scan_ = std::max(scan_, at_); scan_ < pending_.size(); ++scan_)
            if (pending_[scan_] == u'\n' || pending_[scan_] == u'\r') {
                end = scan_;
                break;
            }
        // A CR at the very end may be the first half of CR LF: read on.
        if (end >= 0 && (pending_[end] == u'\n' || end + 1 < pending_.size() || atEnd_)) {
            const QString line = pending_.mid(at_, end - at_);
            at_ = end +
                  (pending_[end] == u'\r' && end + 1 < pending_.size() && pending_[end + 1] == u'\n'
                       ? 2
                       : 1);
            scan_ = at_;
            return line;
        }
        // At the end, a CR that ends the last line is a line end too.
        if (!atEnd_) {
            fill();
            continue;
        }
        if (at_ < pending_.size()) {
            const QString line = pending_.mid(at_);
            at_ = pending_.size();
            return line;
        }
        return std::nullopt;
    }
}

} // namespace tavrel
