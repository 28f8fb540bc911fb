#pragma once

#include <QImage>

namespace tavrel {

// A small wave on a blue disc: the program's picture and icon, drawn at
// size × size pixels (designed on 32). packaging/icons/uploadtavrel.svg is
// the same drawing.
QImage wavePicture(int size = 32);

} // namespace tavrel
