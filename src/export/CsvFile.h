#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>

namespace tavrel {

// An output file of CR LF lines in Windows-1252. The lines go to a temporary
// file beside the target, which replaces the target only when commit()
// succeeds: a failed run never leaves a half-written file.
class CsvFile {
public:
    explicit CsvFile(const QString& path);

    // False with a Dutch description when the file cannot be created.
    bool open(QString* error);
    void writeLine(QStringView line);
    bool commit(QString* error);

private:
    bool flush();

    QSaveFile file_;
    QByteArray buffer_;
};

} // namespace tavrel
