#include "app/LastRun.h"
#include "app/Main.h"
#include "common/ErrorReport.h"
#include "common/Files.h"
#include "common/Registry.h"
#include "support/Databases.h"
#include "support/FtpServer.h"
#include "support/OwnerOnlyCheck.h"
#include "support/PressOk.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"
#include "support/Wine.h"
#include "upload/FtpScript.h"
#include "upload/UploadPhase.h"

#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

#include <curl/curl.h>

#include <cstring>

#include <gtest/gtest.h>

#include <iostream>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace tavrel;
using namespace tavrel::test;

namespace {

const char* const kNames[] = {"zwemmers.csv", "tijden.csv", "limieten.csv", "niveaus.csv"};

struct UploadFixture : ::testing::Test {
    TempDir data, temp, csv;
    QString club, limits;

    void SetUp() override {
        club = makeClubDatabase(data, demo::ClubVariant::Tavrel2006);
        limits = makeLimitsDatabase(data, true);
        qputenv("TEMP", temp.path().toLocal8Bit());
    }

    // The user has consented to plain FTP for every host the tests upload
    // to, unless a test says otherwise.
    bool inClearConsented = true;

    std::unique_ptr<Main> window(const QString& domain, const QString& password,
                                 std::array<bool, 3> sets, bool keepCsv = false) {
        if (inClearConsented)
            WriteRegValue(settingName(QStringLiteral("Onversleuteld ") + hostKey(domain)),
                          QStringLiteral("ja"), QStringLiteral("REG_SZ"));
        auto w = std::make_unique<Main>();
        w->tbDB[0]->setText(club);
        w->tbDB[1]->setText(limits);
        w->OptVersie[0]->setChecked(true);
        w->Tbox[0]->setText(domain);
        w->Tbox[1]->setText(QStringLiteral("httpdocs"));
        w->Tbox[2]->setText(QStringLiteral("club"));
        w->Tbox[3]->setText(password);
        w->checkCSV->setChecked(keepCsv);
        w->tbCSV->setText(csv.folder());
        for (size_t i = 0; i < 3; ++i)
            w->checkUpl[i]->setChecked(sets[i]);
        return w;
    }

    QString log() const {
        return QString::fromLatin1(temp.read(QStringLiteral("ftp_send.ftp.log")));
    }
    QStringList tempFiles() const { return QDir(temp.path()).entryList(QDir::Files, QDir::Name); }

    // The password is in no file the run leaves behind (the settings store
    // keeps it on purpose and is not looked at here).
    void expectPasswordNowhere(const QString& password, const std::vector<const TempDir*>& dirs) {
        for (const TempDir* dir : dirs)
            for (QDirIterator it(dir->path(), QDir::Files, QDirIterator::Subdirectories);
                 it.hasNext();) {
                QFile f(it.next());
                f.open(QIODevice::ReadOnly);
                EXPECT_FALSE(f.readAll().contains(password.toLatin1()))
                    << f.fileName().toStdString();
            }
    }

    // Yesterday's files on a website: swimmers and times, or the first count.
    static void plantYesterday(const FtpServer& server, int count = 2) {
        for (int i = 0; i < count; ++i) {
            QFile old(server.website(QLatin1String(kNames[i])));
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("gisteren\n");
        }
    }

    // The website holds the first fresh of its count files new, the others
    // yesterday's (line ends as the server keeps them, or as sent where any
    // will do), and no other file but those of also.
    void expectFiles(const FtpServer& server, int fresh, int count, bool anyLineEnds = false,
                     const QStringList& also = {}) {
        QStringList all = also;
        for (int i = 0; i < count; ++i) {
            const QLatin1String name(kNames[i]);
            all << name;
            QFile onSite(server.website(name));
            ASSERT_TRUE(onSite.open(QIODevice::ReadOnly)) << kNames[i];
            QByteArray held = onSite.readAll();
            if (anyLineEnds)
                held.replace("\r\n", "\n");
            EXPECT_EQ(held,
                      i >= fresh ? QByteArray("gisteren\n") : csv.read(name).replace("\r\n", "\n"))
                << kNames[i];
        }
        all.sort();
        EXPECT_EQ(server.websiteFiles(), all);
    }
    // Yesterday's swimmers and times, or the whole new pair.
    void expectWebsite(const FtpServer& server, bool yesterday, bool anyLineEnds = false) {
        expectFiles(server, yesterday ? 0 : 2, 2, anyLineEnds);
    }

    // Swimmers and times to domain, the CSV files kept; the question about a
    // server's certificate or key answered (Ok: none is asked), and the
    // error report when the upload fails. What was asked.
    std::vector<Prompt> upload(const QString& domain, Answer question, bool fails,
                               std::array<bool, 3> sets = {true, false, false}) {
        auto w = window(domain, QStringLiteral("geheim"), sets, true);
        ScriptedUi ui;
        if (question != Answer::Ok)
            ui.answer(question);
        if (fails)
            ui.answer(Answer::Ok);
        pressOk(*w);
        EXPECT_EQ(ui.programEnded(), !fails) << w->Message->toPlainText().toStdString();
        return ui.prompts();
    }

    // "127.0.0.1 2121" and "ftp://127.0.0.1:2121" are "127.0.0.1:2121".
    static QString hostKey(const QString& domain) {
        return domain.section(QStringLiteral("://"), -1)
            .replace(QLatin1Char(' '), QLatin1Char(':'));
    }

    // What the settings keep of one host (its trusted key, or that it spoke
    // TLS), now for another too.
    static void trustAs(const QString& host, const QString& other,
                        const QString& kind = QStringLiteral("Certificaat ")) {
        WriteRegValue(settingName(kind + other), ReadRegValue(settingName(kind + host)),
                      QStringLiteral("REG_SZ"));
    }

