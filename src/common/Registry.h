#pragma once

#include "Result.h"

#include <QString>
#include <QStringList>
#include <QVariant>

namespace tavrel {

// The settings store, addressed by full value names such as
// "HKCU\Software\Tavrel\Database". On Windows that is the registry itself;
// elsewhere each key is the user's configuration file named after the key's
// last part ("Tavrel.ini" in the user's configuration folder).

// The full value name of one program setting.
QString settingName(const QString& valueName);

// The stored value, or an empty (invalid) QVariant when the value, the key or
// the store cannot be read. Never reports.
QVariant ReadRegValue(const QString& fullName);

// Stores value as text. type is "REG_SZ" or null; anything else, a name
// outside HKCU, or a store that cannot be written is reported with the place
// "WriteRegValue".
void WriteRegValue(const QString& fullName, const QVariant& value, const QVariant& type);

// For a run nobody watches, which must not guess: fails, in Dutch and naming
// the store, when the store cannot be read or one of the program's values
// (such as "Domain") is missing or empty.
Result<void> checkStoredSettings(const QStringList& valueNames);

// For tests on Windows, where the store is the real registry: every name
// under "HKCU\Software\Tavrel" goes to the given key instead (for example
// "Software\Tavrel-tests\1234"); an empty key restores the real one.
void redirectSettingsKey(const QString& key);

} // namespace tavrel
