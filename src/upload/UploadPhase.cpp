#include "UploadPhase.h"

#include "FtpAddress.h"
#include "FtpScript.h"
#include "LogCheck.h"
#include "RunnerProcess.h"
#include "SendProgress.h"
#include "TrustQuestion.h"
#include "common/ErrorReport.h"
#include "common/Files.h"
#include "common/OwnerOnly.h"
#include "common/Progress.h"
#include "common/Registry.h"
#include "common/Ui.h"
#include "common/Windows1252.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace tavrel {

namespace {

const QString kPlace = QStringLiteral("UploadTavrel");
const QString kSource = QStringLiteral("UploadTavrel.Main.cmdOK_Click");
const QString kSentRecordName = QStringLiteral("verzonden-bestanden.txt");

class UploadPhase final : public Phase {
public:
    explicit UploadPhase(QString runner)
        : runner_(std::move(runner)) {}

    bool run(PhaseContext& context) override {
        const RunInput& in = context.input;
        context.message.showMessage(QStringLiteral("Upload naar website ..."));

        const QString script = context.outputFolder + kFtpScriptName;
        const QString log = context.outputFolder + kFtpLogName;
        const QString scriptText = ftpScriptText(in, context.outputFolder);
        const QByteArray scriptBytes = toWindows1252(scriptText);
        // A name the code page cannot hold would reach the runner as "?".
        if (fromWindows1252(scriptBytes) != scriptText)
            return fail(context,
                        {ErrorNumber::InvalidArgument, kPlace,
                         QStringLiteral("Het FTP-script kan niet worden geschreven: een map, de "
                                        "domeinnaam of het account bevat tekens die het script "
                                        "niet kan bevatten")});
        if (const Result<void> written = writeOwnerOnlyFile(script, scriptBytes); !written)
            return fileFailed(context, QStringLiteral("Het FTP-script "), script,
                              QStringLiteral(" kan niet worden geschreven"), written.why());

        const QString trustKey = QStringLiteral("Certificaat ") + hostOf(in.domain);
        // A host that spoke TLS keeps it: the settings remember that.
        const QString tlsKey = QStringLiteral("TLS ") + hostOf(in.domain);
        const bool spokeTls = !ReadRegValue(settingName(tlsKey)).toString().isEmpty();
        // Plain FTP only with the user's consent, once per host; a host that
        // spoke TLS is refused, never asked.
        const QString clearKey = QStringLiteral("Onversleuteld ") + hostOf(in.domain);
        bool inClear = ReadRegValue(settingName(clearKey)).toString() == QLatin1String("ja");
        Client client = runClient(context, script, trustedKey(trustKey), spokeTls, inClear);
        // A certificate that does not verify: the user may trust it, once,
        // and the upload goes again.
        const auto shown = client.sending.certificate();
        const auto seen =
            shown ? identify(*shown, hostName(in.domain), QDateTime::currentDateTimeUtc())
                  : std::nullopt;
        if (client.started && !client.stopped && !client.ok && seen &&
            (shown->changed ? askToTrustChanged(
                                  in.domain, trusted(trustKey).section(QLatin1Char(' '), 1), *seen)
                            : askToTrust(in.domain, *seen))) {
            WriteRegValue(
                settingName(trustKey),
                QString(QString::fromLatin1(seen->pin) + QLatin1Char(' ') + seen->fingerprint),
                QStringLiteral("REG_SZ"));
            client = runClient(context, script, seen->pin, spokeTls, inClear);
        }
        const SendProgress::InClear asked = client.sending.inClearRefused();
        if (client.started && !client.stopped && !client.ok && asked != SendProgress::InClear::No &&
            !in.unattended && askToSendInClear(in.domain, asked == SendProgress::InClear::Scheme)) {
            WriteRegValue(settingName(clearKey), QStringLiteral("ja"), QStringLiteral("REG_SZ"));
            inClear = true;
            client = runClient(context, script, trustedKey(trustKey), spokeTls, inClear);
        }
        if (client.sending.encrypted() && !spokeTls)
            WriteRegValue(settingName(tlsKey), QStringLiteral("ja"), QStringLiteral("REG_SZ"));
        if (!client.started)
            return fail(context,
                        {ErrorNumber::FileNotFound, kPlace,
                         QStringLiteral("Het FTP-programma ") + QDir::toNativeSeparators(runner_) +
                             QStringLiteral(" kan niet worden gestart")});
        const QByteArray& transcript = client.transcript;
        const SendProgress& sending = client.sending;
        // The log is put in place whole, never through a link, and never an
        // empty one over the last run's; a server that echoed the password
        // does not keep it there either.
        const Result<void> kept = replaceOwnerOnlyFile(
            log, toWindows1252(maskPassword(fromWindows1252(transcript), in.password)));
        if (client.stopped) {
            context.stopNote = sending.replaced().join(QStringLiteral(", "));
            return false;
        }
        const QString text = fromWindows1252(transcript);
        if (text.isEmpty() && !client.crashed)
            return fileFailed(context, QStringLiteral("Het logbestand "), log,
                              QStringLiteral(" is leeg"));
        if (!client.crashed && !logShowsRefusal(text) && client.ok) {
            // The website changed: a log that cannot be kept is said, no failure.
            if (!kept)
                Ui::current().messageBox(QStringLiteral("De upload naar ") + in.domain +
                                             QStringLiteral(" is geslaagd, maar het logbestand ") +
                                             QDir::toNativeSeparators(log) +
                                             QStringLiteral(" kan niet worden bewaard (") +
                                             kept.why() + QStringLiteral(")."),
                                         kProgramTitle, Buttons::Ok, Icon::Exclamation);
            context.inClear = !sending.encrypted() && !overSsh(in.domain);
            return true;
        }
        // A refused connection or login, or else a folder that is not there,
        // a file that did not arrive whole or one the server refused, or a
        // runner that ended abnormally.
        const bool refused = !client.crashed && logShowsRefusal(text);
        const QString what = (refused ? QStringLiteral("FTP verbinding naar ")
                                      : QStringLiteral("FTP upload naar ")) +
                             in.domain + QStringLiteral(" mislukt");
        const QString reason = client.crashed
                                   ? crashReason(sending)
                                   : shownText(failureReason(sending, text), in.password) +
                                         (in.unattended && asked != SendProgress::InClear::No
                                              ? QStringLiteral(" Geef die één keer: upload vanuit "
                                                               "het venster en antwoord Ja.")
                                              : QString());
        context.failure =
            what + (reason.isEmpty()
                        ? QString()
                        : QStringLiteral(" (") +
                              QStringView(reason).chopped(reason.endsWith(QLatin1Char('.'))) +
                              QLatin1Char(')'));
        context.message.showMessage(shownText(condensedTranscript(text), in.password));
        ReportError(kPlace,
                    {ErrorNumber::UploadFailed, kSource,
                     what + (reason.isEmpty() ? QString() : QStringLiteral("\r\n") + reason)});
        return false;
    }

private:
    // How long a stopped runner may take to remove what it staged.
    static constexpr int kStopSeconds = 15;

