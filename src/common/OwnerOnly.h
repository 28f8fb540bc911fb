#pragma once

#include "Result.h"

#include <QByteArray>
#include <QString>

class QFile;

namespace tavrel {

// Failures say in Dutch what went wrong, with the system's own code.
//
// Files that hold a password or a club's data are readable by their user
// only, and none is ever opened through a link that someone else could have
// planted. Others are kept out by mode bits, or on Windows by an access
// list that names the user alone.

// Makes path and any missing folders above it; those it makes are for the
// user only.
bool makeOwnerOnlyFolder(const QString& path);

// Narrows an existing file to read and write by its owner (a link of the
// user's own, as configuration files often are, is followed); a missing file
// is made empty with those permissions, so whatever is written into it later
// never was readable by others. Anything but a file is left alone.
bool narrowToOwner(const QString& path);

// Opens path for writing from its start, as a file only its owner can read:
// a new file is made so; an existing one must be a plain file of this user
// with no other name (no symbolic or hard link) and is emptied and narrowed.
Result<void> openOwnerOnly(QFile& file, const QString& path);

// Writes bytes to a new file at path that only its owner can read, removing
// (never following) whatever stood at path before.
Result<void> writeOwnerOnlyFile(const QString& path, const QByteArray& bytes);

// Makes and opens for writing a new file named prefix, six random letters and
// suffix, that only its owner can read, and answers its name.
Result<QString> createOwnerOnlyTemporary(QFile& file, const QString& prefix, const QString& suffix);

// Renames from over to in one step, replacing a file at to.
Result<void> moveOver(const QString& from, const QString& to);

// Puts bytes in place of the file at path in one step (a new owner-only file
// renamed over it), so a reader sees the old or the new text, never a mix.
Result<void> replaceOwnerOnlyFile(const QString& path, const QByteArray& bytes);

// Removes what a run of the program left at path: a folder of this user's
// own with all it holds, or a file of theirs; never anything through a link
// or of another user. False when nothing was removed.
bool removeOwnLeftover(const QString& path, bool folder);

} // namespace tavrel
