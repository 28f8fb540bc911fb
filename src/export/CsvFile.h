#pragma once

#include "common/Result.h"

#include <QByteArray>
#include <QSaveFile>
#include <QString>

#include <string>
#include <string_view>

class QFileDevice;

namespace tavrel {

// Why file could not be written, in Dutch, naming it (or shown, when given).
QString writeFailure(const QFileDevice& file, const QString& shown = {});

// An output file of CR LF lines in Windows-1252. The lines go to a temporary
// file beside the target, which replaces the target only when commit()
// succeeds: a failed run never leaves a half-written file.
class CsvFile {
public:
    explicit CsvFile(const QString& path);

    Result<void> open();
    // A line already in Windows-1252, without its line end.
    void writeLine(std::string_view line);
    // Lines already ended.
    void writeLines(std::string_view lines);
    // The buffer the next line is appended to in place, then ended with
    // endLine() (or cut back to the size it had, to drop it).
    std::string& pending() { return buffer_; }
    void endLine();
    Result<void> commit();

private:
    bool flush();

    QSaveFile file_;
    std::string buffer_;
};

} // namespace tavrel
