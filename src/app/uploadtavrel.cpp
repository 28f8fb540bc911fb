#include "CommandLine.h"
#include "HeadlessRun.h"
#include "Main.h"
#include "QtUi.h"
#include "StartPlatform.h"
#include "common/CrashDumps.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

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

bool starting = true;
QtMessageHandler qtHandler = nullptr;
QList<std::pair<QtMsgType, QString>> held; // Qt's messages while it starts

// Qt gives up with an abort when it finds no display. While it starts, its
// English messages are held back; if it gives up, the user reads one Dutch
// sentence and the program stops with status 1. Whoever helps them sets
// QT_DEBUG_PLUGINS, Qt's own switch for this, and reads Qt's lines too.
void startMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (!starting) {
        if (qtHandler)
            qtHandler(type, context, text);
        return;
    }
    if (type == QtFatalMsg) {
        QString report = noDisplayText();
        if (qEnvironmentVariableIsSet("QT_DEBUG_PLUGINS")) {
            for (const auto& line : std::as_const(held))
                report += line.second + QLatin1Char('\n');
            report += text + QLatin1Char('\n');
        }
        std::fputs(report.toLocal8Bit().constData(), stderr);
        std::_Exit(1);
    }
    held.append({type, text});
}

} // namespace

int main(int argc, char* argv[]) {
    // The settings, the window and a run hold the FTP password.
    keepSecretsOutOfCrashDumps();
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine command = parseCommandLine(arguments);
    if (command.action != CommandLine::Action::Run)
        start::writeToStartingConsole();
    if (command.action == CommandLine::Action::Upload) {
        // No window, no display needed: a scheduled upload.
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(kProgramTitle);
        RunPhases phases = defaultRunPhases();
        return runHeadless(command, phases);
    }
    if (command.action != CommandLine::Action::Run) {
        std::fputs(command.text.toLocal8Bit().constData(),
                   command.action == CommandLine::Action::Refuse ? stderr : stdout);
        return command.status;
    }

    start::drawableTextUnderWine();
    qtHandler = qInstallMessageHandler(startMessage);
    QApplication app(argc, argv);
    starting = false;
    for (const auto& [type, text] : std::as_const(held))
        if (qtHandler)
            qtHandler(type, QMessageLogContext(), text);
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
