// The club phase as a run does it: open the club database (a Jet file is
// read into its private copy), then write zwemmers.csv and tijden.csv.
// scripts/bench times it against the reference tools.
//
//   club-phase-bench CLUB VERSION OUTFOLDER
#include "common/db/Connection.h"
#include "export/Exports.h"

#include <QCoreApplication>
#include <QTextStream>

using namespace tavrel;

namespace {

class Silent : public MessageArea {
public:
    void showMessage(const QString& text) override { last = text; }
    QString last;
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 4) {
        err << "usage: club-phase-bench CLUB VERSION OUTFOLDER\n";
        return 2;
    }
    RunInput input;
    input.clubDatabase = QString::fromLocal8Bit(argv[1]);
    input.version = QString::fromLocal8Bit(argv[2]);
    const QString folder = QString::fromLocal8Bit(argv[3]) + QLatin1Char('/');
    Connection connection;
    if (!ConnectJetDB(input.clubDatabase, connection))
        return 1;
    Silent message;
    PhaseContext context{input, folder, &connection, message};
    for (const auto& phase : {makeSwimmersExport(), makeTimesExport()}) {
        if (!phase->run(context)) {
            err << "export failed: " << message.last << '\n';
            return 1;
        }
    }
    return 0;
}
