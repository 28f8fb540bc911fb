#pragma once

#include <QtGlobal>

namespace tavrel::test {

// Whether the process with this id has ended: gone, or (on Linux) a zombie
// that its new parent has not reaped yet.
bool processEnded(qint64 pid);

} // namespace tavrel::test
