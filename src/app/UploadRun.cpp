#include "UploadRun.h"

#include "LastRun.h"
#include "OutputFolder.h"
#include "RunLock.h"

#include "common/ErrorReport.h"
#include "common/Files.h"
#include "common/Registry.h"
#include "common/Ui.h"
#include "common/db/Connection.h"
#include "export/ClubLayoutCheck.h"
#include "upload/FtpScript.h"
#include "upload/LogCheck.h"
#include "upload/ScriptRunner.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

namespace tavrel {

namespace {

const QString kRegSz = QStringLiteral("REG_SZ");
constexpr int kUnattendedBusyMs = 5 * 60 * 1000;
const char* const kCsvFiles[] = {"zwemmers.csv", "tijden.csv", "limieten.csv", "niveaus.csv"};

void store(const char* valueName, const QString& value) {
    WriteRegValue(settingName(QLatin1String(valueName)), value, kRegSz);
}

struct DatabaseCheck {
    RunField field;
    QString missing;
    QString unopenable;
};

// Tests that the file exists and opens it; on failure shows the check's
// message, puts the focus on the path, and answers the line the next start
// shows: the check's message, with the reason the error report gave.
Result<void> openDatabase(const QString& path, const DatabaseCheck& check, Connection& connection,
                          RunView& view) {
    if (!FileExist(path)) {
        view.showMessage(check.missing);
        view.focus(check.field);
        return failure(check.missing);
    }
    if (const Result<void> opened = connection.open(path); !opened) {
        ReportError(QStringLiteral("ConnectJetDB"), opened.error());
        view.showMessage(check.unopenable);
        view.focus(check.field);
        return failure(check.unopenable + QStringLiteral(": ") + opened.why());
    }
    return {};
}

// Passes everything on, remembers the last message (the reason a failed run
// gives at the next start), and keeps the run's record up to date while the
// upload puts files in place.
class Recorder final : public RunView {
public:
    Recorder(RunView& view, RunRecord& record)
        : view_(view)
        , record_(record) {}
    void showMessage(const QString& text) override {
        last = text;
        view_.showMessage(text);
    }
    void showProgress(const RunProgress& progress) override { view_.showProgress(progress); }
    void focus(RunField field) override { view_.focus(field); }
    void websiteChanged(const QStringList& replaced) override {
        record_.replaced = replaced;
        keep();
    }

    // Stores the record of a run that goes on: what the next start says
    // should this run never end.
    void keep() { storeLastRun(lastRunLine(record_), traces); }

    // The line of the last message that says why: a refusal in a transcript,
    // or its first line.
    QString reason() const {
        QString text = last;
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        const QStringList lines = text.split(QLatin1Char('\n'));
        const int why = failureLine(text);
        return why >= 0 ? lines[why].trimmed() : lines.value(0).trimmed();
    }

