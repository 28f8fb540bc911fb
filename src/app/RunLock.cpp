#include "RunLock.h"

#include "common/Files.h"
#include "common/OwnerOnly.h"
#include "upload/FtpScript.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

namespace tavrel {

namespace {

QString lockPath() {
    return QDir(logFolder()).filePath(QStringLiteral("upload.lock"));
}

// "om 03:00:12", or "op maandag 7 december om 23:59:58" for another day.
QString startedAt(const QDateTime& when) {
    const QLocale dutch(QLocale::Dutch, QLocale::Netherlands);
    return (when.date() == QDate::currentDate()
                ? QString()
                : QStringLiteral("op ") + dutch.toString(when, QStringLiteral("dddd d MMMM "))) +
           QStringLiteral("om ") + dutch.toString(when, QStringLiteral("HH:mm:ss"));
}

} // namespace

RunLock::RunLock()
    : lock_(lockPath()) {
    lock_.setStaleLockTime(0);
}

Result<void> RunLock::take() {
    if (!makeOwnerOnlyFolder(logFolder()))
        return failure(QStringLiteral("De upload kan niet beginnen: de map ") +
                       QDir::toNativeSeparators(logFolder()) +
                       QStringLiteral(" van het programma kan niet worden gemaakt."));
    if (lock_.tryLock(0))
        return {};
    if (lock_.error() != QLockFile::LockFailedError)
        return failure(QStringLiteral("De upload kan niet beginnen: in de map ") +
                       QDir::toNativeSeparators(logFolder()) +
                       QStringLiteral(" kan het programma niet schrijven."));
    return failure(QStringLiteral("Er loopt al een upload, gestart ") +
                   startedAt(QFileInfo(lockPath()).lastModified()) +
                   QStringLiteral(". Wacht tot die klaar is en probeer het dan opnieuw."));
}

RunTraces RunLock::removeLeftovers() {
    if (!lock_.isLocked())
        return {};
    static const QRegularExpression privateFolder(QStringLiteral("^UploadTavrel-[A-Za-z0-9]{6}$"));
    const QDir temp(tempFolder());
    for (const QString& name : temp.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot))
        if (privateFolder.match(name).hasMatch())
            removeOwnLeftover(temp.filePath(name), true);
    const RunTraces traces = lastRunTraces();
    if (QFileInfo(traces.script).fileName() == kFtpScriptName)
        removeOwnLeftover(traces.script, false);
    return traces;
}

} // namespace tavrel
