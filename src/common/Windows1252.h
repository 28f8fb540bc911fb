#pragma once

#include <QByteArray>
#include <QString>

namespace tavrel {

// The single-byte text of every file the program writes or reads
// (Windows-1252), the same on every platform. A character the code page has
// no byte for is written as "?".
QByteArray toWindows1252(QStringView text);
QString fromWindows1252(const QByteArray& bytes);

} // namespace tavrel
