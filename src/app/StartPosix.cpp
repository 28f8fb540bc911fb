#include "StartPlatform.h"

#include "StartupSettings.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

namespace tavrel::start {

// No club-administration product installs here: the same file names in the
// user's documents folder.
QString defaultDatabase(const char* fileName) {
    return QDir::toNativeSeparators(documentsFolder() + QLatin1Char('/') + QLatin1String(fileName));
}

// access() asks the system, so root is refused an unchangeable folder too.
bool mayWriteIn(const QString& folder) {
    return ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
}

void drawableTextUnderWine() {}

void writeToStartingConsole() {}

} // namespace tavrel::start
