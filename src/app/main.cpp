#include "Main.h"
#include "QtUi.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

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
    // Only "Sluiten", the main window's close box and a finished run end the
    // program: closing a box or a dialog while the main window is hidden
    // behind an editor must never look like the last window closing.
    QApplication::setQuitOnLastWindowClosed(false);

    // Qt's own buttons and dialogs speak the program's language.
    QTranslator qtDutch;
    if (qtDutch.load(QLocale(QLocale::Dutch, QLocale::Netherlands), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtDutch);

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
