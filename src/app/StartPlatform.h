#pragma once

// What the start of the program asks of the system, one file per platform
// (StartPosix.cpp, StartWindows.cpp).
#include <QString>

namespace tavrel::start {

// Where a first start looks for one of the two databases.
QString defaultDatabase(const char* fileName);
// Whether this user may write in folder, as the system answers it.
bool mayWriteIn(const QString& folder);
// Under Wine, Qt's Windows font engine draws no text in line edits (labels
// and buttons are fine): there the program draws its text with FreeType,
// unless the user chose a platform. Windows itself keeps its own engine.
void drawableTextUnderWine();
// A window program has no console of its own: started from one (--help,
// --version, --upload), it writes there. Output sent to a file or a pipe
// stays where it was sent.
void writeToStartingConsole();

} // namespace tavrel::start
