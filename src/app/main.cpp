#include "Main.h"
#include "QtUi.h"

#include <QApplication>
#include <QTimer>

using namespace tavrel;

namespace {

// For running without a display (the demo on a headless machine): draw the
// main window offscreen, save it as a picture and stop.
void saveSnapshotAndQuit(QWidget& window, const QString& file) {
    QTimer::singleShot(0, &window, [&window, file] {
        const bool saved = window.grab().save(file);
        QCoreApplication::exit(saved ? 0 : 1);
    });
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(kProgramTitle);

    QtUi ui;
    Ui::install(&ui);

    Main window;
    window.show();

    const QString snapshot = qEnvironmentVariable("UPLOADTAVREL_SNAPSHOT");
    if (!snapshot.isEmpty())
        saveSnapshotAndQuit(window, snapshot);

    const int status = QApplication::exec();
    Ui::install(nullptr);
    return status;
}
