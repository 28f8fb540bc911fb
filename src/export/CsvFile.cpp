#include "CsvFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace tavrel {

namespace {

constexpr qsizetype kChunk = 1 << 16;

// Why the file could not be written, in Dutch (Qt's own words are English).
// A full disk is told by the disk itself: by the time the file is closed, Qt
// may no longer say that a write fell short.
QString reason(const QFileDevice& file) {
    const QStorageInfo disk(QFileInfo(file.fileName()).absolutePath());
    if (disk.isValid() && disk.bytesAvailable() < 2 * kChunk)
        return QStringLiteral("de schijf is vol");
    switch (file.error()) {
    case QFileDevice::PermissionsError:
        return QStringLiteral("geen toegang");
    case QFileDevice::ResourceError:
        return QStringLiteral("er is te weinig geheugen of ruimte");
    case QFileDevice::OpenError:
        return QStringLiteral("het kan niet worden aangemaakt");
    default:
        return QStringLiteral("schrijven mislukt");
    }
}

} // namespace

QString writeFailure(const QFileDevice& file, const QString& shown) {
    return QStringLiteral("Bestand ") +
           QDir::toNativeSeparators(shown.isEmpty() ? file.fileName() : shown) +
           QStringLiteral(" kan niet worden geschreven (") + reason(file) + QLatin1Char(')');
}

CsvFile::CsvFile(const QString& path)
    : file_(path) {
    buffer_.reserve(kChunk + 1024);
}

Result<void> CsvFile::open() {
    const QFileInfo info(file_.fileName());
    if (!info.dir().exists())
        return failure(QStringLiteral("De map ") + QDir::toNativeSeparators(info.path()) +
                       QStringLiteral(" bestaat niet"));
    if (!file_.open(QIODevice::WriteOnly))
        return failure(writeFailure(file_));
    return {};
}

void CsvFile::writeLine(std::string_view line) {
    buffer_ += line;
    endLine();
}

void CsvFile::writeLines(std::string_view lines) {
    if (lines.size() < size_t(kChunk)) {
        buffer_ += lines;
        if (buffer_.size() >= size_t(kChunk))
            flush();
        return;
    }
    // A large piece goes straight through; QSaveFile remembers a failed write.
    flush();
    file_.write(lines.data(), qint64(lines.size()));
}

void CsvFile::endLine() {
    buffer_ += "\r\n";
    if (buffer_.size() >= size_t(kChunk))
        flush();
}

bool CsvFile::flush() {
    const bool ok = file_.write(buffer_.data(), qint64(buffer_.size())) == qint64(buffer_.size());
    buffer_.clear();
    return ok;
}

Result<void> CsvFile::commit() {
    if (flush() && file_.commit())
        return {};
    const ErrorInfo error = failure(writeFailure(file_));
    file_.cancelWriting();
    return error;
}

} // namespace tavrel
