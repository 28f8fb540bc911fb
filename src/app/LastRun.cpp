#include "LastRun.h"

#include "common/Files.h"
#include "common/OwnerOnly.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace tavrel {

namespace {

const QString kFileName = QStringLiteral("laatste-upload.txt");

QString filesText(qsizetype n) {
    static const char* const words[] = {"geen bestanden", "\u00e9\u00e9n bestand", "twee bestanden",
                                        "drie bestanden", "vier bestanden"};
    return n >= 0 && n < 5 ? QString::fromUtf8(words[n])
                           : QString::number(n) + QStringLiteral(" bestanden");
}

QString place(const RunRecord& r) {
    QString where;
    if (r.upload) {
        QString site = r.domain;
        if (!r.ftpFolder.isEmpty())
            site += QLatin1Char('/') + r.ftpFolder;
        where = QStringLiteral(" naar ") + site;
    }
    if (r.keepCsv)
        where += (r.upload ? QStringLiteral(" en") : QString()) + QStringLiteral(" bewaard in ") +
                 QDir::toNativeSeparators(r.csvFolder);
    return where;
}

// What an interrupted run may have left where its files go.
QString interruptedState(const RunRecord& r) {
    if (!r.upload)
        return QStringLiteral(". Elk CSV-bestand in ") + QDir::toNativeSeparators(r.csvFolder) +
               QStringLiteral(" is het oude of het nieuwe.");
    if (!r.sending)
        return QStringLiteral(" voordat er iets naar de website ging.");
    if (r.replaced.isEmpty())
        return QStringLiteral(" tijdens de upload. De website heeft de oude bestanden of al een "
                              "deel van de nieuwe; upload opnieuw.");
    return QStringLiteral(" tijdens de upload. Op de website zijn al vervangen: ") +
           r.replaced.join(QStringLiteral(", ")) +
           QStringLiteral("; andere zijn mogelijk nog oud. Upload opnieuw.");
}

} // namespace

QString lastRunLine(const RunRecord& r) {
    const QLocale dutch(QLocale::Dutch, QLocale::Netherlands);
    QString line =
        (r.upload ? QStringLiteral("Laatste upload: ") : QStringLiteral("Laatste export: ")) +
        dutch.toString(r.when, QStringLiteral("dddd d MMMM yyyy HH:mm"));
    switch (r.result) {
    case RunRecord::Result::Succeeded:
        line += QStringLiteral(", ") + filesText(r.files.size()) + place(r) +
                (r.inClear ? QStringLiteral(", geslaagd, onversleuteld.")
                           : QStringLiteral(", geslaagd."));
        break;
    case RunRecord::Result::Stopped:
        line += QStringLiteral(", gestopt.");
        break;
    case RunRecord::Result::Failed:
        line += QStringLiteral(", mislukt: ") + r.reason.trimmed();
        if (!line.endsWith(QLatin1Char('.')))
            line += QLatin1Char('.');
        break;
    case RunRecord::Result::Interrupted:
        line += QStringLiteral(", begonnen maar niet afgemaakt: het programma is onderbroken") +
                interruptedState(r);
        break;
    }
    return line;
}

bool storeLastRun(const QString& line, const RunTraces& traces) {
    const QString folder = logFolder();
    QByteArray text = line.toUtf8() + '\n';
    if (!traces.token.isEmpty())
        text += traces.token.toUtf8() + '\n' + traces.script.toUtf8() + '\n';
    return makeOwnerOnlyFolder(folder) &&
           replaceOwnerOnlyFile(QDir(folder).filePath(kFileName), text).ok();
}

namespace {

// Line n of the kept file.
QString storedLine(int n) {
    const QString path = QDir(logFolder()).filePath(kFileName);
    // Only the program's own small file: anything else says nothing.
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isFile() || info.size() > 8192)
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).section(QLatin1Char('\n'), n, n).trimmed();
}

} // namespace

QString storedLastRun() {
    return storedLine(0);
}

RunTraces lastRunTraces() {
    return {storedLine(2), storedLine(1)};
}

} // namespace tavrel
