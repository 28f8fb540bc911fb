#include "Processes.h"

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <QByteArray>
#include <QFile>
#include <QList>
#endif

namespace tavrel::test {

bool processEnded(qint64 pid) {
#ifdef Q_OS_WIN
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid));
    if (!process)
        return true;
    const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
#else
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    return !stat.open(QIODevice::ReadOnly) || stat.readAll().split(' ').value(2) == "Z";
#endif
}

} // namespace tavrel::test
