// uploadtavrel --upload, the real program without a display, against a real
// FTP server: what a cron job or a systemd timer sees.
#include "common/Registry.h"
#include "support/Databases.h"
#include "support/FtpServer.h"
#include "support/Processes.h"
#include "support/TempDir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace tavrel;
using namespace tavrel::test;

namespace {

#ifndef Q_OS_WIN
struct HeadlessRun : ::testing::Test {
    TempDir data, config, home, temp, csv;
    FtpServer server;

    void SetUp() override {
        ASSERT_TRUE(server.running());
        // The program reads the store the test writes.
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
        set("Database", makeClubDatabase(data, demo::ClubVariant::Tavrel2009));
        set("Tavrel", QStringLiteral("2009"));
        set("Limieten Database", makeLimitsDatabase(data, true));
        useServer(server);
        set("FTPfolder", QStringLiteral("httpdocs"));
        set("User", QStringLiteral("club"));
        set("Password", QStringLiteral("geheim"));
    }
    static void set(const QString& name, const QString& value) {
        WriteRegValue(settingName(name), value, QStringLiteral("REG_SZ"));
    }
    static void set(const char* name, const QString& value) { set(QLatin1String(name), value); }
    // The stored domain, and the user's consent to sending to it in clear,
    // as the window stores it once answered "Ja".
    static void useServer(const FtpServer& server) {
        set("Domain", server.domain());
        set(inClearConsent(server), QStringLiteral("ja"));
    }
    static QString inClearConsent(const FtpServer& server) {
        return QStringLiteral("Onversleuteld 127.0.0.1:%1").arg(server.port());
    }
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.path());
        env.insert(QStringLiteral("TEMP"), temp.path());
        return env;
    }
    std::unique_ptr<QProcess> start(const QStringList& arguments,
                                    const QString& program = QStringLiteral(TAVREL_PROGRAM)) {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(environment());
        p->start(program, arguments);
        EXPECT_TRUE(p->waitForStarted(10000));
        return p;
    }
    struct Result {
        int status;
        QString err;
    };
    static Result ended(QProcess& program) {
        EXPECT_TRUE(program.waitForFinished(60000));
        return {program.exitCode(), QString::fromUtf8(program.readAllStandardError())};
    }
    Result run(const QStringList& arguments,
               const QString& program = QStringLiteral(TAVREL_PROGRAM)) {
        return ended(*start(arguments, program));
    }
    // The line the next start shows.
    QString lastRun() const {
        return QString::fromUtf8(home.read(QStringLiteral("UploadTavrel/laatste-upload.txt")))
            .section(QLatin1Char('\n'), 0, 0);
    }
    QByteArray store() const { return config.read(QStringLiteral("Tavrel.ini")); }
};

