// Starts a program as the upload starts its runner, tied to this process,
// says "pid N" and waits until it is killed: a stand-in for the program
// whose end the runner must not outlive.
//
//   tied-parent PROGRAM [ARGUMENT...]
#include "upload/RunnerProcess.h"

#include <QCoreApplication>
#include <QProcess>
#include <QThread>

#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.isEmpty())
        return 2;
    QProcess runner;
    tavrel::prepareRunner(runner);
    runner.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    runner.start(arguments[0], arguments.mid(1));
    if (!runner.waitForStarted())
        return 1;
    tavrel::tieRunnerToProgram(runner);
    std::printf("pid %lld\n", static_cast<long long>(runner.processId()));
    std::fflush(stdout);
    for (;;) {
        runner.readAllStandardOutput(); // a full pipe would hold the runner
        QThread::msleep(50);
    }
}
