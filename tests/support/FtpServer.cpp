#include "FtpServer.h"

#include <QDir>

#include <gtest/gtest.h>

namespace tavrel::test {

FtpServer::FtpServer(Mode mode, const QString& user, const QString& password) {
    QDir(home_.path()).mkdir(QStringLiteral("httpdocs"));
    const QString modeName = mode == Mode::Refuse421      ? QStringLiteral("refuse")
                             : mode == Mode::StallUploads ? QStringLiteral("stall")
                                                          : QStringLiteral("normal");
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    // Debian's own interpreter, which has pyftpdlib; a "python3" earlier on
    // the PATH may not.
    process_.start(QStringLiteral("/usr/bin/python3"),
                   {QStringLiteral(TAVREL_FTP_SERVER), home_.path(), user, password, modeName});
    while (process_.waitForReadyRead(10000) || process_.canReadLine()) {
        const QByteArray line = process_.readLine().trimmed();
        if (line.startsWith("port ")) {
            port_ = line.mid(5).toInt();
            break;
        }
    }
    if (!running())
        ADD_FAILURE() << "FTP server did not start (" << process_.errorString().toStdString()
                      << "): " << process_.readAllStandardError().toStdString();
}

FtpServer::~FtpServer() {
    stop();
}

void FtpServer::stop() {
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

int unusedPort() {
    FtpServer server;
    const int port = server.port();
    server.stop();
    return port;
}

} // namespace tavrel::test