    static void expectUploadReport(const Prompt& p, const QString& description) {
        EXPECT_EQ(p.title, QStringLiteral("Foutmelding!"));
        EXPECT_EQ(
            p.text,
            QStringLiteral("Fout gevonden in: UploadTavrel\r\nFoutnummer : -2147220991\r\n"
                           "Bron              : UploadTavrel.Main.cmdOK_Click\r\nOmschrijving : ") +
                description);
    }
};

TEST_F(UploadFixture, EveryCombinationOfDataSetsArrivesAndTheProgramEnds) {
    FtpServer server;
    for (int mask = 0; mask < 8; ++mask) {
        const std::array<bool, 3> sets = {bool(mask & 1), bool(mask & 2), bool(mask & 4)};
        SCOPED_TRACE(testing::Message() << "data sets " << sets[0] << sets[1] << sets[2]);
        for (const QString& f : QDir(server.website(QString())).entryList(QDir::Files))
            QFile::remove(server.website(f));
        // Keep a copy of what the exports write, to compare with what arrives.
        auto keep = window(server.domain(), QStringLiteral("geheim"), sets, true);
        ScriptedUi ui;
        pressOk(*keep);
        ASSERT_TRUE(ui.programEnded()) << keep->Message->toPlainText().toStdString();
        QStringList expected;
        for (size_t i = 0; i < 4; ++i) {
            const bool sent = sets[i == 0 || i == 1 ? 0 : i - 1];
            QFile arrived(server.website(QLatin1String(kNames[i])));
            EXPECT_EQ(arrived.exists(), sent) << kNames[i];
            if (sent && arrived.open(QIODevice::ReadOnly)) {
                QByteArray local = csv.read(QLatin1String(kNames[i]));
                EXPECT_EQ(arrived.readAll(), local.replace("\r\n", "\n")) << kNames[i];
            }
        }
        EXPECT_EQ(tempFiles(), QStringList{})
            << "with the CSV box ticked the files stay in the CSV folder";
        EXPECT_FALSE(QFile::exists(csv.file(QStringLiteral("ftp_send.ftp"))));
        EXPECT_TRUE(QFile::exists(csv.file(QStringLiteral("ftp_send.ftp.log"))));
        if (mask == 0) {
            const QString transcript =
                QString::fromLatin1(csv.read(QStringLiteral("ftp_send.ftp.log")));
            EXPECT_TRUE(transcript.contains(QStringLiteral("230 Login successful.")));
            EXPECT_TRUE(
                transcript.contains(QStringLiteral("250 \"/httpdocs\" is the current directory.")));
            EXPECT_FALSE(transcript.contains(QStringLiteral("Transfer")));
        }
        expectPasswordNowhere(QStringLiteral("geheim"), {&csv, &temp, &server.home()});
    }
}

// Another user's trap: a symbolic link at path to a file of ours. False where
// none can be made: Wine 8 answers success and makes none.
bool plantLink(const QString& victim, const QString& path) {
#ifdef Q_OS_WIN
    CreateSymbolicLinkW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(path).utf16()),
                        reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(victim).utf16()),
                        SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
    if (!QFileInfo::exists(path)) {
        std::cout << "(no symbolic link trap: Wine 8 makes no symbolic links)\n";
        return false;
    }
    return true;
#else
    return QFile::link(victim, path);
#endif
}

// Looks at the run's folder while the upload runs in it.
class FolderSpy : public Phase {
public:
    bool run(PhaseContext& context) override {
        folder = context.outputFolder;
        othersMayOpenFolder = tavrel::test::othersMayOpen(folder);
        files = QDir(folder).entryList(QDir::Files, QDir::Name);
        return upload->run(context);
    }
    std::unique_ptr<Phase> upload = makeUploadPhase();
    QString folder;
    bool othersMayOpenFolder = true;
    QStringList files;
};

TEST_F(UploadFixture, RunsInAPrivateFolderAndLeavesNothingInTheSharedOne) {
    FtpServer server;
    // Another user's trap in the shared folder: the log's name as a link to
    // a file of ours.
    const QString victim = data.write(QStringLiteral("eigen.txt"), "van mij");
    const bool trap = plantLink(victim, temp.file(kFtpLogName));
    // The previous run's kept log, still readable by others.
    const QString kept = QDir(logFolder()).filePath(kFtpLogName);
    QDir().mkpath(logFolder());
    QFile old(kept);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("vorige upload");
    old.close();
    QFile::setPermissions(kept, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);

    auto w = window(server.domain(), QStringLiteral("geheim"), {true, true, true});
    auto spy = std::make_unique<FolderSpy>();
    FolderSpy& seen = *spy;
    w->phases.upload = std::move(spy);
    ScriptedUi ui;
    pressOk(*w);
    EXPECT_TRUE(ui.programEnded()) << w->Message->toPlainText().toStdString();

    EXPECT_EQ(QFileInfo(QDir::cleanPath(seen.folder)).path(),
              QFileInfo(temp.path()).absoluteFilePath());
    EXPECT_FALSE(seen.othersMayOpenFolder);
    EXPECT_EQ(seen.files,
              (QStringList{QStringLiteral("limieten.csv"), QStringLiteral("niveaus.csv"),
                           QStringLiteral("tijden.csv"), QStringLiteral("zwemmers.csv")}));
    EXPECT_FALSE(QFileInfo::exists(seen.folder)) << "the run's folder is removed";
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
              trap ? QStringList{kFtpLogName} : QStringList());
    if (trap) {
        EXPECT_EQ(QFileInfo(temp.file(kFtpLogName)).symLinkTarget(), victim) << "link untouched";
    }
    EXPECT_EQ(data.read(QStringLiteral("eigen.txt")), QByteArray("van mij"));

    QFile log(kept);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("226 ")) << "this run's transcript replaced the last";
    EXPECT_FALSE(tavrel::test::othersMayOpen(kept));
    for (const char* name : kNames)
        EXPECT_TRUE(QFile::exists(server.website(QLatin1String(name)))) << name;
}

