#pragma once

#include "LimitsStore.h"

namespace tavrel {

// A change of the limits database that was not made, as an editor says it.
struct Refusal {
    QString notDone;   // what did not happen: "De wijziging is niet opgeslagen"
    QString subject;   // what another program changed: "de rij", "de wedstrijd"
    bool typed = true; // values the user typed, which stay on screen for another try
    bool meet = false; // a meet, which can be renamed as well as deleted
};

QString refusalText(const StoreResult& result, const Refusal& refusal);

// Shows that text in a box with the program's title.
void sayRefusal(const StoreResult& result, const Refusal& refusal);

// Says that rows could not be read again and that the window still shows
// what it read before.
void sayNotRefreshed(const StoreResult& result);

} // namespace tavrel
