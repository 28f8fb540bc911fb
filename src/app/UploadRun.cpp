#include "UploadRun.h"

#include "LastRun.h"
#include "OutputFolder.h"

#include "common/Files.h"
#include "common/Registry.h"
#include "common/Ui.h"
#include "common/db/Connection.h"
#include "export/ClubLayoutCheck.h"
#include "upload/FtpScript.h"
#include "upload/LogCheck.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

namespace tavrel {

namespace {

const QString kRegSz = QStringLiteral("REG_SZ");
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
// message and puts the focus on the path.
bool openDatabase(const QString& path, const DatabaseCheck& check, Connection& connection,
                  RunView& view) {
    if (!FileExist(path)) {
        view.showMessage(check.missing);
        view.focus(check.field);
        return false;
    }
    if (!ConnectJetDB(path, connection)) {
        view.showMessage(check.unopenable);
        view.focus(check.field);
        return false;
    }
    return true;
}

// Passes everything on and remembers the last message: the reason a failed
// run gives at the next start.
class Recorder final : public RunView {
public:
    explicit Recorder(RunView& view)
        : view_(view) {}
    void showMessage(const QString& text) override {
        last = text;
        view_.showMessage(text);
    }
    void showProgress(const RunProgress& progress) override { view_.showProgress(progress); }
    void focus(RunField field) override { view_.focus(field); }

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

private:
    RunView& view_;
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
    if (!input.remember)
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
    Recorder view(shown);
    RunRecord record;
    record.when = QDateTime::currentDateTime();
    record.upload = input.upload;
    record.domain = input.domain;
    record.ftpFolder = input.ftpFolder;
    record.keepCsv = input.keepCsv;
    record.csvFolder = input.csvFolder;
    // Every run that began leaves its line for the next start.
    auto ended = [&](Outcome outcome) {
        record.result = outcome == Outcome::Finished  ? RunRecord::Result::Succeeded
                        : outcome == Outcome::Stopped ? RunRecord::Result::Stopped
                                                      : RunRecord::Result::Failed;
        if (record.result == RunRecord::Result::Failed)
            record.reason = view.reason();
        storeLastRun(lastRunLine(record));
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

    storeSettings(input);
    OutputFolder output;
    if (const Result<void> chosen = output.choose(input); !chosen) {
        view.showMessage(chosen.why());
        if (input.keepCsv)
            view.focus(RunField::CsvFolder);
        return ended(Outcome::EndedEarly);
    }
    const QString& folder = output.prefix();
    Ui& ui = Ui::current();
    bool phaseRan = false;
    bool failed = false;
    auto stopped = [&] { return stop && stop->load(std::memory_order_relaxed); };

    QStringList planned, made;
    bool uploadBegan = false;
    QString arrived, failure;

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
        uploadBegan = !file;
        failed = !phase->run(context) || stopped();
        if (!failed && file)
            made << QLatin1String(file);
        if (!file)
            arrived = context.stopNote;
        failure = context.failure;
    };

    if (input.dataSets[0]) {
        if (input.version.isEmpty()) {
            view.showMessage(QStringLiteral(
                "Kies eerst de versie van de Tavrel database: Tavrel 2006 of Tavrel 2009"));
            view.focus(RunField::Version);
            return ended(Outcome::EndedEarly);
        }
        Connection club;
        if (!openDatabase(input.clubDatabase,
                          {RunField::ClubDatabase, QStringLiteral("Database file niet gevonden"),
                           QStringLiteral("Openen Tavrel database mislukt")},
                          club, view))
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
        !openDatabase(input.limitsDatabase,
                      {RunField::LimitsDatabase,
                       QStringLiteral("Limieten en niveaus database file niet gevonden"),
                       QStringLiteral("Openen Limieten en niveaus database mislukt")},
                      limits, view))
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
    if (!failure.isEmpty())
        view.last = failure;
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
