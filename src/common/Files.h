#pragma once

#include <QString>

namespace tavrel {

// True when path names an existing file (a folder is no file). A missing file
// gives false silently; any other failure (access refused, a name the system
// cannot take) is reported with the place "FileExist" and gives false.
bool FileExist(const QString& path);

// The platform's folder separator, which ends every folder text of the program.
QString folderSeparator();

// The temporary folder: the environment variable TEMP, or the system's own
// temporary folder where TEMP is not set.
QString tempFolder();

} // namespace tavrel
