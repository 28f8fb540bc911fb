#pragma once

#include "LimitsStore.h"

namespace tavrel {

// What an editor says when a change of the limits database was not made.
// notDone says what did not happen ("De wijziging is niet opgeslagen");
// subject names what another program changed ("de rij", "de wedstrijd A1").
QString refusalText(const StoreResult& result, const QString& notDone, const QString& subject);

// Shows that text in a box with the program's title.
void sayRefusal(const StoreResult& result, const QString& notDone, const QString& subject);

// Says that rows could not be read again and that the window still shows
// what it read before.
void sayNotRefreshed(const StoreResult& result);

} // namespace tavrel