TEST_F(UploadFixture, AnyFolderNameReachesTheRunnerIntact) {
    FtpServer server;
#ifdef Q_OS_WIN
    // Windows allows no quote in a folder name.
    const QString odd = QStringLiteral("map 'met' & $(tekens) \u00e9n %TEMP% $HOME");
#else
    const QString odd = QStringLiteral("map \"met\" $(aanhalingstekens) \u00e9n $HOME");
#endif
    const QString tempFolder = temp.file(odd);
    const QString csvFolder = csv.file(odd);
    QDir().mkpath(tempFolder);
    QDir().mkpath(csvFolder);
    qputenv("TEMP", QFile::encodeName(tempFolder));
    for (const bool keepCsv : {false, true}) {
        SCOPED_TRACE(keepCsv ? "CSV folder" : "TEMP");
        for (const QString& f : QDir(server.website(QString())).entryList(QDir::Files))
            QFile::remove(server.website(f));
        auto w = window(server.domain(), QStringLiteral("geheim"), {true, false, true}, keepCsv);
        w->tbCSV->setText(csvFolder); // typed without its final separator
        ScriptedUi ui;
        pressOk(*w);
        EXPECT_TRUE(ui.programEnded()) << w->Message->toPlainText().toStdString();
        for (const char* name : {"zwemmers.csv", "tijden.csv", "niveaus.csv"})
            EXPECT_TRUE(QFile::exists(server.website(QLatin1String(name)))) << name;
        EXPECT_EQ(QFile::exists(csvFolder + QStringLiteral("/zwemmers.csv")), keepCsv);
    }
    EXPECT_FALSE(QFile::exists(QStringLiteral("aanhalingstekens")));
}

TEST_F(UploadFixture, TheDomainMayNameItsPort) {
    FtpServer server;
    auto w = window(QStringLiteral("127.0.0.1:%1").arg(server.port()), QStringLiteral("geheim"),
                    {false, true, false});
    ScriptedUi ui;
    pressOk(*w);
    EXPECT_TRUE(ui.programEnded()) << w->Message->toPlainText().toStdString();
    EXPECT_TRUE(QFile::exists(server.website(QStringLiteral("limieten.csv"))));
}

// An upload that cannot go: one error report that says why, the runner's
// own lines in the window (a password masked), the window open, the run's
// files cleaned up and its log kept, and nothing anywhere on the server.
TEST_F(UploadFixture, AnUploadThatCannotGoSaysWhyAndKeepsTheWindowOpen) {
    FtpServer server, refusing(FtpServer::Mode::Refuse421);
    const QString nobody = QStringLiteral("127.0.0.1 %1").arg(unusedPort());
    const QString connect = QStringLiteral("FTP verbinding naar %1 mislukt\r\n");
    const QString upload = QStringLiteral("FTP upload naar %1 mislukt\r\n");
    const struct {
        const char* name;
        QString domain;
        const char* password; // this one also stands in the server's refusal: the mask shows
        const char* folder;
        QString report;
        std::vector<const char*> shown; // in the window
    } cases[] = {
        {"a wrong password",
         server.domain(),
         "failed",
         "httpdocs",
         connect.arg(server.domain()) + QStringLiteral("De gebruikersnaam of het wachtwoord wordt "
                                                       "door 127.0.0.1 niet geaccepteerd."),
         {"530 Authentication ****."}},
        {"a server that refuses for now",
         refusing.domain(),
         "geheim",
         "httpdocs",
         connect.arg(refusing.domain()) +
             QStringLiteral("De server 127.0.0.1 weigert de verbinding op dit moment (421); "
                            "probeer het later nog eens."),
         {"421 "}},
        {"no server",
         nobody,
         "geheim",
         "httpdocs",
         connect.arg(nobody) + QStringLiteral("De server 127.0.0.1 weigert de verbinding: "
                                              "controleer de domeinnaam en de poort."),
         {"Niet verbonden."}},
        {"a missing remote folder",
         server.domain(),
         "geheim",
         "bestaat niet",
         upload.arg(server.domain()) +
             QStringLiteral("De map \"bestaat niet\" bestaat niet op de server (of is niet "
                            "toegankelijk): controleer de FTP-map."),
         {"550 ", "Niet verzonden: limieten.csv"}},
        {"a port that is none",
         QStringLiteral("127.0.0.1:99999"),
         "geheim",
         "httpdocs",
         {},
         {"ftp: ongeldige poort: "}},
        {"a port that is a word",
         QStringLiteral("127.0.0.1:ftp"),
         "geheim",
         "httpdocs",
         {},
         {"ftp: ongeldige poort: "}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto w = window(c.domain, QLatin1String(c.password), {false, true, false});
        w->Tbox[1]->setText(QLatin1String(c.folder));
        ScriptedUi ui;
        ui.answer(Answer::Ok);
        pressOk(*w);
        EXPECT_FALSE(ui.programEnded());
        EXPECT_FALSE(ui.waitCursor());
        ASSERT_EQ(ui.messages().size(), 1u);
        if (!c.report.isEmpty())
            expectUploadReport(ui.messages()[0], c.report);
        const QString shown = w->Message->toPlainText();
        for (const char* line : c.shown)
            EXPECT_TRUE(shown.contains(QLatin1String(line))) << shown.toStdString();
        EXPECT_FALSE(shown.contains(QStringLiteral("failed")));
        EXPECT_EQ(tempFiles(), QStringList{}) << "the clean-up still ran";
        EXPECT_TRUE(QFile::exists(QDir(logFolder()).filePath(kFtpLogName)));
        QDirIterator anywhere(server.home().path(), QDir::Files, QDirIterator::Subdirectories);
        EXPECT_FALSE(anywhere.hasNext()) << "nothing lands on the server, in no folder";
        expectPasswordNowhere(QStringLiteral("geheim"), {&temp});
    }
}

// The faults a website's host shows now and then. After each failure the
// website holds yesterday's files, untouched; after each success the whole
// new set; never a temporary file.
TEST_F(UploadFixture, TheWebsiteHoldsTheOldSetOrTheWholeNewOne) {
    const struct {
        const char* mode;
        const char* reason; // empty: the upload succeeds
    } cases[] = {
        {"cut:200", "zwemmers.csv is niet geheel aangekomen: de server heeft 200 van "},
        {"full", "Er is geen ruimte meer op de server voor zwemmers.csv."},
        {"refuse-stor", "De server weigert het bestand zwemmers.csv."},
        {"stall", "De server antwoordt niet meer tijdens zwemmers.csv."},
        {"late:3", ""}, // beyond the reply limit, within the wait for a confirmation
        {"no-size", ""},
        {"no-overwrite", ""},
    };
    // Replies within 2 s, a confirmation within 8 s.
    qputenv("TAVREL_FTP_TIMEOUT", "2");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        FtpServer server{QLatin1String(c.mode)};
        plantYesterday(server);
        const bool fails = *c.reason != 0;
        const std::vector<Prompt> asked = upload(server.domain(), Answer::Ok, fails);
        if (fails) {
            ASSERT_EQ(asked.size(), 1u);
            // Under Wine on a busy machine, a runner whose data connection
            // the server never reads now and then loses its output pipes at
            // the confirmation time-out (the pending read of the program is
            // never answered). The website must still be untouched; the
            // reason is then the log's first refusal. The runner's own test
            // shows the time-out under Wine.
            const bool pipesMayFail = underWine() && std::strcmp(c.mode, "stall") == 0;
            const QString report = QStringLiteral("Omschrijving : FTP upload naar ") +
                                   server.domain() + QStringLiteral(" mislukt\r\n");
            EXPECT_TRUE(asked[0].text.contains(pipesMayFail ? report
                                                            : report + QString::fromUtf8(c.reason)))
                << asked[0].text.toStdString();
        }
        expectWebsite(server, fails);
    }
    qunsetenv("TAVREL_FTP_TIMEOUT");
}

