// The Windows icon file kept with the sources holds the window icon's own
// drawing, in every size Explorer and the taskbar ask for.
#include "app/IconFile.h"
#include "app/WavePicture.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>

#include <gtest/gtest.h>

using namespace tavrel;

namespace {

// The images of an icon file whose entries are PNG.
QList<QImage> imagesOf(const QByteArray& ico) {
    QList<QImage> images;
    if (ico.size() < 6 || qFromLittleEndian<quint16>(ico.constData() + 2) != 1)
        return images;
    const int count = qFromLittleEndian<quint16>(ico.constData() + 4);
    for (int i = 0; i < count && 6 + 16 * (i + 1) <= ico.size(); ++i) {
        const char* entry = ico.constData() + 6 + 16 * i;
        const quint32 size = qFromLittleEndian<quint32>(entry + 8);
        const quint32 offset = qFromLittleEndian<quint32>(entry + 12);
        images << QImage::fromData(ico.mid(offset, size), "PNG");
    }
    return images;
}

// The largest difference of one colour channel between two images of one
// size: anti-aliased edges differ by a step or two between the processor's
// drawing paths (AVX2, AVX-512), the drawing does not.
int largestDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return 256;
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    int largest = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int column = 0; column < x.width(); ++column) {
            const QRgb p = x.pixel(column, row), q = y.pixel(column, row);
            for (const int shift : {0, 8, 16, 24})
                largest = std::max(largest,
                                   std::abs(int((p >> shift) & 0xff) - int((q >> shift) & 0xff)));
        }
    return largest;
}

TEST(IconFile, TheKeptIconIsTheWindowIconInEverySize) {
    QFile kept(QStringLiteral(TAVREL_SOURCE_DIR "/packaging/icons/uploadtavrel.ico"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    const QList<QImage> images = imagesOf(kept.readAll());
    const QList<int> sizes = {16, 20, 24, 32, 40, 48, 64, 96, 128, 256};
    ASSERT_EQ(images.size(), sizes.size());
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        SCOPED_TRACE(sizes[i]);
        EXPECT_LE(largestDifference(images[i], wavePicture(sizes[i])), 2)
            << "renew it: make-icons --ico packaging/icons/uploadtavrel.ico 16 20 24 32 40 48 "
               "64 96 128 256";
    }
    // What iconFile writes reads back the same.
    const QList<QImage> again = imagesOf(iconFile({wavePicture(256), wavePicture(16)}));
    ASSERT_EQ(again.size(), 2);
    EXPECT_EQ(again[0].size(), QSize(256, 256));
    EXPECT_EQ(again[1].size(), QSize(16, 16));
}

} // namespace
