#pragma once

#include <QString>

namespace tavrel::test {

// Whether anyone but the owner may read or change the file or folder at path
// (by its mode bits, or on Windows by its access list).
bool othersMayOpen(const QString& path);

#ifdef Q_OS_WIN
// The same for a key below HKEY_CURRENT_USER.
bool othersMayOpenKey(const QString& key);
#endif

} // namespace tavrel::test
