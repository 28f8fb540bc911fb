#pragma once

// What the owner-only files need of the system, one file per platform
// (OwnerOnlyPosix.cpp, OwnerOnlyWindows.cpp); OwnerOnly.cpp builds on it.
#include "Result.h"

#include <QString>

#include <system_error>

namespace tavrel::owner_only {

// What went wrong, in the words a volunteer reads in the message.
QString dutchReason(std::errc c, int number);
inline const QString kNotOwnFile =
    QStringLiteral("er staat op die plaats iets anders dan een eigen bestand");

// The last failure of the calls below, with the system's code.
ErrorInfo lastFailure();
bool lastWasExisting();

// A new file only this user may use, for writing; a name that exists
// already is refused, whatever stands there. A C runtime descriptor, or -1.
int createNew(const QString& path);
void closeDescriptor(int fd);
// One folder, only this user's.
bool makeFolder(const QString& path);
// An existing file narrowed to this user.
bool narrowFile(const QString& path);
// The user's own file at path, emptied and only theirs, for writing; made
// when missing, never through a link: a C runtime descriptor.
Result<int> openOwnFile(const QString& path);
bool renameOver(const QString& from, const QString& to);
// True when path is a folder, or a file, of this user's own, itself and no
// link to one (on Windows, where TEMP and the data folder are the user's
// own: no link).
bool isOwn(const QString& path, bool folder);

} // namespace tavrel::owner_only