// A connection lost among the renames is opened again and the renames are
// finished; only a refusal or a connection that stays lost leaves part of
// the set old, and then the report names exactly which files are new.
TEST_F(UploadFixture, TheRenamesRollForwardOrSayExactlyWhichFilesAreNew) {
    const QString domain = QStringLiteral("FTP upload naar 127.0.0.1 %1 mislukt\r\n");
    const struct {
        const char* mode;
        int fresh;          // files new on the website afterwards, in the script's order
        const char* reason; // empty: the upload succeeds
    } cases[] = {
        {"drop-rnto:1", 4, ""},
        {"drop-rnto:2", 4, ""},
        {"drop-rnto:3", 4, ""},
        {"drop-rnto:4", 4, ""},
        {"lose-rnto:3", 4, ""}, // renamed, the answer lost with the connection
        {"refuse-rnto:1", 0,
         "De server weigert zwemmers.csv te vervangen; de website is niet veranderd."},
        {"refuse-rnto:3", 2,
         "De server weigert limieten.csv te vervangen; al vervangen: zwemmers.csv, tijden.csv; "
         "nog oud: limieten.csv, niveaus.csv."},
        {"down-rnto:2", 2,
         "De verbinding met 127.0.0.1 is verbroken tijdens het vervangen van limieten.csv; al "
         "vervangen: zwemmers.csv, tijden.csv; nog oud: limieten.csv, niveaus.csv."},
    };
    qputenv("TAVREL_FTP_TIMEOUT", "2");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        FtpServer server{QLatin1String(c.mode)};
        plantYesterday(server, 4);
        const bool fails = *c.reason != 0;
        const std::vector<Prompt> asked =
            upload(server.domain(), Answer::Ok, fails, {true, true, true});
        if (fails) {
            ASSERT_EQ(asked.size(), 1u);
            EXPECT_TRUE(
                asked[0].text.endsWith(domain.arg(server.port()) + QString::fromUtf8(c.reason)))
                << asked[0].text.toStdString();
        }
        // A server that stays away keeps what could not be removed; the
        // next upload clears it once it is a day old.
        QStringList left = server.websiteFiles().filter(QStringLiteral(".upload"));
        EXPECT_EQ(left.size(), QLatin1String(c.mode).startsWith(QLatin1String("down")) ? 2 : 0);
        expectFiles(server, c.fresh, 4, false, left);
    }
    qunsetenv("TAVREL_FTP_TIMEOUT");
}

// TLS whenever the server offers it; a certificate that does not verify is
// asked about once and then trusted for that domain; a changed one refused.
TEST_F(UploadFixture, EncryptedWhereTheServerOffersItAndTrustedOnlyOnce) {
    FtpServer tls{QStringLiteral("tls-required")}, other{QStringLiteral("tls")};
    FtpServer plain;
    const QString required = QStringLiteral("127.0.0.1:%1").arg(tls.port());
    const QString offered = QStringLiteral("127.0.0.1:%1").arg(other.port());
    const struct {
        QString domain;
        Answer answer;      // to the certificate question; Ok: none is asked
        const char* reason; // empty: the upload succeeds
        const char* line;   // in the transcript
    } cases[] = {
        {required, Answer::No,
         "Het certificaat van 127.0.0.1 is niet te controleren "
         "(uitgegeven voor hosting.example, SHA-256 ",
         "ftp: het certificaat van 127.0.0.1 is niet te controleren"},
        {required, Answer::Yes, "", "De verbinding is versleuteld (TLS)."},
        {required, Answer::Ok, "", "De verbinding is versleuteld (TLS)."}, // trusted now
        {QStringLiteral("ftps://") + required, Answer::Ok, "", "De verbinding is versleuteld"},
        // A trusted key requires TLS, whatever the scheme.
        {QStringLiteral("ftp://") + required, Answer::Ok, "",
         "De verbinding is versleuteld (TLS)."},
        // Another server's key under this domain: the certificate has changed
        // (asked about as such, "Nee").
        {offered, Answer::No, "Het certificaat van 127.0.0.1 is veranderd sinds u het vertrouwde",
         "ftp: het certificaat van 127.0.0.1 is veranderd"},
        {plain.domain(), Answer::Ok, "", "De verbinding is niet versleuteld."},
        {QStringLiteral("ftps://127.0.0.1:%1").arg(plain.port()), Answer::Ok,
         "De server 127.0.0.1 biedt geen versleutelde verbinding (TLS), en die is vereist.",
         "ftp: de server biedt geen versleutelde verbinding."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.domain.toStdString() + " " + c.reason);
        if (c.domain == offered)
            trustAs(required, offered);
        const bool fails = *c.reason != 0;
        const std::vector<Prompt> asked = upload(c.domain, c.answer, fails);
        if (c.answer != Answer::Ok) {
            ASSERT_FALSE(asked.empty());
            EXPECT_EQ(asked[0].title, c.domain == offered ? QStringLiteral("Certificaat veranderd")
                                                          : QStringLiteral("Onbekend certificaat"));
            EXPECT_TRUE(asked[0].text.contains(QStringLiteral("Uitgegeven voor: hosting.example")))
                << asked[0].text.toStdString();
        }
        if (fails) {
            EXPECT_TRUE(asked.back().text.contains(QString::fromUtf8(c.reason)))
                << asked.back().text.toStdString();
        }
        EXPECT_TRUE(QString::fromLatin1(csv.read(QStringLiteral("ftp_send.ftp.log")))
                        .contains(QString::fromUtf8(c.line)));
        if (c.domain == required) {
            EXPECT_EQ(QFile::exists(tls.website(QStringLiteral("zwemmers.csv"))), !fails);
        }
    }
    EXPECT_FALSE(QFile::exists(other.website(QStringLiteral("zwemmers.csv"))))
        << "nothing went to a server whose certificate changed";
}

