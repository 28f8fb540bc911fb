#include "StoreMessages.h"

#include "common/ErrorReport.h"
#include "common/Ui.h"

namespace tavrel {

namespace {

const QString kShown = QStringLiteral(" Het venster toont nu wat er is opgeslagen.");

} // namespace

QString refusalText(const StoreResult& result, const Refusal& r) {
    switch (result.outcome) {
    case Outcome::Busy:
        return r.notDone +
               QStringLiteral(": de database wordt door een ander programma gebruikt.") +
               (r.typed ? QStringLiteral(" Wat u typte staat nog in het venster; probeer het "
                                         "straks opnieuw.")
                        : QStringLiteral(" Probeer het straks opnieuw."));
    case Outcome::Stale:
        return r.notDone + QStringLiteral(": ") + r.subject +
               QStringLiteral(" is intussen door een ander programma gewijzigd.") + kShown;
    case Outcome::Gone:
        return r.notDone + QStringLiteral(": ") + r.subject +
               (r.meet ? QStringLiteral(" is intussen door een ander programma verwijderd of "
                                        "hernoemd.")
                       : QStringLiteral(" is intussen door een ander programma verwijderd.")) +
               kShown;
    case Outcome::MeetGone:
        return r.notDone +
               QStringLiteral(": de wedstrijd bestaat niet meer; een ander programma heeft haar "
                              "intussen verwijderd of hernoemd.") +
               kShown;
    case Outcome::Refused:
    case Outcome::Done:
        break;
    }
    return r.notDone + QStringLiteral(".\r\n\r\n") + result.error.Description;
}

void sayRefusal(const StoreResult& result, const Refusal& refusal) {
    Ui::current().messageBox(refusalText(result, refusal), kProgramTitle, Buttons::Ok,
                             Icon::Critical);
}

void sayNotRefreshed(const StoreResult& result) {
    const QString why = result.outcome == Outcome::Busy
                            ? QStringLiteral("de database wordt door een ander programma gebruikt")
                            : result.error.Description;
    // The error report of a selection that did not open, saying what the
    // window still shows.
    ReportError(QStringLiteral("OpenRecordSet"),
                {result.error.Number, kErrorSource,
                 QStringLiteral("De gegevens konden niet opnieuw worden gelezen: ") + why +
                     QStringLiteral(". Het venster toont nog wat het eerder las; er is niets "
                                    "veranderd. Probeer het straks opnieuw.")});
}

} // namespace tavrel
