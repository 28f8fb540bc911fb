#pragma once

#include "TempDir.h"

#include <QProcess>
#include <QString>

namespace tavrel::test {

// A real FTP server (pyftpdlib) on 127.0.0.1 and a free port, serving a
// temporary folder, for as long as the object lives. A Windows test program
// under Wine cannot start the Unix Python: it asks the server factory that
// the test run started (TAVREL_FTP_FACTORY, its port) for one.
class FtpServer {
public:
    enum class Mode { Normal, Refuse421, StallUploads };

    explicit FtpServer(Mode mode = Mode::Normal, const QString& user = QStringLiteral("club"),
                       const QString& password = QStringLiteral("geheim"));
    // One of the server's modes by name ("cut:200", "full", "late:3", "tls",
    // "sftp", "pure-ftpd", see ftp_server.py), for user "club" with password
    // "geheim".
    explicit FtpServer(const QString& mode);
    // Why a mode cannot run here, or "" when it can: Debian's pure-ftpd and
    // vsftpd are unpacked by scripts/install-deps and need root.
    static QString unavailable(const QString& mode);
    ~FtpServer();
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    bool running() const { return port_ > 0; }
    int port() const { return port_; }
    // The domain as the program takes it: "open" accepts a port after the host.
    QString domain() const { return QStringLiteral("127.0.0.1 %1").arg(port_); }
    // The served folder (the website), with an "httpdocs" folder in it.
    const TempDir& home() const { return home_; }
    QString website(const QString& file) const {
        return home_.file(QStringLiteral("httpdocs/") + file);
    }
    // Every file the website's folder holds, hidden ones included, by name.
    QStringList websiteFiles() const;

    void stop();

private:
    void start(const QString& mode, const QString& user, const QString& password);

    TempDir home_;
#ifdef Q_OS_WIN
    qintptr control_ = -1; // the connection to the factory
#else
    QProcess process_;
#endif
    int port_ = 0;
};

// Whether this process may make a mount namespace of its own and mount in it
// (root, and a machine that allows it): for servers and disks of a test's own.
bool mountNamespaces();

// A port on 127.0.0.1 where nothing listens.
int unusedPort();

} // namespace tavrel::test
