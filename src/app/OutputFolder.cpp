#include "OutputFolder.h"

#include "common/Files.h"
#include "common/OwnerOnly.h"
#include "upload/FtpScript.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace tavrel {

namespace {

// Named as the exports name a missing folder: without its final separator.
QString missingFolder(const QString& text) {
    const QString shown = QFileInfo(withSeparator(text) + QLatin1Char('x')).path();
    return QStringLiteral("De map ") + QDir::toNativeSeparators(shown) +
           QStringLiteral(" bestaat niet");
}

} // namespace

OutputFolder::OutputFolder() = default;
OutputFolder::~OutputFolder() = default;

Result<void> OutputFolder::choose(const RunInput& input) {
    if (input.keepCsv) {
        // The folder means what was typed: a missing separator is added, and
        // a text that names no folder here (such as a Windows path on
        // another system) writes nothing anywhere.
        if (input.csvFolder.isEmpty())
            return failure(QStringLiteral("Er is geen map voor de CSV bestanden opgegeven"));
        if (!QFileInfo(input.csvFolder).isDir())
            return failure(missingFolder(input.csvFolder));
        prefix_ = withSeparator(input.csvFolder);
        return {};
    }
    if (!input.upload)
        return {};
    const QString temp = tempFolder();
    if (!QFileInfo(temp).isDir())
        return failure(missingFolder(temp));
    // QTemporaryDir makes the folder for the user alone (mode 0700) with a
    // name no one can claim first.
    auto dir =
        std::make_unique<QTemporaryDir>(QDir(temp).filePath(QStringLiteral("UploadTavrel-XXXXXX")));
    if (!dir->isValid())
        return failure(QStringLiteral("In de map ") + temp +
                       QStringLiteral(" kan geen map voor de upload worden gemaakt"));
    prefix_ = QDir::toNativeSeparators(dir->path()) + folderSeparator();
    private_ = std::move(dir);
    return {};
}

void OutputFolder::finish() {
    if (!private_)
        return;
    QFile log(prefix_ + kFtpLogName);
    if (log.open(QIODevice::ReadOnly)) {
        const QByteArray transcript = log.readAll();
        log.close();
        const QString folder = logFolder();
        // Losing the transcript costs no data: the run's result stands.
        if (makeOwnerOnlyFolder(folder))
            (void)replaceOwnerOnlyFile(QDir(folder).filePath(kFtpLogName), transcript);
    }
    private_.reset();
}

} // namespace tavrel
