#include "support/FtpServer.h"
#include "support/Processes.h"
#include "support/QtPrinters.h"
#include "upload/Certificate.h"
#include "upload/ScriptRunner.h"
#include "upload/UploadPhase.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <curl/curl.h>

#ifndef Q_OS_WIN
#include <csignal>
#include <sys/resource.h>
#endif

#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

namespace {

struct Transcript {
    QStringList lines;
    // learnKey: the server's SSH key is read first and trusted, as a user
    // who answered the question would.
    // reason: where the first failure's reason goes.
    int run(const QStringList& script, FtpLimits limits = {}, bool learnKey = false,
            QString* reason = nullptr) {
        QByteArray key;
        if (learnKey) {
            ScriptRunner first([](const QString&) {});
            first.setNotify([&key](ScriptRunner::Notice, const QString& text) {
                key = sshFingerprint(
                          QByteArray::fromBase64(text.section(QLatin1Char(' '), 1).toLatin1()))
                          .toLatin1();
            });
            first.run(script.mid(0, 3));
        }
        ScriptRunner runner([this](const QString& line) { lines << line; }, limits);
        runner.trustKey(key);
        runner.allowClearText(); // the test servers are plain pyftpdlib
        if (reason)
            runner.setNotify([reason](ScriptRunner::Notice notice, const QString& text) {
                if (notice == ScriptRunner::Notice::Reason)
                    *reason = text;
            });
        return runner.run(script);
    }
    QString text() const { return lines.join(QLatin1Char('\n')); }
};

QStringList login(const FtpServer& server, const QString& password = QStringLiteral("geheim")) {
    return {QStringLiteral("open ") + server.domain(), QStringLiteral("club"), password};
}

TEST(ScriptRunner, SendsAsciiWithTheServersLineEndsAndBinaryAsItIs) {
    FtpServer server;
    TempDir local;
    const QByteArray lines = "a;b\r\nc;d\r\n";
    local.write(QStringLiteral("tekst.csv"), lines);
    QByteArray big;
    for (int i = 0; i < 2000; ++i)
        big += "1234567890;\r\n";
    local.write(QStringLiteral("groot.csv"), big);
    Transcript t;
    const int status =
        t.run(login(server) +
              QStringList{QStringLiteral("hash"), QStringLiteral("cd httpdocs"),
                          QStringLiteral("send ") + local.file(QStringLiteral("tekst.csv")),
                          QStringLiteral("binary"),
                          QStringLiteral("put ") + local.file(QStringLiteral("groot.csv")),
                          QStringLiteral("close"), QStringLiteral("bye")});
    EXPECT_EQ(status, 0) << t.text().toStdString();
    QFile received(server.website(QStringLiteral("tekst.csv")));
    ASSERT_TRUE(received.open(QIODevice::ReadOnly));
    EXPECT_EQ(received.readAll(), QByteArray("a;b\nc;d\n"))
        << "one line end each, the server's own";
    QFile binary(server.website(QStringLiteral("groot.csv")));
    ASSERT_TRUE(binary.open(QIODevice::ReadOnly));
    EXPECT_EQ(binary.readAll(), big);
    EXPECT_TRUE(t.lines.contains(QStringLiteral("230 Login successful.")));
    EXPECT_TRUE(t.text().contains(QStringLiteral("##########")))
        << "hash marks for the larger file";
    EXPECT_TRUE(t.text().contains(QStringLiteral("ftp: 26000 bytes verzonden in ")));
    EXPECT_FALSE(t.text().contains(QStringLiteral("geheim")));
}

// A file unchanged here and on the server since the last upload is not sent
// again; anything that differs, on either side, or a server that cannot
// tell a file's time, gets the file sent as before.
TEST(ScriptRunner, SendsAgainOnlyWhatChangedSinceTheLastUpload) {
    const struct {
        const char* name;
        const char* mode;
        char change; // between the runs: '-' none, 's' on the server with the same size,
                     // 'S' on the server to another size, 'l' here
        bool sentAgain;
    } cases[] = {
        {"nothing changed", "normal", '-', false},
        {"the server's copy edited, same size", "normal", 's', true},
        {"the server's copy edited, other size", "normal", 'S', true},
        {"changed here", "normal", 'l', true},
        {"a server without MDTM", "no-mdtm", '-', true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FtpServer server{QLatin1String(c.mode)};
        TempDir local;
        const QString file = local.write(QStringLiteral("limieten.csv"), "a;b\r\nc;d\r\n");
        const QString onSite = server.website(QStringLiteral("limieten.csv"));
        auto upload = [&] {
            Transcript t;
            ScriptRunner runner([&t](const QString& line) { t.lines << line; });
            runner.allowClearText();
            runner.keepSentRecord(local.file(QStringLiteral("verzonden.txt")));
            const int status = runner.run(
                login(server) + QStringList{QStringLiteral("cd httpdocs"),
                                            QStringLiteral("send ") + file, QStringLiteral("bye")});
            EXPECT_EQ(status, 0) << t.text().toStdString();
            return t.text();
        };
        upload();
        QFile site(onSite);
        if (c.change == 's' || c.change == 'S') {
            ASSERT_TRUE(site.open(QIODevice::WriteOnly));
            site.write(c.change == 's' ? "x;y\nz;w\n" : "x;y\n");
            site.close();
            // A person's edit comes a while after the upload.
            ASSERT_TRUE(site.open(QIODevice::ReadWrite));
            site.setFileTime(QDateTime::currentDateTimeUtc().addSecs(3600),
                             QFileDevice::FileModificationTime);
            site.close();
        } else if (c.change == 'l') {
            local.write(QStringLiteral("limieten.csv"), "a;b\r\nc;e\r\n");
        }
        const QDateTime before = QFileInfo(onSite).lastModified();
        const QString second = upload();
        EXPECT_EQ(second.contains(QStringLiteral("ongewijzigd, niet opnieuw verzonden: "
                                                 "limieten.csv")),
                  !c.sentAgain)
            << second.toStdString();
        EXPECT_EQ(QFileInfo(onSite).lastModified() != before, c.sentAgain)
            << "the server's copy was written again, or not";
        QFile now(onSite);
        ASSERT_TRUE(now.open(QIODevice::ReadOnly));
        EXPECT_EQ(now.readAll(), QByteArray(c.change == 'l' ? "a;b\nc;e\n" : "a;b\nc;d\n"));
    }
}

TEST(ScriptRunner, LoginAnswersAreNeverCommandsEvenWhenOpenFails) {
    // The password line reads "close": run as a command it would show.
    Transcript t;
    const int status =
        t.run({QStringLiteral("open 127.0.0.1 %1").arg(unusedPort()), QStringLiteral("bye"),
               QStringLiteral("close"), QStringLiteral("cd httpdocs"), QStringLiteral("bye")});
    EXPECT_EQ(status, 1);
    EXPECT_EQ(t.lines.count(QStringLiteral("Niet verbonden.")), 1) << t.text().toStdString();
    EXPECT_TRUE(t.text().contains(QStringLiteral("verbinding geweigerd")));
}

TEST(ScriptRunner, ReportsRefusedLoginsAndRefusedService) {
    {
        FtpServer server;
        Transcript t;
        EXPECT_EQ(t.run(login(server, QStringLiteral("fout")) +
                        QStringList{QStringLiteral("cd httpdocs")}),
                  1);
        EXPECT_TRUE(t.lines.contains(QStringLiteral("530 Authentication failed.")))
            << t.text().toStdString();
        EXPECT_TRUE(t.lines.contains(QStringLiteral("Niet verbonden.")));
        EXPECT_FALSE(t.text().contains(QStringLiteral("fout\n")));
    }
    {
        FtpServer refusing(FtpServer::Mode::Refuse421);
        Transcript t;
        EXPECT_EQ(t.run(login(refusing)), 1);
        EXPECT_TRUE(t.lines.contains(
            QStringLiteral("421 Service not available, closing control connection.")))
            << t.text().toStdString();
    }
}

TEST(ScriptRunner, AfterAFailedFolderNoFileIsSentButTheSessionGoesOn) {
    FtpServer server;
    TempDir local;
    const QString file = local.write(QStringLiteral("limieten.csv"), "a;b\r\n");
    Transcript t;
    const int status = t.run(
        login(server) + QStringList{QStringLiteral("cd nergens"), QStringLiteral("send ") + file,
                                    QStringLiteral("cd httpdocs"), QStringLiteral("send ") + file,
                                    QStringLiteral("close")});
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(t.lines.contains(QStringLiteral("550 No such file or directory.")))
        << t.text().toStdString();
    EXPECT_EQ(t.lines.count(QStringLiteral(
                  "Niet verzonden: limieten.csv (een eerdere opdracht is mislukt).")),
              2);
    EXPECT_TRUE(t.lines.contains(QStringLiteral("250 \"/httpdocs\" is the current directory.")));
    EXPECT_FALSE(t.lines.contains(QStringLiteral("Niet verbonden.")));
    EXPECT_FALSE(QFile::exists(server.home().file(QStringLiteral("limieten.csv"))));
    EXPECT_FALSE(QFile::exists(server.website(QStringLiteral("limieten.csv"))));
}

TEST(ScriptRunner, ReadsAPortInTheHostNameAndRefusesOnesThatAreNone) {
    FtpServer server;
    const std::pair<QString, const char*> cases[] = {
        {QStringLiteral("127.0.0.1:%1").arg(server.port()), "230 Login successful."},
        {QStringLiteral("[127.0.0.1]:%1").arg(server.port()), "230 Login successful."},
        {QStringLiteral("127.0.0.1:0"), "ftp: ongeldige poort: 0."},
        {QStringLiteral("127.0.0.1:"), "ftp: ongeldige poort: ."},
        {QStringLiteral("127.0.0.1:+21"), "ftp: ongeldige poort: +21."},
        {QStringLiteral("[127.0.0.1"), "ftp: ongeldige domeinnaam: [127.0.0.1."},
        {QStringLiteral(":21"), "ftp: ongeldige domeinnaam: :21."},
    };
    for (const auto& [host, line] : cases) {
        SCOPED_TRACE(host.toStdString());
        Transcript t;
        t.run({QStringLiteral("open ") + host, QStringLiteral("club"), QStringLiteral("geheim"),
               QStringLiteral("close")});
        EXPECT_TRUE(t.lines.contains(QLatin1String(line))) << t.text().toStdString();
    }
}

TEST(ScriptRunner, GivesUpOnAServerThatStopsAnsweringMidTransfer) {
    FtpServer stalled(FtpServer::Mode::StallUploads);
    TempDir local;
    local.write(QStringLiteral("groot.csv"), QByteArray(512 * 1024, 'x'));
    Transcript t;
    const int status =
        t.run(login(stalled) +
                  QStringList{QStringLiteral("send ") + local.file(QStringLiteral("groot.csv")),
                              QStringLiteral("close")},
              {2, 2, 2, 4});
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(t.text().contains(QStringLiteral("de server antwoordt niet meer")))
        << t.text().toStdString();
}

// What an upload stopped by a kill or a connection that stayed lost leaves
// on the server goes with the next upload once it is a day old: the
// program's own names only, and never a younger one, which may belong to an
// upload going on now from another computer.
TEST(ScriptRunner, ClearsOnlyItsOwnLeftoversOnceADayOld) {
    const QDateTime twoDaysAgo = QDateTime::currentDateTime().addDays(-2);
    const struct {
        const char* name;
        bool old;
        bool cleared;
    } planted[] = {
        {".tijden.csv.0123456789ab.upload", true, true},
        {".zwemmers.csv.0123456789ab.old", true, true},
        {".niveaus.csv.abcdefabcdef.upload", false, false}, // young
        {".tijden.csv.upload", true, false},                // not the program's naming
        {"tijden.csv.0123456789ab.upload", true, false},
        {".htaccess", true, false},
    };
    for (const char* mode : {"normal", "vsftpd", "sftp"}) {
        SCOPED_TRACE(mode);
        if (!FtpServer::unavailable(QLatin1String(mode)).isEmpty())
            continue;
        FtpServer server{QLatin1String(mode)};
        QStringList kept{QStringLiteral("limieten.csv")};
        for (const auto& p : planted) {
            QFile f(server.website(QLatin1String(p.name)));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("x");
            f.flush(); // before the time, which a later write would renew
            if (p.old)
                f.setFileTime(twoDaysAgo, QFileDevice::FileModificationTime);
            if (!p.cleared)
                kept << QLatin1String(p.name);
        }
        TempDir local;
        const QString file = local.write(QStringLiteral("limieten.csv"), "a;b\r\n");
        const bool sftp = QLatin1String(mode) == QLatin1String("sftp");
        Transcript t;
        const int status =
            t.run({(sftp ? QStringLiteral("open sftp://127.0.0.1:%1")
                         : QStringLiteral("open 127.0.0.1:%1"))
                       .arg(server.port()),
                   QStringLiteral("club"), QStringLiteral("geheim"), QStringLiteral("cd httpdocs"),
                   QStringLiteral("send ") + file, QStringLiteral("bye")},
                  {}, sftp);
        EXPECT_EQ(status, 0) << t.text().toStdString();
        kept.sort();
        EXPECT_EQ(server.websiteFiles(), kept);
        EXPECT_TRUE(t.lines.contains(
            QStringLiteral("Opgeruimd op de server: .tijden.csv.0123456789ab.upload, "
                           ".zwemmers.csv.0123456789ab.old (achtergelaten door een eerdere "
                           "upload die niet afkwam).")))
            << t.text().toStdString();
    }
}

#ifndef Q_OS_WIN
// SFTP logs in as hosts let one: keyboard-interactive with the password, a
// key of the user's agent or the user's own key without a passphrase; a
// server that takes none of those is named with what it does take.
TEST(ScriptRunner, SftpLogsInAsTheHostLetsOne) {
    if (!FtpServer::unavailable(QStringLiteral("sftp")).isEmpty())
        GTEST_SKIP();
    TempDir home, keys;
    QDir(home.path()).mkdir(QStringLiteral(".ssh"));
    const auto keygen = [](const QString& file, const QString& passphrase) {
        QProcess p;
        p.start(QStringLiteral("ssh-keygen"),
                {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"),
                 QStringLiteral("-N"), passphrase, QStringLiteral("-f"), file});
        return p.waitForFinished(20000) && p.exitCode() == 0;
    };
    const QString own = home.file(QStringLiteral(".ssh/id_ed25519"));
    const QString agents = keys.file(QStringLiteral("agent_key"));
    ASSERT_TRUE(keygen(agents, QString()));
    QProcess agent;
    const QString socket = keys.file(QStringLiteral("agent.sock"));
    agent.start(QStringLiteral("ssh-agent"), {QStringLiteral("-D"), QStringLiteral("-a"), socket});
    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(socket) && waited.elapsed() < 10000)
        QThread::msleep(20);
    QProcess add;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SSH_AUTH_SOCK"), socket);
    add.setProcessEnvironment(env);
    add.start(QStringLiteral("ssh-add"), {agents});
    ASSERT_TRUE(add.waitForFinished(10000) && add.exitCode() == 0);

    const QByteArray savedHome = qgetenv("HOME"), savedAgent = qgetenv("SSH_AUTH_SOCK");
    qputenv("HOME", QFile::encodeName(home.path()));
    const struct {
        const char* name;
        QString mode;
        const char* ownKey; // in ~/.ssh: "", "plain" or "with passphrase"
        bool agent;         // the agent holds the server's key
        const char* reason; // empty: logged in
    } cases[] = {
        {"keyboard-interactive", QStringLiteral("sftp:keyboard-interactive"), "", false, ""},
        {"the own key", QStringLiteral("sftp:publickey:") + own + QStringLiteral(".pub"), "plain",
         false, ""},
        {"the agent's key", QStringLiteral("sftp:publickey:") + agents + QStringLiteral(".pub"),
         "with passphrase", true, ""},
        {"no key it takes", QStringLiteral("sftp:publickey:") + agents + QStringLiteral(".pub"),
         "with passphrase", false, "laat alleen aanmelden toe met: publickey."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(own);
        QFile::remove(own + QStringLiteral(".pub"));
        if (*c.ownKey) {
            ASSERT_TRUE(keygen(own, *c.ownKey == 'p' ? QString() : QStringLiteral("geheim2")));
        }
        if (c.agent)
            qputenv("SSH_AUTH_SOCK", QFile::encodeName(socket));
        else
            qunsetenv("SSH_AUTH_SOCK");
        FtpServer server{c.mode};
        const QStringList script = {QStringLiteral("open sftp://127.0.0.1:%1").arg(server.port()),
                                    QStringLiteral("club"), QStringLiteral("geheim"),
                                    QStringLiteral("cd httpdocs"), QStringLiteral("bye")};
        Transcript t;
        QString reason;
        const int status = t.run(script, {}, true, &reason);
        EXPECT_EQ(status, *c.reason ? 1 : 0) << t.text().toStdString();
        EXPECT_TRUE(reason.contains(QLatin1String(c.reason))) << reason.toStdString();
    }
    qputenv("HOME", savedHome);
    savedAgent.isEmpty() ? qunsetenv("SSH_AUTH_SOCK") : qputenv("SSH_AUTH_SOCK", savedAgent);
    agent.kill();
    agent.waitForFinished();
}
#endif

TEST(ScriptRunner, UnknownCommandsAndMissingArgumentsFail) {
    Transcript t;
    EXPECT_EQ(t.run({QStringLiteral("mget *")}), 1);
    EXPECT_EQ(t.lines, QStringList{QStringLiteral("Ongeldige opdracht: mget")});
}

// Every line ends in exactly one CR LF on the wire, whatever the file held and
// whether libcurl puts the CRs in (Linux) or the runner does (Windows); the
// transcript's own lines end in CR LF, once.
TEST(ScriptRunner, AnAsciiUploadEndsEveryLineInOneCrLfOnTheWire) {
    FtpServer server(QStringLiteral("raw"));
    TempDir local;
    QByteArray lines = "a;b\r\nc;d\ne;f\r\n";
    for (int i = 0; i < 5000; ++i) // across many of the runner's pieces
        lines += i % 2 ? "1234567890\r\n" : "1234567890\n";
    local.write(QStringLiteral("tijden.csv"), lines);
    const QString script =
        local.write(QStringLiteral("ftp_send.ftp"),
                    (login(server).join(QStringLiteral("\r\n")) +
                     QStringLiteral("\r\ncd httpdocs\r\nascii\r\nsend ") +
                     local.file(QStringLiteral("tijden.csv")) + QStringLiteral("\r\nbye\r\n"))
                        .toLatin1());
    QProcess p;
    p.start(defaultRunnerProgram(),
            {QStringLiteral("-i"), QStringLiteral("-u"), QStringLiteral("-s:") + script});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QByteArray log = p.readAllStandardOutput();
    EXPECT_EQ(p.exitCode(), 0) << log.toStdString();
    QFile received(server.website(QStringLiteral("tijden.csv")));
    ASSERT_TRUE(received.open(QIODevice::ReadOnly));
    const QByteArray onWire = received.readAll();
    EXPECT_EQ(onWire, QByteArray(lines).replace("\r\n", "\n").replace("\n", "\r\n"));
    EXPECT_FALSE(log.contains("\r\r\n"));
    EXPECT_EQ(log.count("\r\n"), log.count('\n')) << "every transcript line in CR LF";
}

// However the program that started it ends (here killed during a transfer),
// the runner ends within two seconds and puts nothing in place: on Linux by
// its parent-death signal and its input closing, on Windows by the
// program's job.
TEST(TavrelFtp, EndsWithTheProgramThatStartedIt) {
    FtpServer stalled(FtpServer::Mode::StallUploads);
    TempDir local;
    const QString file = local.write(QStringLiteral("tijden.csv"), QByteArray(256 * 1024, 'x'));
    const QString script = local.write(
        QStringLiteral("ftp_send.ftp"),
        (login(stalled) + QStringList{QStringLiteral("cd httpdocs"), QStringLiteral("send ") + file,
                                      QStringLiteral("close"), QStringLiteral("bye")})
            .join(QStringLiteral("\r\n"))
            .toUtf8());
    QProcess parent;
    parent.start(QStringLiteral(TAVREL_TIED_PARENT),
                 {defaultRunnerProgram(), QStringLiteral("-i"), QStringLiteral("-p"),
                  QStringLiteral("-u"), QStringLiteral("-s:") + script});
    ASSERT_TRUE(parent.waitForReadyRead(10000));
    const qint64 runner = parent.readLine().trimmed().mid(4).toLongLong();
    ASSERT_GT(runner, 0);
    QElapsedTimer waited;
    waited.start();
    while (stalled.websiteFiles().isEmpty() && waited.elapsed() < 10000)
        QThread::msleep(20);
    ASSERT_FALSE(stalled.websiteFiles().isEmpty()) << "the transfer never began";
    parent.kill();
    parent.waitForFinished();
    waited.restart();
    while (!processEnded(runner) && waited.elapsed() < 2000)
        QThread::msleep(20);
    EXPECT_TRUE(processEnded(runner)) << "the runner outlived its program by two seconds";
    EXPECT_FALSE(QFile::exists(stalled.website(QStringLiteral("tijden.csv"))));
}

#ifndef Q_OS_WIN
// A crash of the runner, whose memory holds the password, leaves no core
// file, also where the user allows core files.
TEST(TavrelFtp, ACrashLeavesNoCoreFile) {
    TempDir cwd;
    const auto crashed = [&](const QString& program, const QStringList& arguments) {
        QProcess p;
        p.setWorkingDirectory(cwd.path());
        p.setChildProcessModifier([] {
            const rlimit all{RLIM_INFINITY, RLIM_INFINITY};
            setrlimit(RLIMIT_CORE, &all);
        });
        p.start(program, arguments);
        p.waitForStarted();
        QThread::msleep(500);
        ::kill(pid_t(p.processId()), SIGSEGV);
        p.waitForFinished();
        return QDir(cwd.path()).entryList({QStringLiteral("core*")}, QDir::Files);
    };
    const QStringList control = crashed(QStringLiteral("/bin/sleep"), {QStringLiteral("30")});
    if (control.isEmpty())
        GTEST_SKIP() << "this machine writes no core file where a process crashes";
    QFile::remove(cwd.file(control[0]));
    FtpServer stalled(FtpServer::Mode::StallUploads);
    const QString file = cwd.write(QStringLiteral("tijden.csv"), QByteArray(256 * 1024, 'x'));
    const QString script = cwd.write(QStringLiteral("ftp_send.ftp"),
                                     (login(stalled) + QStringList{QStringLiteral("send ") + file})
                                         .join(QStringLiteral("\r\n"))
                                         .toUtf8());
    EXPECT_EQ(
        crashed(defaultRunnerProgram(), {QStringLiteral("-u"), QStringLiteral("-s:") + script}),
        QStringList());
}
#endif

TEST(TavrelFtp, SaysHowToCallItAndTakesAnyScriptName) {
    TempDir dir;
#ifdef Q_OS_WIN
    // Windows allows no quote in a file name.
    const QString odd = dir.write(QStringLiteral("a 'b' & $c \u00e9.ftp"), "hash\r\nbye\r\n");
#else
    const QString odd = dir.write(QStringLiteral("a \"b\" $c.ftp"), "hash\r\nbye\r\n");
#endif
    const QString plain = dir.write(QStringLiteral("plain.ftp"), "hash\r\nbye\r\n");
    struct Case {
        QStringList args;
        int status;
        const char* out; // on standard output, or on standard error for status 2
    };
    const Case cases[] = {
        {{}, 2, "Gebruik: tavrel-ftp [-i] [-p] [-e] [-u] [-t:SLEUTEL] [-k:NAAM] [-o:NAAM]"},
        {{QStringLiteral("-i")}, 2, "Gebruik: tavrel-ftp"},
        {{QStringLiteral("-x"), QStringLiteral("-s:") + plain}, 2, "onbekend argument: -x"},
        {{QStringLiteral("--help")}, 0, "Gebruik: tavrel-ftp"},
        {{QStringLiteral("-i"), QStringLiteral("-s:") + odd}, 0, "Hash-markering aan"},
        {{QStringLiteral("-s:\"") + plain + QLatin1Char('"')}, 0, "Hash-markering aan"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
        QProcess p;
        p.start(defaultRunnerProgram(), c.args);
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitCode(), c.status);
        const QByteArray text =
            c.status == 2 ? p.readAllStandardError() : p.readAllStandardOutput();
        EXPECT_TRUE(text.contains(c.out)) << text.toStdString();
    }
}

} // namespace

int curlReady = (curl_global_init(CURL_GLOBAL_DEFAULT), 0);
