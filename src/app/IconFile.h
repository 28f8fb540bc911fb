#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

namespace tavrel {

// A Windows icon file (.ico) holding each image as PNG, as Windows reads
// since Vista: the program's icon in Explorer, the taskbar and the
// installer. Images of 256 pixels or less.
QByteArray iconFile(const QList<QImage>& images);

} // namespace tavrel
