// uploadtavrel --upload, the real program without a display, against a real
// FTP server: what a cron job or a systemd timer sees.
#include "common/Registry.h"
#include "support/Databases.h"
#include "support/FtpServer.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>

#include <gtest/gtest.h>

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
        set("Domain", server.domain());
        set("FTPfolder", QStringLiteral("httpdocs"));
        set("User", QStringLiteral("club"));
        set("Password", QStringLiteral("geheim"));
    }
    static void set(const char* name, const QString& value) {
        WriteRegValue(settingName(QLatin1String(name)), value, QStringLiteral("REG_SZ"));
    }
    struct Result {
        int status;
        QString err;
    };
    Result run(const QStringList& arguments) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.path());
        env.insert(QStringLiteral("TEMP"), temp.path());
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(TAVREL_PROGRAM), arguments);
        EXPECT_TRUE(program.waitForFinished(60000));
        return {program.exitCode(), QString::fromUtf8(program.readAllStandardError())};
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
    for (const char* said : {"Zwemmers: ", "Tijden: ", "Upload naar website ...",
                             "Laatste upload: ", "twee bestanden naar 127.0.0.1"})
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
    };
    FtpServer tls{QStringLiteral("tls")};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setting);
        const QString name = settingName(QLatin1String(c.setting));
        const QVariant before = ReadRegValue(name);
        set(c.setting, *c.value ? QString::fromUtf8(c.value) : tls.domain());
        const Result r = run({QStringLiteral("--upload")});
        EXPECT_EQ(r.status, 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String(c.says))) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String(", mislukt: "))) << r.err.toStdString();
        set(c.setting, before.toString());
    }
}
#else
TEST(HeadlessRun, NeedsTheUsersOwnSettingsKey) {
    GTEST_SKIP() << "under Windows the program's settings are the user's registry key, which "
                    "tests never touch";
}
#endif

} // namespace
