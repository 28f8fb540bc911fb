// tavrel-ftp: runs an FTP command script, as the common command-line client
// does, and prints the session's transcript on standard output.
//
//   tavrel-ftp [-i] -s:SCRIPT [HOST]
//
// The script is Windows-1252 text, one command per line; the two lines after
// "open" are the user name and the password. With HOST the session opens
// that host first. The exit status is 0 when every command succeeded.
//
// TAVREL_FTP_TIMEOUT (seconds) shortens the connect, reply and stall limits,
// for tests that need a dead server to be given up quickly.
#include "common/Windows1252.h"
#include "upload/ScriptRunner.h"

#include <QCoreApplication>
#include <QFile>

#include <curl/curl.h>

#include <cstdio>

using namespace tavrel;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QString scriptPath, host;
    for (const QString& arg : QCoreApplication::arguments().mid(1)) {
        if (arg.startsWith(QLatin1String("-s:"), Qt::CaseInsensitive))
            scriptPath = arg.mid(3).remove(QLatin1Char('"'));
        else if (!arg.startsWith(QLatin1Char('-')))
            host = arg;
    }
    auto print = [](const QString& line) {
        const QByteArray bytes = toWindows1252(line) + "\r\n";
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        std::fflush(stdout);
    };
    QFile script(scriptPath);
    if (scriptPath.isEmpty() || !script.open(QIODevice::ReadOnly)) {
        print(QStringLiteral("Scriptbestand kan niet worden geopend: ") + scriptPath);
        return 1;
    }
    QStringList lines = fromWindows1252(script.readAll()).split(QLatin1Char('\n'));
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    if (!host.isEmpty())
        lines.prepend(QStringLiteral("open ") + host);

    FtpLimits limits;
    bool ok = false;
    const long seconds = qEnvironmentVariable("TAVREL_FTP_TIMEOUT").toLong(&ok);
    if (ok && seconds > 0)
        limits = {seconds, seconds, seconds};

    curl_global_init(CURL_GLOBAL_DEFAULT);
    int status = 0;
    {
        ScriptRunner runner(print, limits);
        status = runner.run(lines);
    }
    curl_global_cleanup();
    return status;
}
