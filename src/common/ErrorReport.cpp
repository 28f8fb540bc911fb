#include "ErrorReport.h"

#include "Ui.h"

namespace tavrel {

QString errorReportText(const QString& place, const ErrorInfo& error) {
    return QStringLiteral("Fout gevonden in: ") + place + QStringLiteral("\r\n") +
           QStringLiteral("Foutnummer : ") + QString::number(error.Number) +
           QStringLiteral("\r\n") + QStringLiteral("Bron              : ") + error.Source +
           QStringLiteral("\r\n") + QStringLiteral("Omschrijving : ") + error.Description;
}

void ReportError(const QString& place, const ErrorInfo& error) {
    Ui::current().messageBox(errorReportText(place, error), QStringLiteral("Foutmelding!"),
                             Buttons::Ok, Icon::Critical);
}

} // namespace tavrel
