#pragma once

#include "common/Result.h"

#include <QString>

#include <memory>
#include <string>
#include <vector>

class QTemporaryFile;

namespace tavrel {

class CsvFile;

// Lines that arrive in any order of their rank and leave by rank, in the
// order they arrived within a rank: a stable bucket sort, which is what a
// sorted statement gives for rows of equal keys, without comparing rows.
// Up to memoryBound bytes are held in memory; beyond that every rank's lines
// so far go to a temporary file beside the target, for the user alone,
// whose name is gone again at once where the system allows it.
class OrderedLines {
public:
    OrderedLines(int ranks, QString target, qsizetype memoryBound = 1 << 20);
    ~OrderedLines();
    OrderedLines(const OrderedLines&) = delete;
    OrderedLines& operator=(const OrderedLines&) = delete;

    // The lines of rank (0 <= rank < ranks) so far, in memory: a line is
    // appended in place and then ended with endLine() (or cut back to the
    // size it had, to drop it).
    std::string& pending(int rank) { return held_[size_t(rank)]; }
    // Ends the line appended to rank's lines since they held start bytes.
    // Fails, in Dutch, when the temporary file cannot be written.
    Result<void> endLine(int rank, size_t start);

    // Writes every line, by rank, to file.
    Result<void> writeTo(CsvFile& file);

private:
    struct Spilled {
        qint64 offset;
        qint64 size;
    };
    Result<void> spill();

    QString target_;
    qsizetype memoryBound_;
    std::vector<std::string> held_;
    std::vector<std::vector<Spilled>> spilled_;
    qsizetype heldBytes_ = 0;
    std::unique_ptr<QTemporaryFile> spillFile_;
};

} // namespace tavrel
