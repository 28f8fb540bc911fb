#include "WavePicture.h"

#include <QPainter>
#include <QPainterPath>

namespace tavrel {

QImage wavePicture(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    p.setBrush(QColor(0x1e, 0x6f, 0xc8));
    p.setPen(Qt::NoPen);
    p.drawEllipse(1, 1, 30, 30);
    p.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    for (int y : {13, 20}) {
        QPainterPath wave;
        wave.moveTo(6, y);
        wave.cubicTo(10, y - 4, 13, y + 4, 16, y);
        wave.cubicTo(19, y - 4, 22, y + 4, 26, y);
        p.drawPath(wave);
    }
    return image;
}

} // namespace tavrel
