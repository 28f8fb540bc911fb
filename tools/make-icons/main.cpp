// Writes the program's icon as PNG files for the desktop's icon theme:
// OUT/SIZE/uploadtavrel.png for each size asked for.
#include "app/WavePicture.h"

#include <QDir>

#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fputs("Gebruik: make-icons MAP GROOTTE...\n", stderr);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = QByteArray(argv[i]).toInt();
        const QString folder = out + QLatin1Char('/') + QString::number(size);
        if (size <= 0 || !QDir().mkpath(folder) ||
            !tavrel::wavePicture(size).save(folder + QStringLiteral("/uploadtavrel.png"))) {
            std::fprintf(stderr, "make-icons: %s kan niet worden geschreven\n", argv[i]);
            return 1;
        }
    }
    return 0;
}