TEST_F(HeadlessRun, UploadsFromTheStoredSettingsAndSaysHowItWent) {
    const QByteArray settings = store();
    const Result r = run({QStringLiteral("--upload")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(server.website(QStringLiteral("zwemmers.csv"))));
    EXPECT_TRUE(QFile::exists(server.website(QStringLiteral("tijden.csv"))));
    EXPECT_FALSE(QFile::exists(server.website(QStringLiteral("limieten.csv"))));
    for (const char* said :
         {"Zwemmers: ", "Tijden: ", "Upload naar website ...",
          "Laatste upload: ", "twee bestanden naar 127.0.0.1", "geslaagd, onversleuteld."})
        EXPECT_TRUE(r.err.contains(QLatin1String(said))) << said << "\n" << r.err.toStdString();
    EXPECT_FALSE(r.err.contains(QLatin1String("geheim"))) << "the password is never shown";
    EXPECT_EQ(store(), settings) << "a scheduled run leaves the settings as they are";
    EXPECT_TRUE(QDir(temp.path()).isEmpty()) << "nothing of the run is left in TEMP";
}

TEST_F(HeadlessRun, ChosenDataSetsAndAKeptCsvFolder) {
    const Result r = run({QStringLiteral("--upload"), QStringLiteral("--limieten"),
                          QStringLiteral("--niveaus"), QStringLiteral("--csv-map"), csv.path()});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    for (const char* file : {"limieten.csv", "niveaus.csv"}) {
        EXPECT_TRUE(QFile::exists(server.website(QLatin1String(file)))) << file;
        EXPECT_TRUE(QFile::exists(csv.file(QLatin1String(file)))) << file;
    }
    EXPECT_FALSE(QFile::exists(server.website(QStringLiteral("zwemmers.csv"))));
}

TEST_F(HeadlessRun, AFailedRunEndsWithStatusOneAndItsReason) {
    const struct {
        const char* setting;
        const char* value;
        const char* says;
    } cases[] = {
        {"Password", "fout", "FTP verbinding naar 127.0.0.1"},
        {"FTPfolder", "bestaat-niet", "FTP upload naar 127.0.0.1"},
        {"Database", "/nergens/team.mdb", "Database file niet gevonden"},
        // Without a window a certificate that does not verify is never
        // trusted; the message gives its fingerprint to check.
        {"Domain", "", "is niet te controleren (uitgegeven voor hosting.example, SHA-256 "},
        // Nor does it consent to sending in clear: the window asks that.
        {"Onversleuteld", "nee",
         "biedt geen versleutelde verbinding: uw wachtwoord en de bestanden zouden leesbaar over "
         "het internet gaan. Zonder uw toestemming is de upload geweigerd. Geef die "},
    };
    FtpServer tls{QStringLiteral("tls")};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setting);
        const QString setting = QLatin1String(c.setting) == QLatin1String("Onversleuteld")
                                    ? inClearConsent(server)
                                    : QLatin1String(c.setting);
        const QVariant before = ReadRegValue(settingName(setting));
        set(setting, *c.value ? QString::fromUtf8(c.value) : tls.domain());
        const Result r = run({QStringLiteral("--upload")});
        EXPECT_EQ(r.status, 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String(c.says))) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String(", mislukt: "))) << r.err.toStdString();
        set(setting, before.toString());
    }
}

