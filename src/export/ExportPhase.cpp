#include "ExportPhase.h"

#include "CsvFile.h"
#include "OrderedLines.h"
#include "common/Progress.h"
#include "common/Ui.h"
#include "common/db/Cursor.h"

#include <utility>

namespace tavrel {

Result<void> ExportPhase::check(PhaseContext& context) {
    // A Jet file's tables are read (copied) here, whole or refused, so that
    // a damaged one stops the run before any file of it is written.
    Result<void> fit;
    if (const auto copied = context.connection->handleFor(query(context.input)); !copied)
        fit = copied.error();
    else
        fit = checkReadTables(*context.connection, reads(context.input));
    checked_ = fit.ok();
    if (fit)
        return {};
    ErrorInfo error = fit.error();
    error.Description = label() + QStringLiteral(": ") + error.Description;
    return error;
}

bool ExportPhase::run(PhaseContext& context) {
    // A damaged or hostile table gives no file at all, never a short one.
    const bool checked = std::exchange(checked_, false);
    if (!checked) {
        if (const Result<void> fit = check(context); !fit) {
            if (!context.stopRequested())
                context.message.showMessage(fit.why());
            return false;
        }
        checked_ = false;
    }
    // Where the phase orders its lines itself, the statement runs without
    // its final sort: a million rows are then filed by rank, not compared.
    LineOrder* order = lineOrder(*context.connection);
    const QString statement = query(context.input);
    Cursor records =
        order ? openCursor(withoutFinalOrder(statement), *context.connection, {}, Count::InWalk)
              : openCursor(statement, *context.connection);
    if (context.stopRequested())
        return false;
    if (!records.isOpen()) {
        // openCursor has shown the database's own report.
        context.message.showMessage(label() +
                                    QStringLiteral(": de gegevens konden niet worden gelezen"));
        return false;
    }
    // A table without a column the file needs is no file: nothing is written.
    if (const Result<void> columns = prepare(records, context.input); !columns) {
        context.message.showMessage(label() + QStringLiteral(": ") + columns.why());
        return false;
    }
    CsvFile file(context.outputFolder + fileName());
    if (const Result<void> opened = file.open(); !opened) {
        context.message.showMessage(opened.why());
        return false;
    }
    const bool walked =
        order ? walkOrdered(context, records, *order, file) : walkStreamed(context, records, file);
    if (!walked)
        return false;
    if (const Result<void>& whole = records.whole(); !whole) {
        // A walk cut short is no export: the old file stays, nothing is sent.
        context.message.showMessage(label() +
                                    QStringLiteral(": de gegevens konden niet volledig worden "
                                                   "gelezen (") +
                                    whole.why() + QLatin1Char(')'));
        return false;
    }
    records.close();
    if (const Result<void> committed = file.commit(); !committed) {
        context.message.showMessage(committed.why());
        return false;
    }
    return true;
}

void ExportPhase::showCount(PhaseContext& context, qint64 total) {
    context.message.showMessage(label() + QStringLiteral(": ") + QString::number(total) +
                                QStringLiteral(" records ..."));
    Ui::current().yield();
}

bool ExportPhase::walkStreamed(PhaseContext& context, Cursor& records, CsvFile& file) {
    const qint64 total = records.recordCount();
    showCount(context, total);
    // Progress and a stop are looked at every few thousand records: their
    // cost stays far below a record's.
    ProgressClock clock;
    qint64 done = 0;
    for (; !records.atEnd(); records.moveNext()) {
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
    return true;
}

bool ExportPhase::walkOrdered(PhaseContext& context, Cursor& records, LineOrder& order,
                              CsvFile& file) {
    // The count is known once every record is filed, as with a sorted
    // statement, whose sort takes in every row before the first comes out;
    // meanwhile the records so far are shown.
    OrderedLines lines(order.ranks(), context.outputFolder + fileName());
    ProgressClock clock;
    for (; !records.atEnd(); records.moveNext()) {
        const int rank = order.rankOf(records);
        if (rank < 0) {
            context.message.showMessage(
                label() + QStringLiteral(": de gegevens veranderden tijdens het lezen; "
                                         "probeer het opnieuw"));
            return false;
        }
        std::string& out = lines.pending(rank);
        const size_t start = out.size();
        if (!line(records, out)) {
            out.resize(start);
        } else if (const Result<void> filed = lines.endLine(rank, start); !filed) {
            context.message.showMessage(filed.why());
            return false;
        }
        if (const qint64 done = records.walked(); (done & 4095) == 0) {
            if (context.stopRequested())
                return false;
            if (clock.due())
                context.message.showProgress({recordProgressText(label(), done, -1), done, 0});
        }
    }
    if (context.stopRequested())
        return false;
    const qint64 total = records.walked();
    showCount(context, total);
    if (const Result<void> written = lines.writeTo(file); !written) {
        context.message.showMessage(written.why());
        return false;
    }
    context.message.showProgress({recordProgressText(label(), total, total), total, total});
    return true;
}

} // namespace tavrel
