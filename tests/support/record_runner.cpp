// A stand-in for tavrel-ftp that keeps what it was given: its arguments, one
// per line, whether the script it was named is its user's alone, and the
// script itself, in the file TAVREL_SEEN names. It answers as a server would.
// With TAVREL_RUNNER_CRASH set it reports those lines on its progress
// channel instead and then dies as a crashing program does.
#include "OwnerOnlyCheck.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("TAVREL_RUNNER_CRASH")) {
        std::fputs(qgetenv("TAVREL_RUNNER_CRASH").replace("|", "\n").constData(), stderr);
        std::fflush(stderr);
        std::abort();
    }
    QByteArray seen;
    QString script;
    for (const QString& argument : app.arguments().mid(1)) {
        seen += argument.toUtf8() + '\n';
        if (argument.startsWith(QLatin1String("-s:")))
            script = argument.mid(3);
    }
    seen += tavrel::test::othersMayOpen(script) ? "open to others\n" : "owner-only\n";
    QFile file(script);
    if (file.open(QIODevice::ReadOnly))
        seen += file.readAll();
    QFile out(qEnvironmentVariable("TAVREL_SEEN"));
    if (!out.open(QIODevice::WriteOnly) || out.write(seen) != seen.size())
        return 2;
    std::puts("226 ok");
    return 0;
}