// A file of the demo's limits database as the website keeps it (LF).
QByteArray exported(const char* name) {
    QFile f(QStringLiteral(TAVREL_TEST_DATA "/expected/demo-limits/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll().replace("\r\n", "\n") : QByteArray();
}

// What the website's limits and levels files hold: "oud", "nieuw", or else
// (a torn or foreign file) "anders".
QString website(const FtpServer& server) {
    QStringList state;
    for (const char* name : {"limieten.csv", "niveaus.csv"}) {
        QFile f(server.website(QLatin1String(name)));
        const QByteArray held = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        state << (held == "gisteren\n"     ? QStringLiteral("oud")
                  : held == exported(name) ? QStringLiteral("nieuw")
                                           : QStringLiteral("anders"));
    }
    return state.join(QLatin1Char(' '));
}

void plantYesterday(const FtpServer& server) {
    for (const char* name : {"limieten.csv", "niveaus.csv"}) {
        QFile f(server.website(QLatin1String(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("gisteren\n");
    }
}

// Waits up to ms for done; false when it did not come.
bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > ms)
            return false;
        QThread::msleep(10);
    }
    return true;
}

// The script runners working with files in folder, by process id.
QStringList runnersIn(const QString& folder) {
    QStringList found;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile command(QStringLiteral("/proc/") + pid + QStringLiteral("/cmdline"));
        if (!command.open(QIODevice::ReadOnly))
            continue;
        const QByteArray arguments = command.readAll();
        if (arguments.contains("tavrel-ftp") && arguments.contains(folder.toUtf8()))
            found << pid;
    }
    return found;
}

const QStringList kLimitsAndLevels = {QStringLiteral("--upload"), QStringLiteral("--limieten"),
                                      QStringLiteral("--niveaus")};

// Runs beside a scheduled run (a second timer, a retry) are refused at once
// and change nothing; the website holds yesterday's files or the first
// run's, whole, at every moment.
TEST_F(HeadlessRun, OneRunAtATimeAndTheWebsiteNeverTorn) {
    FtpServer slow{QStringLiteral("slow:16000")};
    plantYesterday(slow);
    useServer(slow);
    auto first = start(kLimitsAndLevels);
    ASSERT_TRUE(waitFor(
        [&] { return !slow.websiteFiles().filter(QStringLiteral(".upload")).isEmpty(); }, 20000));
    auto second = start(kLimitsAndLevels);
    QThread::msleep(1000);
    auto third = start({QStringLiteral("--upload")});
    QStringList seen;
    while (first->state() != QProcess::NotRunning) {
        const QString now = website(slow);
        if (!seen.contains(now))
            seen << now;
        first->waitForFinished(20);
    }
    EXPECT_EQ(first->exitCode(), 0) << first->readAllStandardError().toStdString();
    for (QProcess* other : {second.get(), third.get()}) {
        const Result r = ended(*other);
        EXPECT_EQ(r.status, 3) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("Er loopt al een upload, gestart om ")))
            << r.err.toStdString();
    }
    for (const QString& state : seen)
        EXPECT_TRUE(state == QLatin1String("oud oud") || state == QLatin1String("nieuw oud") ||
                    state == QLatin1String("nieuw nieuw"))
            << state.toStdString();
    EXPECT_EQ(website(slow), QStringLiteral("nieuw nieuw"));
    EXPECT_EQ(slow.websiteFiles(),
              (QStringList{QStringLiteral("limieten.csv"), QStringLiteral("niveaus.csv")}));
    EXPECT_TRUE(lastRun().endsWith(QStringLiteral("twee bestanden naar 127.0.0.1 ") +
                                   QString::number(slow.port()) +
                                   QStringLiteral("/httpdocs, geslaagd, onversleuteld.")))
        << lastRun().toStdString();
}

// kill -9 of the program during each file and among the renames: its runner
// ends within two seconds and renames nothing more; the next start says the
// run was interrupted, and the next run clears what was left (here, in a
// kept CSV folder and on the server) and puts the whole set in place. A
// kept log is never emptied.
TEST_F(HeadlessRun, AKilledRunRenamesNothingMoreAndTheNextClearsUp) {
    const struct {
        const char* mode;
        const char* moment;
        const char* after; // the website once the runner is gone
        bool keepCsv;
    } cases[] = {
        {"slow:16000", ".limieten.csv.", "oud oud", false},
        {"slow:16000", ".niveaus.csv.", "oud oud", true},
        {"slow-rnto:3", "limieten.csv", "nieuw oud", false}, // renamed, its answer on its way
    };
    csv.write(QStringLiteral("ftp_send.ftp.log"), "vorige upload");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.moment);
        FtpServer server{QLatin1String(c.mode)};
        plantYesterday(server);
        useServer(server);
        auto program = start(
            kLimitsAndLevels +
            (c.keepCsv ? QStringList{QStringLiteral("--csv-map"), csv.path()} : QStringList{}));
        const QString moment = QLatin1String(c.moment);
        ASSERT_TRUE(waitFor(
            [&] {
                if (!moment.startsWith(QLatin1Char('.')))
                    return website(server) == QLatin1String("nieuw oud");
                const QStringList staged = server.websiteFiles().filter(moment);
                return !staged.isEmpty() && QFileInfo(server.website(staged[0])).size() > 0;
            },
            20000));
        const QStringList runners = runnersIn(c.keepCsv ? csv.path() : temp.path());
        ASSERT_EQ(runners.size(), 1);
        program->kill();
        program->waitForFinished();
        EXPECT_TRUE(waitFor([&] { return processEnded(runners[0].toLongLong()); }, 2000))
            << "the runner outlived the program by more than two seconds";
        const QString after = website(server);
        EXPECT_EQ(after, QLatin1String(c.after));
        QThread::msleep(3500);
        EXPECT_EQ(website(server), after) << "renamed after the program was gone";
        EXPECT_TRUE(lastRun().contains(QStringLiteral(
            ", begonnen maar niet afgemaakt: het programma is onderbroken tijdens de upload.")))
            << lastRun().toStdString();
        EXPECT_EQ(QFile::exists(csv.file(QStringLiteral("ftp_send.ftp"))), c.keepCsv);

        const Result next = run(kLimitsAndLevels);
        EXPECT_EQ(next.status, 0) << next.err.toStdString();
        EXPECT_EQ(website(server), QStringLiteral("nieuw nieuw"));
        EXPECT_EQ(server.websiteFiles(),
                  (QStringList{QStringLiteral("limieten.csv"), QStringLiteral("niveaus.csv")}));
        EXPECT_TRUE(QDir(temp.path()).isEmpty()) << "the killed run's folder is gone";
        EXPECT_FALSE(QFile::exists(csv.file(QStringLiteral("ftp_send.ftp"))))
            << "the killed run's script (with the password) is gone";
        EXPECT_EQ(csv.read(QStringLiteral("ftp_send.ftp.log")), QByteArray("vorige upload"));
    }
}

