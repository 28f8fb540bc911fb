#include "ExportPhase.h"

#include "CsvFile.h"
#include "common/Progress.h"
#include "common/Ui.h"
#include "common/db/Cursor.h"

#include <utility>

namespace tavrel {

QString ExportPhase::check(PhaseContext& context) {
    // A Jet file's tables are read (copied) here, whole or refused, so that
    // a damaged one stops the run before any file of it is written.
    ErrorInfo copied;
    if (!context.connection->handleFor(query(context.input), &copied))
        return label() + QStringLiteral(": ") + copied.Description;
    const QString why = checkReadTables(*context.connection, reads(context.input));
    checked_ = why.isEmpty();
    return why.isEmpty() ? QString() : label() + QStringLiteral(": ") + why;
}

bool ExportPhase::run(PhaseContext& context) {
    // A damaged or hostile table gives no file at all, never a short one.
    const bool checked = std::exchange(checked_, false);
    if (!checked) {
        if (const QString why = check(context); !why.isEmpty()) {
            if (!context.stopRequested())
                context.message.showMessage(why);
            return false;
        }
        checked_ = false;
    }
    Cursor records = OpenCursor(query(context.input), *context.connection);
    if (context.stopRequested())
        return false;
    if (!records.isOpen()) {
        // OpenCursor has shown the database's own report.
        context.message.showMessage(label() +
                                    QStringLiteral(": de gegevens konden niet worden gelezen"));
        return false;
    }
    // A table without a column the file needs is no file: nothing is written.
    if (const QString missing = prepare(records, context.input); !missing.isEmpty()) {
        context.message.showMessage(label() + QStringLiteral(": ") + missing);
        return false;
    }
    CsvFile file(context.outputFolder + fileName());
    QString error;
    if (!file.open(&error)) {
        context.message.showMessage(error);
        return false;
    }
    const qint64 total = records.RecordCount();
    context.message.showMessage(label() + QStringLiteral(": ") + QString::number(total) +
                                QStringLiteral(" records ..."));
    Ui::current().yield();

    // Progress and a stop are looked at every few thousand records: their
    // cost stays far below a record's.
    ProgressClock clock;
    qint64 done = 0;
    for (; !records.atEnd(); records.MoveNext()) {
        std::string& out = file.pending();
        const size_t start = out.size();
        if (line(records, out))
            file.endLine();
        else
            out.resize(start);
        if ((++done & 4095) == 0) {
            if (context.stopRequested())
                return false; // the file is not put in place
            if (clock.due())
                context.message.showProgress(
                    {recordProgressText(label(), done, total), done, total});
        }
    }
    if (context.stopRequested())
        return false;
    context.message.showProgress({recordProgressText(label(), done, total), done, total});
    if (records.failed()) {
        // A walk cut short is no export: the old file stays, nothing is sent.
        context.message.showMessage(label() +
                                    QStringLiteral(": de gegevens konden niet volledig worden "
                                                   "gelezen (") +
                                    records.failure() + QLatin1Char(')'));
        return false;
    }
    records.Close();
    if (!file.commit(&error)) {
        context.message.showMessage(error);
        return false;
    }
    return true;
}

} // namespace tavrel
