#include "OrderedLines.h"

#include "CsvFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <utility>

namespace tavrel {

OrderedLines::OrderedLines(int ranks, QString target, qsizetype memoryBound)
    : target_(std::move(target))
    , memoryBound_(memoryBound)
    , held_(size_t(ranks))
    , spilled_(size_t(ranks)) {}

OrderedLines::~OrderedLines() = default;

Result<void> OrderedLines::endLine(int rank, size_t start) {
    std::string& held = held_[size_t(rank)];
    held += "\r\n";
    heldBytes_ += qsizetype(held.size() - start);
    if (heldBytes_ > memoryBound_)
        return spill();
    return {};
}

Result<void> OrderedLines::spill() {
    if (!spillFile_) {
        const QFileInfo target(target_);
        spillFile_ = std::make_unique<QTemporaryFile>(target.dir().filePath(
            QLatin1Char('.') + target.fileName() + QStringLiteral(".XXXXXX.volgorde")));
        if (!spillFile_->open())
            return failure(writeFailure(*spillFile_, target_));
#ifndef Q_OS_WIN
        // Open files live on without a name here: a killed run leaves none.
        QFile::remove(spillFile_->fileName());
#endif
    }
    for (size_t rank = 0; rank < held_.size(); ++rank) {
        std::string& held = held_[rank];
        if (held.empty())
            continue;
        const qint64 offset = spillFile_->pos();
        if (spillFile_->write(held.data(), qint64(held.size())) != qint64(held.size()))
            return failure(writeFailure(*spillFile_, target_));
        spilled_[rank].push_back({offset, qint64(held.size())});
        held.clear(); // its room stays for the lines to come
    }
    heldBytes_ = 0;
    return {};
}

Result<void> OrderedLines::writeTo(CsvFile& file) {
    if (spillFile_ && !spillFile_->flush())
        return failure(writeFailure(*spillFile_, target_));
    // Read back in pieces, so that reading adds little to what is held.
    std::string piece(size_t(std::min<qsizetype>(memoryBound_, 1 << 20)), '\0');
    for (size_t rank = 0; rank < held_.size(); ++rank) {
        for (const Spilled& part : spilled_[rank]) {
            if (!spillFile_->seek(part.offset))
                return failure(writeFailure(*spillFile_, target_));
            for (qint64 left = part.size; left > 0;) {
                const qint64 size = std::min(left, qint64(piece.size()));
                if (spillFile_->read(piece.data(), size) != size)
                    return failure(writeFailure(*spillFile_, target_));
                file.writeLines(std::string_view(piece.data(), size_t(size)));
                left -= size;
            }
        }
        file.writeLines(held_[rank]);
        std::string().swap(held_[rank]);
    }
    return {};
}

} // namespace tavrel
