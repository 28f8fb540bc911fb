#include "FtpServer.h"

#include <QDir>
#include <QFileInfo>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#ifdef Q_OS_WIN
#include <QJsonDocument>
#include <QJsonObject>

// winsock2.h before windows.h, which would bring in the old winsock.h.
#include <winsock2.h>

#include <windows.h>
#endif

namespace tavrel::test {

namespace {

QString modeName(FtpServer::Mode mode) {
    return mode == FtpServer::Mode::Refuse421      ? QStringLiteral("refuse")
           : mode == FtpServer::Mode::StallUploads ? QStringLiteral("stall")
                                                   : QStringLiteral("normal");
}

#ifdef Q_OS_WIN
// The Unix path Wine keeps a Windows path at, for the server to serve.
QString unixPath(const QString& path) {
    using ToUnix = char*(__cdecl*)(const wchar_t*);
    const auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix)
        return {};
    const QString native = QDir::toNativeSeparators(path);
    char* name = toUnix(reinterpret_cast<const wchar_t*>(native.utf16()));
    if (!name)
        return {};
    const QString result = QString::fromUtf8(name);
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// One line from the factory, without its end; "" when it closed or timed out.
QByteArray readLine(SOCKET s) {
    QByteArray line;
    char c = 0;
    while (recv(s, &c, 1, 0) == 1 && c != '\n')
        line += c;
    return line;
}

SOCKET connectToFactory(QString* why) {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    const int port = qEnvironmentVariableIntValue("TAVREL_FTP_FACTORY");
    if (!started || port <= 0) {
        *why =
            QStringLiteral("TAVREL_FTP_FACTORY is not set: run the tests with make test-windows");
        return INVALID_SOCKET;
    }
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const DWORD timeout = 15000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    if (::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        closesocket(s);
        *why = QStringLiteral("the FTP server factory does not answer on port %1").arg(port);
        return INVALID_SOCKET;
    }
    return s;
}
#endif

} // namespace

FtpServer::FtpServer(Mode mode, const QString& user, const QString& password) {
    start(modeName(mode), user, password);
}

FtpServer::FtpServer(const QString& mode) {
    start(mode, QStringLiteral("club"), QStringLiteral("geheim"));
}

void FtpServer::start(const QString& mode, const QString& user, const QString& password) {
    QDir(home_.path()).mkdir(QStringLiteral("httpdocs"));
#ifdef Q_OS_WIN
    QString why;
    const SOCKET s = connectToFactory(&why);
    if (s != INVALID_SOCKET) {
        control_ = static_cast<qintptr>(s);
        QByteArray ask = QJsonDocument(QJsonObject{{QStringLiteral("home"), unixPath(home_.path())},
                                                   {QStringLiteral("user"), user},
                                                   {QStringLiteral("password"), password},
                                                   {QStringLiteral("mode"), mode}})
                             .toJson(QJsonDocument::Compact);
        ask += '\n';
        send(s, ask.constData(), static_cast<int>(ask.size()), 0);
        const QByteArray line = readLine(s);
        if (line.startsWith("port "))
            port_ = line.mid(5).toInt();
        else
            why = QString::fromUtf8(line);
    }
    if (!running())
        ADD_FAILURE() << "FTP server did not start: " << why.toStdString();
#else
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    // Debian's own interpreter, which has pyftpdlib; a "python3" earlier on
    // the PATH may not.
    process_.start(QStringLiteral("/usr/bin/python3"),
                   {QStringLiteral(TAVREL_FTP_SERVER), home_.path(), user, password, mode});
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
#endif
}

QStringList FtpServer::websiteFiles() const {
    return QDir(website(QString())).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

FtpServer::~FtpServer() {
    stop();
}

void FtpServer::stop() {
#ifdef Q_OS_WIN
    if (control_ != -1) {
        const auto s = static_cast<SOCKET>(control_);
        // The factory stops the server when this side closes, and says so.
        shutdown(s, SD_SEND);
        readLine(s);
        closesocket(s);
        control_ = -1;
    }
#else
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(5000);
    }
#endif
}

QString FtpServer::unavailable(const QString& mode) {
    const QString package = mode == QLatin1String("pure-ftpd")         ? mode
                            : mode.startsWith(QLatin1String("vsftpd")) ? QStringLiteral("vsftpd")
                                                                       : QString();
    if (package.isEmpty())
        return {};
#ifdef Q_OS_WIN
    return package + QStringLiteral(" runs as root on Linux; the Wine tests have no such server");
#else
    const QString daemon = QFileInfo(QStringLiteral(TAVREL_FTP_SERVER)).absolutePath() +
                           QStringLiteral("/../../.cache/servers/") + package +
                           QStringLiteral("/usr/sbin/") + package;
    if (!QFileInfo(daemon).isExecutable())
        return package + QStringLiteral(" is not unpacked (scripts/install-deps fetches it)");
    if (geteuid() != 0)
        return package + QStringLiteral(" switches to the account's user, which needs root");
    if (package == QLatin1String("vsftpd") && !mountNamespaces())
        return QStringLiteral("vsftpd's account lives in a mount namespace, which this machine "
                              "does not allow");
    return {};
#endif
}

bool mountNamespaces() {
#ifdef Q_OS_WIN
    return false;
#else
    static const bool allowed = [] {
        QProcess probe;
        probe.start(QStringLiteral("unshare"),
                    {QStringLiteral("--mount"), QStringLiteral("mount"), QStringLiteral("-t"),
                     QStringLiteral("tmpfs"), QStringLiteral("tmpfs"), QStringLiteral("/mnt")});
        return probe.waitForFinished(10000) && probe.exitStatus() == QProcess::NormalExit &&
               probe.exitCode() == 0;
    }();
    return allowed;
#endif
}

int unusedPort() {
    FtpServer server;
    const int port = server.port();
    server.stop();
    return port;
}

} // namespace tavrel::test
