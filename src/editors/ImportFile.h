#pragma once

#include "common/Result.h"

#include <QFile>
#include <QString>
#include <QStringDecoder>

#include <functional>
#include <optional>

namespace tavrel {

// The lines of an import file, read one at a time so that memory stays
// small whatever the file's size. The text is UTF-16 after its byte-order
// mark (a spreadsheet's "Unicode text"), UTF-8 after its mark or where every
// byte is valid UTF-8, and Windows-1252 otherwise. A line ends with CR LF,
// LF or a CR alone (old Mac files).
class ImportFile {
public:
    // Opens path; fails for what is no regular file (a FIFO or a device
    // would wait for ever) or cannot be read.
    Result<void> open(const QString& path);
    // The next line, without its line end; nothing at the end of the file
    // or when reading failed (then whole() says so).
    std::optional<QString> next();
    const Result<void>& whole() const { return whole_; }
    // Called as the file is read, a piece at a time: the bytes read so far
    // and the file's size.
    void onProgress(std::function<void(qint64 read, qint64 size)> progress) {
        progress_ = std::move(progress);
    }

private:
    enum class Text { Windows1252, Utf8, Utf16LE, Utf16BE };
    bool fill();
    QString decode(const QByteArray& bytes);

    QFile file_;
    Text text_ = Text::Windows1252;
    std::optional<QStringDecoder> decoder_;
    QString pending_;    // decoded text; lines before at_ are handed out
    qsizetype at_ = 0;   // where the next line starts
    qsizetype scan_ = 0; // no line end between at_ and here
    bool atEnd_ = false;
    Result<void> whole_;
    std::function<void(qint64, qint64)> progress_;
};

} // namespace tavrel
