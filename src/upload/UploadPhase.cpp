#include "UploadPhase.h"

#include "FtpScript.h"
#include "LogCheck.h"
#include "common/ErrorReport.h"
#include "common/OwnerOnly.h"
#include "common/Windows1252.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace tavrel {

namespace {

const QString kPlace = QStringLiteral("UploadTavrel");
const QString kSource = QStringLiteral("UploadTavrel.Main.cmdOK_Click");

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
            return fail({ErrorNumber::InvalidArgument, kPlace,
                         QStringLiteral("Het FTP-script kan niet worden geschreven: een map, de "
                                        "domeinnaam of het account bevat tekens die het script "
                                        "niet kan bevatten")});
        QString error;
        if (!writeOwnerOnlyFile(script, scriptBytes, &error))
            return fileFailed(QStringLiteral("Het FTP-script "), script,
                              QStringLiteral(" kan niet worden geschreven"), error);
        // The log is opened here, never through a link, and the runner's
        // output is copied into it.
        QFile file;
        if (!openOwnerOnly(file, log, &error))
            return fileFailed(QStringLiteral("Het logbestand "), log,
                              QStringLiteral(" kan niet worden gemaakt"), error);

        // Started directly, without a command interpreter: no folder name can
        // become a command.
        QProcess client;
        client.setStandardErrorFile(QProcess::nullDevice());
        client.start(runner_, {QStringLiteral("-i"), QStringLiteral("-s:") + script});
        if (!client.waitForStarted(-1))
            return fail({ErrorNumber::FileNotFound, kPlace,
                         QStringLiteral("Het FTP-programma ") + QDir::toNativeSeparators(runner_) +
                             QStringLiteral(" kan niet worden gestart")});
        QByteArray transcript;
        while (client.waitForReadyRead(-1))
            transcript += client.readAllStandardOutput();
        client.waitForFinished(-1);
        transcript += client.readAllStandardOutput();
        const bool commandsOk =
            client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0;
        if (file.write(transcript) != transcript.size() || !file.flush())
            return fileFailed(QStringLiteral("Het logbestand "), log,
                              QStringLiteral(" kan niet worden geschreven"));
        file.close();

        const QString text = fromWindows1252(transcript);
        if (text.isEmpty())
            return fileFailed(QStringLiteral("Het logbestand "), log, QStringLiteral(" is leeg"));

        if (logShowsRefusal(text)) {
            context.message.showMessage(maskPassword(text, in.password));
            return fail(
                {ErrorNumber::UploadFailed, kSource,
                 QStringLiteral("FTP verbinding naar ") + in.domain + QStringLiteral(" mislukt")});
        }
        if (!commandsOk) {
            // A folder that is not there or a file the server refused.
            context.message.showMessage(maskPassword(text, in.password));
            return fail(
                {ErrorNumber::UploadFailed, kSource,
                 QStringLiteral("FTP upload naar ") + in.domain + QStringLiteral(" mislukt")});
        }
        return true;
    }

private:
    static bool fail(const ErrorInfo& error) {
        ReportError(kPlace, error);
        return false;
    }
    // "Het logbestand PATH kan niet worden gemaakt (reason)".
    static bool fileFailed(const QString& what, const QString& path, const QString& problem,
                           const QString& reason = QString()) {
        return fail({ErrorNumber::PathAccess, kPlace,
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
