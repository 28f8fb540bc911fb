#include "StoreMessages.h"

#include "common/ErrorReport.h"
#include "common/Ui.h"

namespace tavrel {

namespace {

const QString kShown = QStringLiteral(" Het venster toont nu wat er is opgeslagen.");

} // namespace

QString refusalText(const StoreResult& result, const QString& notDone, const QString& subject) {
    switch (result.outcome) {
    case Outcome::Busy:
        return notDone +
               QStringLiteral(": de database wordt door een ander programma gebruikt. Wat u "
                              "typte staat nog in het venster; probeer het straks opnieuw.");
    case Outcome::Stale:
        return notDone + QStringLiteral(": ") + subject +
               QStringLiteral(" is intussen door een ander programma gewijzigd.") + kShown;
    case Outcome::Gone:
        return notDone + QStringLiteral(": ") + subject +
               QStringLiteral(" is intussen door een ander programma verwijderd.") + kShown;
    case Outcome::MeetGone:
        return notDone +
               QStringLiteral(": de wedstrijd bestaat niet meer; een ander programma heeft haar "
                              "intussen verwijderd of hernoemd.") +
               kShown;
    case Outcome::Refused:
    case Outcome::Done:
        break;
    }
    return notDone + QStringLiteral(".\r\n\r\n") + result.reason;
}

void sayRefusal(const StoreResult& result, const QString& notDone, const QString& subject) {
    Ui::current().messageBox(refusalText(result, notDone, subject), kProgramTitle, Buttons::Ok,
                             Icon::Critical);
}

void sayNotRefreshed(const StoreResult& result) {
    const QString why = result.outcome == Outcome::Busy
                            ? QStringLiteral("de database wordt door een ander programma gebruikt")
                            : result.reason;
    // The error report of a selection that did not open, saying what the
    // window still shows.
    ReportError(QStringLiteral("OpenRecordSet"),
                {result.number, kErrorSource,
                 QStringLiteral("De gegevens konden niet opnieuw worden gelezen: ") + why +
                     QStringLiteral(". Het venster toont nog wat het eerder las; er is niets "
                                    "veranderd. Probeer het straks opnieuw.")});
}

} // namespace tavrel
