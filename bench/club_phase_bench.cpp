// The club phase as a run does it: open the club database (a Jet file is
// read into its private copy), then write zwemmers.csv and tijden.csv, on a
// thread of its own with its progress sent to an event loop on the main
// thread, as the window runs it. scripts/bench times it against the
// reference tools, and against --direct (the same work on the main thread,
// nothing sent), which is what the worker and its progress cost.
//
//   club-phase-bench [--direct] CLUB VERSION OUTFOLDER
#include "common/db/Connection.h"
#include "export/Exports.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QThread>

using namespace tavrel;

namespace {

// Sends every message and progress report to the main thread, as the
// window's relay does.
class Relay : public MessageArea {
public:
    explicit Relay(QObject* receiver)
        : receiver_(receiver) {}
    void showMessage(const QString& text) override {
        last = text;
        QMetaObject::invokeMethod(
            receiver_, [this, text] { shown = text; }, Qt::QueuedConnection);
    }
    void showProgress(const RunProgress& progress) override {
        QMetaObject::invokeMethod(
            receiver_, [this, progress] { shown = progress.text; }, Qt::QueuedConnection);
    }
    QString last, shown;

private:
    QObject* receiver_;
};

bool clubPhase(const RunInput& input, const QString& folder, MessageArea& message) {
    Connection connection;
    if (!ConnectJetDB(input.clubDatabase, connection))
        return false;
    PhaseContext context{input, folder, &connection, message};
    for (const auto& phase : {makeSwimmersExport(), makeTimesExport()})
        if (!phase->run(context))
            return false;
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    QStringList args = QCoreApplication::arguments().mid(1);
    const bool direct = args.removeAll(QStringLiteral("--direct")) > 0;
    if (args.size() != 3) {
        err << "usage: club-phase-bench [--direct] CLUB VERSION OUTFOLDER\n";
        return 2;
    }
    RunInput input;
    input.clubDatabase = args[0];
    input.version = args[1];
    const QString folder = args[2] + QLatin1Char('/');
    QObject receiver;
    Relay message(&receiver);
    bool ok = false;
    if (direct) {
        ok = clubPhase(input, folder, message);
    } else {
        QThread* worker = QThread::create([&] { ok = clubPhase(input, folder, message); });
        QObject::connect(worker, &QThread::finished, &app, &QCoreApplication::quit);
        worker->start();
        QCoreApplication::exec();
        worker->wait();
        delete worker;
    }
    if (!ok) {
        err << "export failed: " << message.last << '\n';
        return 1;
    }
    return 0;
}
