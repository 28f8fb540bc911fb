#include "UploadRun.h"

#include "OutputFolder.h"

#include "common/Files.h"
#include "common/Registry.h"
#include "common/Ui.h"
#include "common/db/Connection.h"
#include "upload/FtpScript.h"

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

} // namespace

void UploadRun::storeSettings(const RunInput& input) {
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

UploadRun::Outcome UploadRun::execute(const RunInput& input, RunView& view) {
    storeSettings(input);
    OutputFolder output;
    QString problem;
    if (!output.choose(input, &problem)) {
        view.showMessage(problem);
        if (input.keepCsv)
            view.focus(RunField::CsvFolder);
        return Outcome::EndedEarly;
    }
    const QString& folder = output.prefix();
    Ui& ui = Ui::current();
    bool phaseRan = false;
    bool failed = false;

    // Checks what the phases of one database read before any of them writes,
    // so a damaged table leaves no file of that database behind.
    auto checkPhases = [&](std::initializer_list<Phase*> phases, Connection* connection) {
        for (Phase* phase : phases) {
            if (failed || !phase)
                continue;
            PhaseContext context{input, folder, connection, view};
            if (const QString why = phase->check(context); !why.isEmpty()) {
                view.showMessage(why);
                failed = true;
            }
        }
    };

    // Runs one phase; the first failure stops the phases that follow.
    auto runPhase = [&](const std::unique_ptr<Phase>& phase, Connection* connection) {
        if (failed || !phase)
            return;
        phaseRan = true;
        PhaseContext context{input, folder, connection, view};
        failed = !phase->run(context);
    };

    if (input.dataSets[0]) {
        if (input.version.isEmpty()) {
            view.showMessage(QStringLiteral(
                "Kies eerst de versie van de Tavrel database: Tavrel 2006 of Tavrel 2009"));
            view.focus(RunField::Version);
            return Outcome::EndedEarly;
        }
        Connection club;
        if (!openDatabase(input.clubDatabase,
                          {RunField::ClubDatabase, QStringLiteral("Database file niet gevonden"),
                           QStringLiteral("Openen Tavrel database mislukt")},
                          club, view))
            return Outcome::EndedEarly;
        checkPhases({phases_.swimmers.get(), phases_.times.get()}, &club);
        runPhase(phases_.swimmers, &club);
        runPhase(phases_.times, &club);
    }

    Connection limits;
    if (!failed && (input.dataSets[1] || input.dataSets[2]) &&
        !openDatabase(input.limitsDatabase,
                      {RunField::LimitsDatabase,
                       QStringLiteral("Limieten en niveaus database file niet gevonden"),
                       QStringLiteral("Openen Limieten en niveaus database mislukt")},
                      limits, view))
        return Outcome::EndedEarly;

    ui.setWaitCursor(true);
    ui.yield();

    checkPhases({input.dataSets[1] ? phases_.limits.get() : nullptr,
                 input.dataSets[2] ? phases_.levels.get() : nullptr},
                &limits);
    if (input.dataSets[1])
        runPhase(phases_.limits, &limits);
    if (input.dataSets[2])
        runPhase(phases_.levels, &limits);
    limits.close();
    if (input.upload)
        runPhase(phases_.upload, nullptr);

    if (phaseRan)
        cleanUp(input, folder);
    output.finish();

    if (failed) {
        ui.setWaitCursor(false);
        return Outcome::Failed;
    }
    ui.endProgram();
    return Outcome::Finished;
}

void UploadRun::cleanUp(const RunInput& input, const QString& folder) {
    if (!input.keepCsv)
        for (const char* name : kCsvFiles)
            QFile::remove(folder + QLatin1String(name));
    // The script holds the password: it never stays behind.
    QFile::remove(folder + kFtpScriptName);
}

} // namespace tavrel