// The trust question shows what the program computed from the certificate
// the server presented (its fingerprint as openssl reads it), why the system
// did not accept it and its dates; a name with a line break and a forged
// record changes nothing of that.
TEST_F(UploadFixture, TheTrustQuestionShowsTheServersOwnCertificateAndWhy) {
    const struct {
        const char* mode;
        const char* why;
    } cases[] = {
        {"tls", "Waarom niet: de server heeft het zelf ondertekend, niet een bekende uitgever; "
                "het is gemaakt voor hosting.example, niet voor 127.0.0.1."},
        {"tls-expired", "Waarom niet: het is verlopen op "},
        {"tls-other-name", "Waarom niet: het is gemaakt voor other.example, niet voor 127.0.0.1."},
        {"tls-forged", "Uitgegeven voor: hosting.example?certificaat-onbekend QUFB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        FtpServer server{QLatin1String(c.mode)};
        const std::vector<Prompt> asked = upload(server.domain(), Answer::No, true);
        ASSERT_EQ(asked.size(), 2u);
        const QString question = asked[0].text;
        // openssl's own reading of what the server presents (a Unix program:
        // not under Wine, where the rest holds all the same).
        if (!underWine()) {
            QProcess presented;
            presented.start(QStringLiteral("sh"),
                            {QStringLiteral("-c"),
                             QStringLiteral("openssl s_client -starttls ftp -connect "
                                            "127.0.0.1:%1 </dev/null 2>/dev/null | openssl x509 "
                                            "-noout -fingerprint -sha256")
                                 .arg(server.port())});
            ASSERT_TRUE(presented.waitForFinished(20000));
            const QString fingerprint = QString::fromLatin1(presented.readAllStandardOutput())
                                            .section(QLatin1Char('='), 1)
                                            .trimmed();
            ASSERT_EQ(fingerprint.size(), 95);
            EXPECT_TRUE(question.contains(QStringLiteral("SHA-256-vingerafdruk:\r\n") +
                                          fingerprint + QStringLiteral("\r\n")))
                << question.toStdString();
        }
        EXPECT_TRUE(question.contains(QLatin1String(c.why))) << question.toStdString();
        EXPECT_TRUE(question.contains(QStringLiteral("\r\nGeldig van "))) << question.toStdString();
        EXPECT_EQ(question.count(QStringLiteral("\r\n")), question.count(QLatin1Char('\n')));
    }
}

// A certificate other than the trusted one is refused and named, unless the
// system's own checks pass it or the user, warned with the old and the new
// fingerprint, trusts it after all ("Nee" is the default).
TEST_F(UploadFixture, AChangedCertificateIsRefusedUnlessTrustedKnowingly) {
    FtpServer tls{QStringLiteral("tls-required")};
    plantYesterday(tls);
    const QString setting = settingName(QStringLiteral("Certificaat 127.0.0.1:%1").arg(tls.port()));
    WriteRegValue(setting,
                  QString(QStringLiteral("sha256//") + QString(43, QLatin1Char('A')) +
                          QStringLiteral("= 00:00")),
                  QStringLiteral("REG_SZ"));
    const std::vector<Prompt> refused = upload(tls.domain(), Answer::No, true);
    EXPECT_TRUE(QString::fromLatin1(csv.read(QStringLiteral("ftp_send.ftp.log")))
                    .contains(QStringLiteral("ftp: het certificaat van de server is veranderd.")));
    ASSERT_EQ(refused.size(), 2u);
    const Prompt& question = refused[0];
    EXPECT_EQ(question.title, QStringLiteral("Certificaat veranderd"));
    EXPECT_EQ(question.buttons, Buttons::YesNoDefaultNo);
    const QString now = QStringLiteral("Vingerafdruk nu:\r\n");
    EXPECT_TRUE(
        question.text.contains(QStringLiteral("Vingerafdruk die u vertrouwde:\r\n00:00\r\n")))
        << question.text.toStdString();
    // The fingerprint the server shows now, read from its certificate.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^([0-9A-F]{2}:){31}[0-9A-F]{2}\r\n"))
                    .match(question.text.mid(question.text.indexOf(now) + now.size()))
                    .hasMatch())
        << question.text.toStdString();
    EXPECT_TRUE(refused[1].text.contains(QStringLiteral(
        "Het certificaat van 127.0.0.1 is veranderd sinds u het vertrouwde (nu SHA-256 ")));
    expectWebsite(tls, true);

    upload(tls.domain(), Answer::Yes, false);
    expectWebsite(tls, false);
    EXPECT_FALSE(ReadRegValue(setting).toString().startsWith(QStringLiteral("sha256//AAAA")))
        << "the new key is the trusted one now";
}