// A scheduled run never guesses: settings it cannot read or that lack the
// host, folder or user are named, in the run's message and the next start's
// line, and nothing is sent. A database another program holds is waited for.
TEST_F(HeadlessRun, SaysWhichSettingsItCannotUseAndWaitsForABusyDatabase) {
    const QString file = config.file(QStringLiteral("Tavrel.ini"));
    const QByteArray good = store();
    const struct {
        const char* stored; // "folder": a folder stands where the file should
        const char* says;
    } cases[] = {
        {"", "ontbreekt: Domain, FTPfolder, User."},
        {"\x01\xff\xfe[Gener\nDomain", "ontbreekt: Domain, FTPfolder, User."},
        {"[General]\nDomain=\nFTPfolder=httpdocs\nUser=club\n", "ontbreekt: Domain."},
        {"folder", "kan niet worden gelezen."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        QFile::remove(file);
        if (QLatin1String(c.stored) == QLatin1String("folder"))
            ASSERT_TRUE(QDir().mkdir(file));
        else
            config.write(QStringLiteral("Tavrel.ini"), c.stored);
        const Result r = run({QStringLiteral("--upload")});
        QDir().rmdir(file);
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.err.contains(QLatin1String(c.says)) && r.err.contains(file))
            << r.err.toStdString();
        EXPECT_TRUE(lastRun().contains(QLatin1String(c.says))) << lastRun().toStdString();
        EXPECT_TRUE(server.websiteFiles().isEmpty());
    }
    config.write(QStringLiteral("Tavrel.ini"), good);

    // Another program holds the limits database for four seconds.
    QProcess holder;
    holder.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import sqlite3, sys, time\n"
                                 "c = sqlite3.connect(sys.argv[1], isolation_level=None)\n"
                                 "c.execute('BEGIN EXCLUSIVE'); print('held', flush=True)\n"
                                 "time.sleep(4); c.execute('COMMIT')"),
                  ReadRegValue(settingName(QStringLiteral("Limieten Database"))).toString()});
    ASSERT_TRUE(holder.waitForReadyRead(10000));
    const Result r = run({QStringLiteral("--upload"), QStringLiteral("--limieten")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.err.count(QStringLiteral(" is in gebruik door een ander programma; de upload "
                                         "wacht tot die vrij is, hoogstens 5 minuten.")),
              1)
        << r.err.toStdString();
    holder.waitForFinished();
}

