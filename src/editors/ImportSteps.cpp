#include "ImportSteps.h"

#include "ImportFile.h"
#include "LimitsStore.h"
#include "common/Ui.h"
#include "common/db/Connection.h"

namespace tavrel {

bool refuseChanges(const Connection& connection) {
    const QString why = LimitsStore::unchangeable(connection);
    if (why.isEmpty())
        return false;
    Ui::current().messageBox(why, kProgramTitle, Buttons::Ok, Icon::Exclamation);
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
    QString error;
    ImportFile lines;
    if (!lines.open(file, &error)) {
        ui.messageBox(QStringLiteral("Het bestand ") + file +
                          QStringLiteral(" kan niet worden gelezen (") + error +
                          QStringLiteral(")."),
                      steps.title, Buttons::Ok, Icon::Critical);
        return false;
    }
    ui.setWaitCursor(true);
    ui.yield();
    const ImportResult result = steps.import(connection, lines);
    ui.setWaitCursor(false);
    if (!result.ok)
        ui.messageBox(importFailureText(result), steps.title, Buttons::Ok, Icon::Critical);
    return result.ok;
}

} // namespace tavrel
