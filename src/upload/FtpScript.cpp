#include "FtpScript.h"

namespace tavrel {

QStringList sentFiles(const RunInput& input) {
    QStringList files;
    if (input.dataSets[0])
        files << QStringLiteral("zwemmers.csv") << QStringLiteral("tijden.csv");
    if (input.dataSets[1])
        files << QStringLiteral("limieten.csv");
    if (input.dataSets[2])
        files << QStringLiteral("niveaus.csv");
    return files;
}

QString ftpScriptText(const RunInput& input, const QString& outputFolder) {
    const QString crlf = QStringLiteral("\r\n");
    QString script = QStringLiteral("open ") + input.domain + crlf + input.user + crlf +
                     input.password + crlf + QStringLiteral("hash") + crlf +
                     QStringLiteral("ascii") + crlf + QStringLiteral("cd ") + input.ftpFolder +
                     crlf;
    for (const QString& file : sentFiles(input))
        script += QStringLiteral("send ") + outputFolder + file + crlf;
    // The script is written as one line: the line end after "bye" and one more.
    return script + QStringLiteral("close") + crlf + QStringLiteral("bye") + crlf + crlf;
}

} // namespace tavrel