    QString last;
    RunTraces traces;

private:
    RunView& view_;
    RunRecord& record_;
};

// "Gestopt: zwemmers.csv gemaakt en weer verwijderd, tijden.csv niet gemaakt;
// er is niets naar de website verzonden."
QString stoppedMessage(const RunInput& input, const QStringList& planned, const QStringList& made,
                       bool uploadBegan, const QString& arrived) {
    QStringList parts;
    const QString kept =
        input.keepCsv ? QStringLiteral(" gemaakt in ") + QDir::toNativeSeparators(input.csvFolder)
                      : QStringLiteral(" gemaakt en weer verwijderd");
    for (const QString& file : planned)
        parts << file + (made.contains(file) ? kept : QStringLiteral(" niet gemaakt"));
    QString text =
        QStringLiteral("Gestopt: ") + (parts.isEmpty() ? QStringLiteral("geen bestand gemaakt")
                                                       : parts.join(QStringLiteral(", ")));
    if (input.upload) {
        if (!uploadBegan)
            text += QStringLiteral("; er is niets naar de website verzonden.");
        else if (arrived.isEmpty())
            text += QStringLiteral("; de upload is afgebroken en de website is niet veranderd.");
        else
            text += QStringLiteral("; de upload is afgebroken, maar op de website zijn al "
                                   "vervangen: ") +
                    arrived + QLatin1Char('.');
    } else {
        text += QLatin1Char('.');
    }
    return text;
}

} // namespace

void UploadRun::storeSettings(const RunInput& input) {
    if (input.unattended)
        return;
    if (input.upload) {
        store("Database", input.clubDatabase);
        if (!input.version.isEmpty())
            store("Tavrel", input.version);
        store("Limieten Database", input.limitsDatabase);
        store("Domain", input.domain);
        store("FTPfolder", input.ftpFolder);
        store("User", input.user);
        store("Password", input.password);
    }
    if (input.keepCsv)
        store("CSVdir", withSeparator(input.csvFolder));
}

UploadRun::Outcome UploadRun::execute(const RunInput& input, RunView& shown,
                                      const std::atomic<bool>* stop) {
    RunRecord record;
    record.when = QDateTime::currentDateTime();
    record.upload = input.upload;
    record.domain = input.domain;
    record.ftpFolder = input.ftpFolder;
    record.keepCsv = input.keepCsv;
    record.csvFolder = input.csvFolder;
    record.result = RunRecord::Result::Interrupted;
    Recorder view(shown, record);
    QString failure; // the reason for the record, where the message area has no single line
    bool uploadBegan = false;
    RunTraces abandoned; // of the last run that never ended
    // Every run that began leaves its line for the next start, and the name
    // of what the last upload may have left on the server: the next run
    // clears it at once.
    auto ended = [&](Outcome outcome) {
        record.result = outcome == Outcome::Finished  ? RunRecord::Result::Succeeded
                        : outcome == Outcome::Stopped ? RunRecord::Result::Stopped
                                                      : RunRecord::Result::Failed;
        if (record.result == RunRecord::Result::Failed)
            record.reason = failure.isEmpty() ? view.reason() : failure;
        storeLastRun(lastRunLine(record),
                     {QString(), uploadBegan ? view.traces.token : abandoned.token});
        return outcome;
    };

    // Files made only to be deleted again are no run.
    if (!input.upload && !input.keepCsv) {
        view.showMessage(QStringLiteral(
            "Er is niets te doen: kies \"Upload naar webdomein\" of \"Bewaar CSV bestanden in\". "
            "Zonder een van beide zou het programma de bestanden maken en meteen weer "
            "verwijderen."));
        return Outcome::EndedEarly;
    }
    // One run at a time: a second one changes nothing, not even the record.
    RunLock lock;
    if (const Result<void> taken = lock.take(); !taken) {
        view.showMessage(taken.why());
        return Outcome::AnotherRun;
    }
    abandoned = lock.removeLeftovers();
    view.traces.token = stagingToken();
    if (!input.settingsProblem.isEmpty()) {
        view.showMessage(input.settingsProblem);
        return ended(Outcome::EndedEarly);
    }

    storeSettings(input);
    OutputFolder output;
    if (const Result<void> chosen = output.choose(input); !chosen) {
        view.showMessage(chosen.why());
        if (input.keepCsv)
            view.focus(RunField::CsvFolder);
        return ended(Outcome::EndedEarly);
    }
    if (input.upload && input.keepCsv)
        view.traces.script = output.prefix() + kFtpScriptName;
    view.keep();
    const QString& folder = output.prefix();
    Ui& ui = Ui::current();
    bool phaseRan = false;
    bool failed = false;
    auto stopped = [&] { return stop && stop->load(std::memory_order_relaxed); };

    QStringList planned, made;
    QString arrived;

    // Checks what the phases of one database read before any of them writes,
    // so a damaged table leaves no file of that database behind.
    auto checkPhases = [&](std::initializer_list<Phase*> phases, Connection* connection) {
        for (Phase* phase : phases) {
            if (failed || !phase)
                continue;
            PhaseContext context{input, folder, connection, view, stop};
            const Result<void> fit = phase->check(context);
            failed = !fit || stopped();
            if (failed && !stopped())
                view.showMessage(fit.why());
        }
    };

    // Runs one phase; the first failure stops the phases that follow.
    auto runPhase = [&](const std::unique_ptr<Phase>& phase, Connection* connection,
                        const char* file) {
        if (file)
            planned << QLatin1String(file);
        if (failed || !phase)
            return;
        phaseRan = true;
        PhaseContext context{input, folder, connection, view, stop};
        context.stagingToken = view.traces.token;
        context.abandonedToken = abandoned.token;
        uploadBegan = !file;
        if (uploadBegan) {
            record.sending = true;
            view.keep();
        }
        failed = !phase->run(context) || stopped();
        if (!failed && file)
            made << QLatin1String(file);
        if (!file) {
            arrived = context.stopNote;
            record.inClear = context.inClear;
        }
        failure = context.failure;
    };

    // A database that cannot be opened: the record gets the reason the
    // error report gave.
    auto opened = [&](const QString& path, const DatabaseCheck& check, Connection& connection) {
        // A run nobody watches waits for a database another program holds
        // (the editors' year shift, say), and says so once.
        if (input.unattended)
            connection.setBusyPatience(kUnattendedBusyMs, [&view, path] {
                view.showMessage(QStringLiteral("De database ") + QDir::toNativeSeparators(path) +
                                 QStringLiteral(" is in gebruik door een ander programma; de "
                                                "upload wacht tot die vrij is, hoogstens 5 "
                                                "minuten."));
            });
        const Result<void> open = openDatabase(path, check, connection, view);
        if (!open)
            failure = open.why();
        return open.ok();
    };

    if (input.dataSets[0]) {
        if (input.version.isEmpty()) {
            view.showMessage(QStringLiteral(
                "Kies eerst de versie van de Tavrel database: Tavrel 2006 of Tavrel 2009"));
            view.focus(RunField::Version);
            return ended(Outcome::EndedEarly);
        }
        Connection club;
        if (!opened(input.clubDatabase,
                    {RunField::ClubDatabase, QStringLiteral("Database file niet gevonden"),
                     QStringLiteral("Openen Tavrel database mislukt")},
                    club))
            return ended(Outcome::EndedEarly);
        // A file of the other layout is named as such before anything is written.
        const ClubLayoutFinding found = findClubLayout(club);
        if (const Result<void> layout = checkClubLayout(found, input.version); !layout) {
            view.showMessage(layout.why());
            view.focus(found.missing.isEmpty() ? RunField::Version : RunField::ClubDatabase);
            return ended(Outcome::EndedEarly);
        }
        club.setStop(stop);
        checkPhases({phases_.swimmers.get(), phases_.times.get()}, &club);
        runPhase(phases_.swimmers, &club, kCsvFiles[0]);
        runPhase(phases_.times, &club, kCsvFiles[1]);
    }

    Connection limits;
    if (!failed && (input.dataSets[1] || input.dataSets[2]) &&
        !opened(input.limitsDatabase,
                {RunField::LimitsDatabase,
                 QStringLiteral("Limieten en niveaus database file niet gevonden"),
                 QStringLiteral("Openen Limieten en niveaus database mislukt")},
                limits))
        return ended(Outcome::EndedEarly);
    limits.setStop(stop);

    ui.setWaitCursor(true);
    ui.yield();

    checkPhases({input.dataSets[1] ? phases_.limits.get() : nullptr,
                 input.dataSets[2] ? phases_.levels.get() : nullptr},
                &limits);
    if (input.dataSets[1])
        runPhase(phases_.limits, &limits, kCsvFiles[2]);
    if (input.dataSets[2])
        runPhase(phases_.levels, &limits, kCsvFiles[3]);
    limits.close();
    if (input.upload)
        runPhase(phases_.upload, nullptr, nullptr);

    if (phaseRan)
        cleanUp(input, folder);
    output.finish();
    ui.setWaitCursor(false);

    if (stopped()) {
        view.showMessage(stoppedMessage(input, planned, made, uploadBegan, arrived));
        return ended(Outcome::Stopped);
    }
    record.files = made;
    return ended(failed ? Outcome::Failed : Outcome::Finished);
}

void UploadRun::cleanUp(const RunInput& input, const QString& folder) {
    if (!input.keepCsv)
        for (const char* name : kCsvFiles)
            QFile::remove(folder + QLatin1String(name));
    // The script holds the password: it never stays behind.
    QFile::remove(folder + kFtpScriptName);
}

} // namespace tavrel
