#include "FtpScript.h"

namespace tavrel {

QString ftpScriptText(const RunInput& input, const QString& outputFolder) {
    const QString crlf = QStringLiteral("\r\n");
    QString script = QStringLiteral("open ") + input.domain + crlf + input.user + crlf +
                     input.password + crlf + QStringLiteral("hash") + crlf +
                     QStringLiteral("ascii") + crlf + QStringLiteral("cd ") + input.ftpFolder +
                     crlf;
    const char* files[3][2] = {
        {"zwemmers.csv", "tijden.csv"}, {"limieten.csv", nullptr}, {"niveaus.csv", nullptr}};
    for (size_t set = 0; set < 3; ++set) {
        if (!input.dataSets[set])
            continue;
        for (const char* file : files[set])
            if (file)
                script += QStringLiteral("send ") + outputFolder + QLatin1String(file) + crlf;
    }
    // The script is written as one line: the line end after "bye" and one more.
    return script + QStringLiteral("close") + crlf + QStringLiteral("bye") + crlf + crlf;
}

} // namespace tavrel
