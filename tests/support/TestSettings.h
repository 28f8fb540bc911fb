#pragma once

#include <QCoreApplication>
#include <QString>

namespace tavrel::test {

// Where a test program keeps the program's settings on Windows (under
// HKEY_CURRENT_USER), instead of the user's Software\Tavrel.
inline QString testSettingsKey() {
    return QStringLiteral("Software\\Tavrel-tests\\%1").arg(QCoreApplication::applicationPid());
}

} // namespace tavrel::test