    struct Client {
        bool started = false;
        bool stopped = false;
        bool ok = false;      // every command of the script succeeded
        bool crashed = false; // it ended other than with its own status
        QByteArray transcript;
        SendProgress sending;
    };

    // Runs the script, showing its transcript and progress as they come.
    // Started directly, without a command interpreter: no folder name can
    // become a command. The runner's progress comes on its error channel,
    // apart from the transcript the log check reads.
    Client runClient(PhaseContext& context, const QString& script, const QByteArray& key,
                     bool spokeTls, bool inClear) {
        Client c{false, false, false, false, {}, SendProgress(filesOf(context))};
        QStringList arguments{QStringLiteral("-i"), QStringLiteral("-p")};
        if (spokeTls)
            arguments << QStringLiteral("-e");
        if (inClear)
            arguments << QStringLiteral("-u");
        if (!key.isEmpty())
            arguments << QStringLiteral("-t:") + QString::fromLatin1(key);
        if (!context.stagingToken.isEmpty())
            arguments << QStringLiteral("-k:") + context.stagingToken;
        if (!context.abandonedToken.isEmpty())
            arguments << QStringLiteral("-o:") + context.abandonedToken;
        // What went before, so that an unchanged file is not sent again.
        arguments << QStringLiteral("-r:") + QDir(logFolder()).filePath(kSentRecordName);
        QProcess client;
        prepareRunner(client);
        client.start(runner_, arguments << QStringLiteral("-s:") + script);
        if (!client.waitForStarted(-1))
            return c;
        tieRunnerToProgram(client);
        c.started = true;
        ProgressClock clock;
        qsizetype replaced = 0;
        for (bool ended = false; !ended;) {
            ended = client.waitForFinished(50) || client.state() == QProcess::NotRunning;
            c.transcript += client.readAllStandardOutput();
            c.sending.take(client.readAllStandardError());
            if (c.sending.replaced().size() > replaced) {
                replaced = c.sending.replaced().size();
                context.message.websiteChanged(c.sending.replaced());
            }
            if (!ended && context.stopRequested()) {
                // The runner removes what it staged; one that does not end
                // soon is ended, and its staged files stay where the website
                // does not read them.
                client.write("stop\n");
                client.waitForFinished(kStopSeconds * 1000);
                if (client.state() != QProcess::NotRunning) {
                    client.kill();
                    client.waitForFinished(5000);
                }
                c.transcript += client.readAllStandardOutput();
                c.sending.take(client.readAllStandardError());
                c.stopped = true;
                return c;
            }
            if (ended || clock.due())
                showLive(context, c.transcript, c.sending);
        }
        // The runner answers 0 or 1; anything else (a crash, a kill, 2 for
        // arguments it does not know) is no verdict on the upload.
        c.crashed = client.exitStatus() != QProcess::NormalExit ||
                    (client.exitCode() != 0 && client.exitCode() != 1);
        c.ok = !c.crashed && client.exitCode() == 0;
        return c;
    }