// What a capture of the control connection shows: to a server that offers
// TLS the password goes only inside it, and the host is remembered as one
// that speaks TLS; to one without, in clear (which shows that the recording
// sees it). An attacker on the wire who strips AUTH gets no password from a
// host that spoke TLS before or whose key is trusted, ftp:// or not.
TEST_F(UploadFixture, ThePasswordNeverCrossesInClearToAHostThatSpokeTls) {
    FtpServer tls{QStringLiteral("tls+wire")}, plain{QStringLiteral("normal+wire")};
    const QString tlsHost = QStringLiteral("127.0.0.1:%1").arg(tls.port());
    // A host without TLS: nothing crosses until the user consents, once.
    inClearConsented = false;
    const QString consent =
        settingName(QStringLiteral("Onversleuteld 127.0.0.1:%1").arg(plain.port()));
    const QString byScheme = QStringLiteral("ftp://127.0.0.1:%1").arg(plain.port());
    const struct {
        QString domain;
        Answer answer;
        QString why;
    } answers[] = {
        {byScheme, Answer::No,
         QStringLiteral("De domeinnaam ") + byScheme +
             QStringLiteral(" begint met ftp://, dat versleuteling uitzet")},
        {plain.domain(), Answer::No,
         QStringLiteral("De server ") + plain.domain() +
             QStringLiteral(" biedt geen versleutelde verbinding")},
        {plain.domain(), Answer::Yes, {}},
    };
    for (const auto& [domain, answer, why] : answers) {
        SCOPED_TRACE(domain.toStdString());
        const std::vector<Prompt> asked = upload(domain, answer, answer == Answer::No);
        ASSERT_FALSE(asked.empty());
        EXPECT_EQ(asked[0].title, QStringLiteral("Onversleutelde verbinding"));
        if (!why.isEmpty()) {
            EXPECT_EQ(asked[0].text,
                      why + QStringLiteral(": uw wachtwoord en de bestanden gaan leesbaar over "
                                           "het internet. Toch uploaden?"));
        }
        EXPECT_EQ(asked[0].buttons, Buttons::YesNoDefaultNo);
        const QByteArray wire = plain.home().read(QStringLiteral("wire.log"));
        EXPECT_EQ(wire.contains("USER"), answer == Answer::Yes) << wire.toStdString();
        EXPECT_EQ(ReadRegValue(consent).toString(),
                  answer == Answer::Yes ? QStringLiteral("ja") : QString());
    }
    EXPECT_TRUE(storedLastRun().endsWith(QStringLiteral(", geslaagd, onversleuteld.")))
        << storedLastRun().toStdString();
    // The certificate asked about is read in a handshake that ends there: on
    // "Nee" not even a user name crossed.
    upload(tls.domain(), Answer::No, true);
    EXPECT_FALSE(tls.home().read(QStringLiteral("wire.log")).contains("USER"));
    for (const FtpServer* server : {&tls, &plain}) {
        const bool offered = server == &tls;
        SCOPED_TRACE(offered ? "TLS offered" : "no TLS");
        // The TLS server's certificate is its own: trusted.
        upload(server->domain(), offered ? Answer::Yes : Answer::Ok, false);
        const QByteArray wire = server->home().read(QStringLiteral("wire.log"));
        EXPECT_TRUE(wire.startsWith("AUTH TLS\r\n")) << "TLS is asked for first";
        EXPECT_EQ(wire.contains("geheim"), !offered);
        EXPECT_EQ(ReadRegValue(settingName(QStringLiteral("TLS ") +
                                           QStringLiteral("127.0.0.1:%1").arg(server->port())))
                      .toString(),
                  offered ? QStringLiteral("ja") : QString());
    }
    for (const bool pinned : {false, true}) {
        SCOPED_TRACE(pinned ? "its key trusted, ftp://" : "spoke TLS before");
        FtpServer relay{QStringLiteral("tls+strip")};
        const QString host = QStringLiteral("127.0.0.1:%1").arg(relay.port());
        if (pinned)
            WriteRegValue(settingName(QStringLiteral("Certificaat ") + host),
                          QString(QStringLiteral("sha256//") + QString(43, QLatin1Char('A')) +
                                  QStringLiteral("= 00:00")),
                          QStringLiteral("REG_SZ"));
        else
            trustAs(tlsHost, host, QStringLiteral("TLS "));
        const std::vector<Prompt> asked =
            upload((pinned ? QStringLiteral("ftp://") : QString()) + host, Answer::Ok, true);
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_FALSE(relay.home().read(QStringLiteral("wire.log")).contains("geheim"))
            << "the password crossed in clear";
        if (!pinned) {
            EXPECT_TRUE(asked[0].text.contains(QStringLiteral(
                "De server 127.0.0.1 biedt geen versleutelde verbinding meer, terwijl die er "
                "eerder was")))
                << asked[0].text.toStdString();
        }
    }
}

bool libcurlHasSftp() {
    for (const char* const* p = curl_version_info(CURLVERSION_NOW)->protocols; *p; ++p)
        if (QByteArray(*p) == "sftp")
            return true;
    return false;
}

