// tavrel-ftp: runs an FTP command script, as the common command-line client
// does, and prints the session's transcript on standard output.
//
//   tavrel-ftp [-i] [-p] [-e] [-u] [-t:PIN] [-k:NAME] [-o:NAME] [-r:FILE] -s:SCRIPT [HOST]
//
// With -p the runner also reports on standard error, apart from the
// transcript: "voortgang SENT TOTAL NAME" while a file goes, "verzonden SENT
// TOTAL NAME" once the server holds it whole (under its temporary name),
// "vervangen NAME" once it is in place on the website, "reden TEXT" with
// the first failure's reason, and "certificaat-onbekend" or
// "certificaat-veranderd" with a certificate that did not verify or is not
// the one trusted (its DER in base64), or an SSH host key ("TYPE BASE64"):
// the program computes what it shows. No field carries a control
// character; "versleuteld" once a login went over TLS; "onversleuteld" (with
// "ftp://" when the domain said so) when a host without TLS was refused. -e
// requires TLS whatever the scheme (the host spoke it before). -u lets the
// password and files go in clear to a host that offers no TLS, or to an
// ftp:// domain: the user consented; without it such a host is refused
// before the login. -t:PIN trusts a key
// ("sha256//BASE64", or "SHA256:..." of an SSH host) for the script's host,
// and requires TLS too. -k:NAME gives the part of the
// staged files' names that is this upload's own (twelve hexadecimal digits;
// a fresh one without it), -o:NAME that of an upload that never ended, whose
// leftovers then go at once. -r:FILE keeps in FILE what was put in place
// (SHA-256 and size here, size and time on the server): a file unchanged
// on both sides since is not sent again. A line "stop" on standard input then stops the
// run; what it staged on the server is removed. The end of standard input
// (the program that started it is gone) stops it too, and then it ends for
// good within two seconds, as it does when its parent ends or on SIGTERM:
// it never renames anything for a program that is no longer there.
//
// Missing or unknown arguments print the usage line and give status 2.
// The script is Windows-1252 text, one command per line; the two lines after
// "open" are the user name and the password. With HOST the session opens
// that host first. The exit status is 0 when every command succeeded.
//
// TAVREL_FTP_TIMEOUT (seconds) shortens the connect, reply and stall limits,
// and the wait for a file's confirmation to four times that, for tests that
// need a dead server to be given up quickly.
#include "common/CrashDumps.h"
#include "common/Windows1252.h"
#include "upload/RunnerProcess.h"
#include "upload/ScriptRunner.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <curl/curl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

using namespace tavrel;

namespace {

void usage(FILE* to) {
    std::fputs(
        "Gebruik: tavrel-ftp [-i] [-p] [-e] [-u] [-t:SLEUTEL] [-k:NAAM] [-o:NAAM] [-r:BESTAND] "
        "-s:SCRIPTBESTAND [HOST]\n"
        "Voert de FTP-opdrachten uit het scriptbestand uit en toont het verloop.\n"
        "Met -p meldt het op standaardfout hoe ver elk bestand is.\n"
        "Met -u mag het onversleuteld verbinden met een server zonder TLS.\n",
        to);
}

// The script's name as given; a name typed between quotes, as the common
// client accepts it, loses them unless the quotes are part of a real name.
QString scriptName(const QString& given) {
    if (given.size() > 1 && given.startsWith(QLatin1Char('"')) &&
        given.endsWith(QLatin1Char('"')) && !QFileInfo::exists(given))
        return given.mid(1, given.size() - 2);
    return given;
}

} // namespace

