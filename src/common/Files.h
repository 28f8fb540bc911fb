#pragma once

#include <QString>

#include <system_error>

namespace tavrel {

// Why a file or folder could not be used, in Dutch whatever the system's
// language ("geen toegang"; "systeemfout 5" for what is rare).
QString systemReason(const std::error_code& ec);

// True when path names an existing file (a folder is no file). A missing file
// gives false silently; any other failure (access refused, a name the system
// cannot take) is reported with the place "FileExist" and gives false.
bool FileExist(const QString& path);

// The platform's folder separator, which ends every folder text of the program.
QString folderSeparator();

// The folder text with the platform's separator at its end, added when
// missing ("/" here; on Windows "\\" or "/" counts as one). An empty text
// stays empty: it means the current folder.
QString withSeparator(const QString& folder);

// Where the transcript of the last upload stays when the run's own folder is
// removed, and the last run's line: a folder of the program's in the user's
// data folder.
QString logFolder();
// Tests keep that folder in a place of their own ("" ends that): on Windows
// the user's data folder cannot be moved by the environment.
void redirectLogFolder(const QString& folder);

// The temporary folder: the environment variable TEMP, or the system's own
// temporary folder where TEMP is not set.
QString tempFolder();

} // namespace tavrel
