// Writes the program's icon as PNG files for the desktop's icon theme:
// OUT/SIZE/uploadtavrel.png for each size asked for; or, with --ico FILE,
// one Windows icon file holding every size.
#include "app/IconFile.h"
#include "app/WavePicture.h"

#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fputs("Gebruik: make-icons MAP GROOTTE...\n"
                   "         make-icons --ico BESTAND GROOTTE...\n",
                   stderr);
        return 2;
    }
    const bool ico = QByteArray(argv[1]) == "--ico";
    const int first = ico ? 3 : 2;
    const QString out = QString::fromLocal8Bit(argv[ico ? 2 : 1]);
    QList<QImage> images;
    for (int i = first; i < argc; ++i) {
        const int size = QByteArray(argv[i]).toInt();
        if (size <= 0 || size > 256) {
            std::fprintf(stderr, "make-icons: ongeldige grootte %s\n", argv[i]);
            return 2;
        }
        images << tavrel::wavePicture(size);
        if (ico)
            continue;
        const QString folder = out + QLatin1Char('/') + QString::number(size);
        if (!QDir().mkpath(folder) ||
            !images.last().save(folder + QStringLiteral("/uploadtavrel.png"))) {
            std::fprintf(stderr, "make-icons: %s kan niet worden geschreven\n", argv[i]);
            return 1;
        }
    }
    if (ico) {
        QFile file(out);
        const QByteArray bytes = tavrel::iconFile(images);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "make-icons: %s kan niet worden geschreven\n", argv[2]);
            return 1;
        }
    }
    return 0;
}
