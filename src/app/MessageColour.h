#pragma once

#include <QColor>

namespace tavrel {

// The contrast ratio of two colours as accessibility guidelines measure it
// (1 to 21).
double contrastRatio(const QColor& a, const QColor& b);

// The red the message area writes in: as bright a red as keeps a contrast of
// at least 4.5:1 on background, darker on a light background and lighter on
// a dark one.
QColor readableRed(const QColor& background);

} // namespace tavrel