// A password, short or long, is hidden where it stands whole and garbles no
// other word: on standard error, in the next start's line and in the kept
// log, also where a careless host repeats it.
TEST_F(HeadlessRun, ServerTextIsShownAsTextWithThePasswordHiddenWhole) {
    FtpServer echoing{QStringLiteral("echo-password")};
    useServer(echoing);
    const QStringList passwords = {QStringLiteral("a"), QStringLiteral("de"),
                                   QStringLiteral("ge heim$1'\"x *") +
                                       QString(26, QLatin1Char('z'))};
    for (const QString& password : passwords) {
        SCOPED_TRACE(password.toStdString());
        set("Password", password);
        const Result r = run({QStringLiteral("--upload")});
        const QString log =
            QString::fromLatin1(home.read(QStringLiteral("UploadTavrel/ftp_send.ftp.log")));
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.err.contains(QStringLiteral("530 Wrong password: ****")));
        EXPECT_TRUE(log.contains(QStringLiteral("530 Wrong password: ****")));
        for (const QString& kept : {r.err, lastRun(), log})
            EXPECT_EQ(kept.count(QStringLiteral("****")),
                      kept.count(QStringLiteral("Wrong password: ****")))
                << "a word garbled: " << kept.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("Verbonden met 127.0.0.1.")));
    }

    // What a server says is shown as text: no escape sequence moves the
    // terminal's cursor, no lone CR starts a line that looks like the
    // program's own, a long line is cut; the log keeps it all.
    FtpServer hostile{QStringLiteral("hostile-banner")};
    useServer(hostile);
    set("Password", QStringLiteral("geheim"));
    const Result r = run({QStringLiteral("--upload")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("220-welkom?[2K?[1A?De verbinding is versleuteld")))
        << r.err.left(400).toStdString();
    EXPECT_FALSE(r.err.contains(QLatin1Char('\x1b')) || r.err.contains(QLatin1Char('\r')));
    EXPECT_TRUE(r.err.contains(QStringLiteral("220-") + QString(508, QLatin1Char('x')) +
                               QChar(0x2026) + QLatin1Char('\n')));
    EXPECT_TRUE(home.read(QStringLiteral("UploadTavrel/ftp_send.ftp.log"))
                    .contains(QByteArray("220-" + QByteArray(3000, 'x') + "\r\n")));
}

// A CSV folder whose disk is full (a small disk of its own, in a mount
// namespace of the program's), and a runner that is not there: each said in
// words, the same in the next start's line.
TEST_F(HeadlessRun, AFullDiskAndAMissingRunnerAreSaidAsSuch) {
    TempDir alone;
    const QString program = alone.file(QStringLiteral("uploadtavrel"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(TAVREL_PROGRAM), program));
    const Result missing = run({QStringLiteral("--upload")}, program);
    const QString runner = QStringLiteral("Het FTP-programma ") +
                           alone.file(QStringLiteral("tavrel-ftp")) +
                           QStringLiteral(" kan niet worden gestart");
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains(runner)) << missing.err.toStdString();
    EXPECT_TRUE(lastRun().contains(runner)) << lastRun().toStdString();

    if (!mountNamespaces())
        GTEST_SKIP() << "a small disk of the test's own needs a mount namespace (root)";
    auto full = start({QStringLiteral("--mount"), QStringLiteral("sh"), QStringLiteral("-c"),
                       QStringLiteral("mount -t tmpfs -o size=16k tmpfs \"$0\" && exec \"$1\" "
                                      "--upload --csv-map \"$0\""),
                       csv.path(), QStringLiteral(TAVREL_PROGRAM)},
                      QStringLiteral("/usr/bin/unshare"));
    const Result r = ended(*full);
    const QString said = QStringLiteral("tijden.csv kan niet worden geschreven (de schijf is vol)");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(said)) << r.err.toStdString();
    EXPECT_TRUE(lastRun().contains(said)) << lastRun().toStdString();
}
#else
TEST(HeadlessRun, NeedsTheUsersOwnSettingsKey) {
    GTEST_SKIP() << "under Windows the program's settings are the user's registry key, which "
                    "tests never touch";
}
#endif

} // namespace
