#include "CsvFile.h"

#include <QDir>
#include <QFileInfo>

namespace tavrel {

namespace {

constexpr qsizetype kChunk = 1 << 16;

QString describe(const QString& path, const QString& why) {
    return QStringLiteral("Bestand ") + QDir::toNativeSeparators(path) +
           QStringLiteral(" kan niet worden geschreven (") + why + QLatin1Char(')');
}

} // namespace

CsvFile::CsvFile(const QString& path)
    : file_(path) {
    buffer_.reserve(kChunk + 1024);
}

bool CsvFile::open(QString* error) {
    const QFileInfo info(file_.fileName());
    if (!info.dir().exists()) {
        *error = QStringLiteral("De map ") + QDir::toNativeSeparators(info.path()) +
                 QStringLiteral(" bestaat niet");
        return false;
    }
    if (!file_.open(QIODevice::WriteOnly)) {
        *error = describe(file_.fileName(), file_.errorString());
        return false;
    }
    return true;
}

void CsvFile::writeLine(std::string_view line) {
    buffer_ += line;
    endLine();
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

bool CsvFile::commit(QString* error) {
    if (!flush() || !file_.commit()) {
        *error = describe(file_.fileName(), file_.errorString());
        file_.cancelWriting();
        return false;
    }
    return true;
}

} // namespace tavrel
