#include "ImportSteps.h"

#include "ImportFile.h"
#include "LimitsStore.h"
#include "common/Progress.h"
#include "common/Ui.h"
#include "common/db/Connection.h"

namespace tavrel {

bool refuseChanges(const Connection& connection) {
    const Result<void> changeable = LimitsStore::checkChangeable(connection);
    if (changeable)
        return false;
    Ui::current().messageBox(changeable.why(), kProgramTitle, Buttons::Ok, Icon::Exclamation);
    return true;
}

bool runImport(Connection& connection, const ImportSteps& steps) {
    if (refuseChanges(connection))
        return false;
    Ui& ui = Ui::current();
    if (ui.messageBox(steps.question, steps.title, Buttons::OkCancel, Icon::None) != Answer::Ok)
        return false;
    const QString file =
        ui.openFile(QStringLiteral("Zoek import bestand"), steps.filter, QString());
    if (file.isEmpty())
        return false;
    ImportFile lines;
    if (const Result<void> opened = lines.open(file); !opened) {
        ui.messageBox(QStringLiteral("Het bestand ") + file +
                          QStringLiteral(" kan niet worden gelezen (") + opened.why() +
                          QStringLiteral(")."),
                      steps.title, Buttons::Ok, Icon::Critical);
        return false;
    }
    // A large file takes seconds: the windows stay drawn, with how far it is.
    const QString busy = QStringLiteral("Importeren uit ") + file + QStringLiteral(" ...");
    ProgressClock clock;
    lines.onProgress([&](qint64 read, qint64 size) {
        if (clock.due())
            ui.showBusy(busy, read, size);
    });
    ui.setWaitCursor(true);
    ui.showBusy(busy, 0, 1);
    const Result<int> imported = steps.import(connection, lines);
    ui.endBusy();
    ui.setWaitCursor(false);
    if (!imported)
        ui.messageBox(imported.why(), steps.title, Buttons::Ok, Icon::Critical);
    return imported.ok();
}

} // namespace tavrel