int main(int argc, char* argv[]) {
#ifdef Q_OS_WIN
    // The transcript's lines carry their CR LF: no second CR from text mode.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    // The script holds the password, and so does the runner's memory.
    keepSecretsOutOfCrashDumps();
    QCoreApplication app(argc, argv);
    QString scriptPath, host;
    QByteArray trusted;
    QString token, abandoned, record;
    bool progress = false;
    bool mustEncrypt = false;
    bool inClear = false;
    for (const QString& arg : QCoreApplication::arguments().mid(1)) {
        if (arg.startsWith(QLatin1String("-s:"), Qt::CaseInsensitive)) {
            scriptPath = scriptName(arg.mid(3));
        } else if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            usage(stdout);
            return 0;
        } else if (arg.startsWith(QLatin1String("-t:"), Qt::CaseInsensitive)) {
            trusted = arg.mid(3).toLatin1();
        } else if (arg.compare(QLatin1String("-e"), Qt::CaseInsensitive) == 0) {
            mustEncrypt = true;
        } else if (arg.compare(QLatin1String("-u"), Qt::CaseInsensitive) == 0) {
            inClear = true;
        } else if (arg.startsWith(QLatin1String("-k:"), Qt::CaseInsensitive)) {
            token = arg.mid(3);
        } else if (arg.startsWith(QLatin1String("-r:"), Qt::CaseInsensitive)) {
            record = arg.mid(3);
        } else if (arg.startsWith(QLatin1String("-o:"), Qt::CaseInsensitive)) {
            abandoned = arg.mid(3);
        } else if (arg.compare(QLatin1String("-p"), Qt::CaseInsensitive) == 0) {
            progress = true;
        } else if (arg.compare(QLatin1String("-i"), Qt::CaseInsensitive) == 0) {
            // Never prompts anyway.
        } else if (!arg.startsWith(QLatin1Char('-')) && host.isEmpty()) {
            host = arg;
        } else {
            std::fprintf(stderr, "tavrel-ftp: onbekend argument: %s\n",
                         arg.toLocal8Bit().constData());
            usage(stderr);
            return 2;
        }
    }
    if (scriptPath.isEmpty()) {
        usage(stderr);
        return 2;
    }
    auto print = [](const QString& line) {
        const QByteArray bytes = toWindows1252(line) + "\r\n";
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        std::fflush(stdout);
    };
    QFile script(scriptPath);
    if (!script.open(QIODevice::ReadOnly)) {
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
        limits = {seconds, seconds, seconds, 4 * seconds};

    curl_global_init(CURL_GLOBAL_DEFAULT);
    int status = 0;
    {
        // Shared with the thread that waits for "stop", which may outlive the run.
        const auto runner = std::make_shared<ScriptRunner>(print, limits);
        if (!trusted.isEmpty())
            runner->trustKey(trusted);
        if (mustEncrypt)
            runner->requireTls();
        if (inClear)
            runner->allowClearText();
        runner->useStagingToken(token);
        runner->clearLeftoversOf(abandoned);
        if (!record.isEmpty())
            runner->keepSentRecord(record);
        if (progress) {
            // One record a line: no field (a file's name, a certificate's
            // name in a reason) carries a line end or another control
            // character that could end its record or forge the next.
            const auto report = [](QByteArray line) {
                for (char& c : line)
                    if (quint8(c) < 0x20 || c == 0x7f)
                        c = '?';
                line += '\n';
                std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
                std::fflush(stderr);
            };
            runner->setProgress(
                [report](const QString& file, qint64 sent, qint64 total, bool arrived) {
                    report(QByteArray(arrived ? "verzonden " : "voortgang ") +
                           QByteArray::number(sent) + ' ' + QByteArray::number(total) + ' ' +
                           file.toUtf8());
                });
            runner->setNotify([report](ScriptRunner::Notice notice, const QString& text) {
                static const char* const words[] = {"vervangen ",
                                                    "reden ",
                                                    "certificaat-onbekend ",
                                                    "certificaat-veranderd ",
                                                    "versleuteld ",
                                                    "onversleuteld "};
                report(QByteArray(words[int(notice)]) + text.toUtf8());
            });
            // Left waiting for input when the run ends; the process ends
            // around it.
            std::thread([runner] {
                std::string line;
                while (std::getline(std::cin, line))
                    if (line.rfind("stop", 0) == 0) {
                        runner->stop();
                        return;
                    }
                // The program is gone: stop, remove what was staged, and
                // end in any case soon after.
                runner->stop();
                std::this_thread::sleep_for(std::chrono::milliseconds(kOrphanMilliseconds));
                std::_Exit(1);
            }).detach();
        }
        stopWhenParentEnds(*runner);
        status = runner->run(lines);
    }
    curl_global_cleanup();
    return status;
}