// The servers hosting companies run, as they run them: every upload that
// puts the set in place is a success, whatever the server answers to what
// the runner asks beyond the script (plain vsftpd answers AUTH before the
// login with 530). A server that requires TLS says so to ftp://.
TEST_F(UploadFixture, EveryHostingServerTakesTheWholeSet) {
    const struct {
        const char* mode;
        bool selfSigned; // its certificate or key is asked about
        bool requiresTls;
    } servers[] = {
        {"normal", false, false},
        {"tls", true, false},
        {"vsftpd", false, false},
        {"vsftpd-tls", true, false},
        {"vsftpd-tls-required", true, true},
        {"pure-ftpd", true, true},
        {"sftp", true, false},
    };
    for (const auto& c : servers) {
        SCOPED_TRACE(c.mode);
        const QString mode = QLatin1String(c.mode);
        const QString why = mode == QLatin1String("sftp") && !libcurlHasSftp()
                                ? QStringLiteral("this build's libcurl has no SSH")
                                : FtpServer::unavailable(mode);
        if (!why.isEmpty()) {
            std::cout << "(" << c.mode << " skipped: " << why.toStdString() << ")\n";
            continue;
        }
        FtpServer server{mode};
        plantYesterday(server);
        const QString host = QStringLiteral("127.0.0.1:%1").arg(server.port());
        if (c.requiresTls) {
            const std::vector<Prompt> refused =
                upload(QStringLiteral("ftp://") + host, Answer::Ok, true);
            ASSERT_EQ(refused.size(), 1u);
            EXPECT_TRUE(refused[0].text.contains(
                QStringLiteral("De server 127.0.0.1 vereist een versleutelde verbinding")))
                << refused[0].text.toStdString();
        }
        const bool sftp = mode == QLatin1String("sftp");
        const bool asked = c.selfSigned;
        const QString domain = sftp ? QStringLiteral("sftp://") + host : host;
        upload(domain, asked ? Answer::Yes : Answer::Ok, false);
        expectWebsite(server, false, true); // vsftpd, like SFTP, stores the CRs as sent
        // Nothing changed since: nothing is sent again, and the run succeeds.
        QList<QDateTime> written;
        for (int i = 0; i < 2; ++i)
            written << QFileInfo(server.website(QLatin1String(kNames[i]))).lastModified();
        upload(domain, Answer::Ok, false);
        const QByteArray kept = csv.read(QStringLiteral("ftp_send.ftp.log"));
        for (int i = 0; i < 2; ++i) {
            EXPECT_TRUE(kept.contains(QByteArray(
                QByteArray("ongewijzigd, niet opnieuw verzonden: ") + kNames[i] + "\r\n")))
                << kept.toStdString();
            EXPECT_EQ(QFileInfo(server.website(QLatin1String(kNames[i]))).lastModified(),
                      written[i])
                << kNames[i];
        }
    }
}

// sftp:// in the domain: the server's key is asked about once, the set is put
// in place as over FTP (this server, as OpenSSH's, renames over no file).
TEST_F(UploadFixture, SftpAsksAboutTheHostKeyOnceAndReplacesTheWholeSet) {
    if (!libcurlHasSftp())
        GTEST_SKIP() << "this build's libcurl has no SSH";
    FtpServer sftp{QStringLiteral("sftp")}, other{QStringLiteral("sftp")};
    const QString domain = QStringLiteral("sftp://127.0.0.1:%1").arg(sftp.port());
    const QString moved = QStringLiteral("sftp://127.0.0.1:%1").arg(other.port());
    const struct {
        QString domain;
        Answer answer;      // to the key question; Ok: none is asked
        const char* reason; // empty: the upload succeeds
    } cases[] = {
        {domain, Answer::No, "De sleutel van 127.0.0.1 is onbekend (ssh-ed25519 SHA256:"},
        {domain, Answer::Yes, ""},
        {domain, Answer::Ok, ""},
        {moved, Answer::No, "De sleutel van 127.0.0.1 is veranderd sinds u die vertrouwde"},
    };
    plantYesterday(sftp);
    plantYesterday(other);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.domain.toStdString() + " " + c.reason);
        if (c.domain == moved)
            trustAs(QStringLiteral("127.0.0.1:%1").arg(sftp.port()),
                    QStringLiteral("127.0.0.1:%1").arg(other.port()));
        const bool fails = *c.reason != 0;
        const std::vector<Prompt> asked = upload(c.domain, c.answer, fails);
        if (c.answer != Answer::Ok) {
            ASSERT_FALSE(asked.empty());
            EXPECT_EQ(asked[0].title, c.domain == moved ? QStringLiteral("Sleutel veranderd")
                                                        : QStringLiteral("Onbekende sleutel"));
        }
        if (fails) {
            EXPECT_TRUE(asked.back().text.contains(QString::fromUtf8(c.reason)))
                << asked.back().text.toStdString();
        }
        // SFTP stores the bytes as sent.
        expectWebsite(c.domain == moved ? other : sftp, fails, true);
    }
}