    // The host a certificate is trusted for: the domain without its scheme,
    // its port after a colon ("ftps://ftp.club.nl/" and "ftp.club.nl" are one).
    static QString hostOf(const QString& domain) {
        QString host = domain.trimmed();
        for (const QLatin1String scheme :
             {QLatin1String("ftps://"), QLatin1String("ftp://"), QLatin1String("sftp://")})
            if (host.startsWith(scheme, Qt::CaseInsensitive))
                host = host.mid(scheme.size());
        if (host.endsWith(QLatin1Char('/')))
            host.chop(1);
        return host.simplified().replace(QLatin1Char(' '), QLatin1Char(':'));
    }

    // The host name alone, as a certificate names it.
    static QString hostName(const QString& domain) {
        const QString words = domain.simplified();
        const Result<FtpAddress> address = readAddress(words.section(QLatin1Char(' '), 0, 0),
                                                       words.section(QLatin1Char(' '), 1, 1));
        return address ? address->host : hostOf(domain).section(QLatin1Char(':'), 0, 0);
    }

    // sftp://: encrypted by SSH, whatever the TLS records say.
    static bool overSsh(const QString& domain) {
        return domain.trimmed().startsWith(QLatin1String("sftp://"), Qt::CaseInsensitive);
    }

    // What the user trusted for this host: "PIN FINGERPRINT"; empty if nothing.
    static QString trusted(const QString& name) {
        return ReadRegValue(settingName(name)).toString();
    }
    // The key the user trusted for this host, "sha256//..."; empty if none.
    static QByteArray trustedKey(const QString& name) {
        return trusted(name).section(QLatin1Char(' '), 0, 0).toLatin1();
    }

    // The runner's own words for the failure, or else the transcript's line
    // that shows it.
    static QString failureReason(const SendProgress& sending, const QString& transcript) {
        QString reason = sending.reason();
        if (reason.isEmpty()) {
            const int why = failureLine(transcript);
            if (why >= 0)
                reason = transcript.split(QLatin1Char('\n')).value(why).trimmed();
        }
        return reason;
    }
    static QList<SendProgress::File> filesOf(const PhaseContext& context) {
        QList<SendProgress::File> files;
        for (const QString& name : sentFiles(context.input))
            files.append({name, QFileInfo(context.outputFolder + name).size()});
        return files;
    }
    // The transcript so far below the phase's first line, and how far the
    // file that goes is.
    static void showLive(PhaseContext& context, const QByteArray& transcript,
                         const SendProgress& sending) {
        const QString text = condensedTranscript(fromWindows1252(transcript));
        context.message.showMessage(
            QStringLiteral("Upload naar website ...") +
            (text.isEmpty() ? QString()
                            : QStringLiteral("\r\n") + shownText(text, context.input.password)));
        if (sending.started())
            context.message.showProgress(sending.progress());
    }
    // What may be on the website after the runner ended abnormally: the
    // set is renamed only once every file arrived whole.
    static QString crashReason(const SendProgress& sending) {
        const QString said = QStringLiteral("Het FTP-programma is onverwacht gestopt");
        if (!sending.replaced().isEmpty())
            return said + QStringLiteral("; op de website zijn al vervangen: ") +
                   sending.replaced().join(QStringLiteral(", ")) +
                   QStringLiteral(", andere zijn mogelijk nog oud.");
        return said + (sending.allArrived()
                           ? QStringLiteral("; de website is mogelijk al deels veranderd.")
                           : QStringLiteral("; de website is niet veranderd."));
    }
    // The error report, and its description as the reason the next start shows.
    static bool fail(PhaseContext& context, const ErrorInfo& error) {
        context.failure = error.Description;
        ReportError(kPlace, error);
        return false;
    }
    // "Het FTP-script PATH kan niet worden geschreven (reason)".
    static bool fileFailed(PhaseContext& context, const QString& what, const QString& path,
                           const QString& problem, const QString& reason = QString()) {
        return fail(context,
                    {ErrorNumber::PathAccess, kPlace,
                     what + QDir::toNativeSeparators(path) + problem +
                         (reason.isEmpty() ? QString()
                                           : QStringLiteral(" (") + reason + QLatin1Char(')'))});
    }

    QString runner_;
};

} // namespace

QString defaultRunnerProgram() {
    // Beside the program in the build folder and the Windows folder;
    // installed, in its own folder next to the program's.
    const QString here = QCoreApplication::applicationDirPath();
    const QString found = QStandardPaths::findExecutable(
        QStringLiteral("tavrel-ftp"),
        {here, QDir::cleanPath(here + QStringLiteral("/" TAVREL_RUNNER_FROM_PROGRAM))});
    return found.isEmpty() ? here + QStringLiteral("/tavrel-ftp") : found;
}

std::unique_ptr<Phase> makeUploadPhase(const QString& runnerProgram) {
    return std::make_unique<UploadPhase>(runnerProgram.isEmpty() ? defaultRunnerProgram()
                                                                 : runnerProgram);
}

} // namespace tavrel
