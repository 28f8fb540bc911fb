// The reference for the program's start-up: a bare Qt window, shown, drawn
// into a picture and closed, as the program does with UPLOADTAVREL_SNAPSHOT.
//
//   bare-window PICTURE
#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2)
        return 2;
    QWidget window;
    window.resize(520, 400);
    window.show();
    const QString file = QString::fromLocal8Bit(argv[1]);
    QTimer::singleShot(
        0, &window, [&window, file] { QCoreApplication::exit(window.grab().save(file) ? 0 : 1); });
    return QApplication::exec();
}