TEST_F(UploadFixture, StoppenEndsTheRunnerAtOnceAndLeavesTheWebsiteAsItWas) {
    FtpServer stalled(FtpServer::Mode::StallUploads);
    auto w = window(stalled.domain(), QStringLiteral("geheim"), {true, false, false});
    ScriptedUi ui;
    w->cmdOK->click();
    QElapsedTimer waited;
    waited.start();
    // The first file has begun and hangs: the runner would wait its limits out.
    while (!(w->lblVoortgang->text().startsWith(QStringLiteral("zwemmers.csv")) &&
             !stalled.websiteFiles().isEmpty()) &&
           waited.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    ASSERT_TRUE(w->runRunning());
    waited.restart();
    w->cmdOK->click();
    while (w->runRunning() && waited.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    EXPECT_LT(waited.elapsed(), 6000) << "the runner was ended, not waited for";
    EXPECT_FALSE(ui.programEnded());
    EXPECT_TRUE(ui.prompts().empty()) << "a stop is no failure to report";
    EXPECT_EQ(w->Message->toPlainText(),
              QStringLiteral("Gestopt: zwemmers.csv gemaakt en weer verwijderd, tijden.csv gemaakt "
                             "en weer verwijderd; de upload is afgebroken en de website is niet "
                             "veranderd."));
    QDirIterator anywhere(stalled.home().path(), QDir::Files | QDir::Hidden,
                          QDirIterator::Subdirectories);
    EXPECT_FALSE(anywhere.hasNext()) << "the staged file is removed";
    EXPECT_TRUE(tempFiles().isEmpty());
}

TEST_F(UploadFixture, AnEmptyPasswordLogsInToAnAccountWithout) {
    FtpServer server(FtpServer::Mode::Normal, QStringLiteral("club"), QString());
    auto w = window(server.domain(), QString(), {false, false, true});
    ScriptedUi ui;
    pressOk(*w);
    EXPECT_TRUE(ui.programEnded()) << w->Message->toPlainText().toStdString();
    EXPECT_TRUE(QFile::exists(server.website(QStringLiteral("niveaus.csv"))));
}

TEST_F(UploadFixture, TheRunnerGetsTheScriptWithoutAShellAndReadableByItsOwnerOnly) {
    // A stand-in runner that keeps what it was given.
    const QString seen = temp.file(QStringLiteral("seen"));
    qputenv("TAVREL_SEEN", QFile::encodeName(seen));
    const QString runner = QStringLiteral(TAVREL_RECORD_RUNNER);
    csv.write(QStringLiteral("x"), "");
    auto w = window(QStringLiteral("host$(touch pwned)"), QStringLiteral("p'w\"d"),
                    {false, true, false});
    w->phases.upload = makeUploadPhase(runner);
#ifdef Q_OS_WIN
    // Windows allows no quote in a folder name.
    const QString folderWithQuotes =
        csv.file(QStringLiteral("a 'b' & $(c) %TEMP%")) + QDir::separator();
#else
    const QString folderWithQuotes = csv.file(QStringLiteral("a \"b\" $(c)")) + QDir::separator();
#endif
    QDir().mkpath(folderWithQuotes);
    w->checkCSV->setChecked(true);
    w->tbCSV->setText(folderWithQuotes);
    ScriptedUi ui;
    pressOk(*w);
    EXPECT_TRUE(ui.programEnded());
    QByteArray got = temp.read(QStringLiteral("seen"));
    // The staged files' name part is the run's own: twelve hexadecimal digits.
    const QRegularExpressionMatch token =
        QRegularExpression(QStringLiteral("\n-k:[0-9a-f]{12}\n")).match(QString::fromUtf8(got));
    ASSERT_TRUE(token.hasMatch()) << got.toStdString();
    got.remove(token.capturedStart() + 1, 16);
    const QString script = folderWithQuotes + QStringLiteral("ftp_send.ftp");
    QByteArray expected =
        QByteArray("-i\n-p\n-u\n-r:") +
        QDir(logFolder()).filePath(QStringLiteral("verzonden-bestanden.txt")).toUtf8() +
        "\n-s:" + script.toUtf8() + QByteArray("\nowner-only\n");
    expected +=
        "open host$(touch pwned)\r\nclub\r\np'w\"d\r\nhash\r\nascii\r\ncd httpdocs\r\nsend ";
    expected += folderWithQuotes.toUtf8();
    expected += "limieten.csv\r\nclose\r\nbye\r\n\r\n";
    EXPECT_EQ(got, expected);
    EXPECT_FALSE(QFile::exists(QStringLiteral("pwned")));
    EXPECT_FALSE(QFile::exists(script)) << "the script is always removed";
}

// The website changed: a log that cannot be kept is a warning, and the
// previous log stays whole (here a folder stands in its place).
TEST_F(UploadFixture, ALogThatCannotBeKeptAfterASuccessfulUploadIsAWarning) {
    FtpServer server;
    ASSERT_TRUE(QDir(csv.path()).mkdir(kFtpLogName));
    auto w = window(server.domain(), QStringLiteral("geheim"), {false, true, false}, true);
    ScriptedUi ui;
    ui.answer(Answer::Ok);
    pressOk(*w);
    EXPECT_TRUE(ui.programEnded());
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0].icon, Icon::Exclamation);
    EXPECT_TRUE(ui.messages()[0].text.startsWith(
        QStringLiteral("De upload naar ") + server.domain() +
        QStringLiteral(" is geslaagd, maar het logbestand ") + csv.folder() + kFtpLogName +
        QStringLiteral(" kan niet worden bewaard (")))
        << ui.messages()[0].text.toStdString();
    EXPECT_TRUE(storedLastRun().endsWith(QStringLiteral(", geslaagd, onversleuteld.")));
}

// A runner that cannot start or ends abnormally is said as such, with what
// the website may hold by then, in the report and in the next start's line.
TEST_F(UploadFixture, ARunnerThatEndsAbnormallySaysWhatTheWebsiteMayHold) {
    const QString missing = temp.file(QStringLiteral("weg/tavrel-ftp"));
    const struct {
        const char* progress; // what the stand-in said before it died ("|": a line end)
        QString runner;
        QString reason;
    } cases[] = {
        {"voortgang 5 99 zwemmers.csv|", QStringLiteral(TAVREL_RECORD_RUNNER),
         QStringLiteral("Het FTP-programma is onverwacht gestopt; de website is niet veranderd.")},
        {"verzonden 9 9 zwemmers.csv|verzonden 9 9 tijden.csv|vervangen zwemmers.csv|",
         QStringLiteral(TAVREL_RECORD_RUNNER),
         QStringLiteral("Het FTP-programma is onverwacht gestopt; op de website zijn al "
                        "vervangen: zwemmers.csv, andere zijn mogelijk nog oud.")},
        {nullptr, missing,
         QStringLiteral("Het FTP-programma ") + QDir::toNativeSeparators(missing) +
             QStringLiteral(" kan niet worden gestart")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason.toStdString());
        if (c.progress)
            qputenv("TAVREL_RUNNER_CRASH", c.progress);
        auto w =
            window(QStringLiteral("127.0.0.1"), QStringLiteral("geheim"), {true, false, false});
        w->phases.upload = makeUploadPhase(c.runner);
        ScriptedUi ui;
        ui.answer(Answer::Ok);
        pressOk(*w);
        qunsetenv("TAVREL_RUNNER_CRASH");
        EXPECT_FALSE(ui.programEnded());
        ASSERT_EQ(ui.messages().size(), 1u);
        EXPECT_TRUE(ui.messages()[0].text.endsWith(c.reason))
            << ui.messages()[0].text.toStdString();
        QString said = c.reason;
        said.chop(said.endsWith(QLatin1Char('.')));
        EXPECT_TRUE(storedLastRun().contains(said)) << storedLastRun().toStdString();
    }
}

} // namespace
