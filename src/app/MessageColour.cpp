#include "MessageColour.h"

#include <algorithm>
#include <cmath>

namespace tavrel {

namespace {

double channel(double c) {
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& c) {
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

constexpr double kMinimum = 4.5;

} // namespace

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableRed(const QColor& background) {
    // Toward black on a light background, toward white on a dark one: a
    // step of 1/64 keeps the red as bright as the contrast allows.
    const bool light = luminance(background) > 0.18;
    for (int step = 0; step <= 64; ++step) {
        const double t = step / 64.0;
        const QColor red =
            light ? QColor::fromRgbF(float(1 - t), 0, 0) : QColor::fromRgbF(1, float(t), float(t));
        if (contrastRatio(red, background) >= kMinimum)
            return red;
    }
    return light ? QColor(Qt::black) : QColor(Qt::white);
}

} // namespace tavrel
