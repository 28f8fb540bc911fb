// make-demo: writes the demo databases (SQLite) into a folder.
//
//   make-demo [--out DIR] [--members N] [--results M]
//
// DIR receives team2006.db and team2009.db (club databases in the two
// layouts) and limieten.db (meets, limits, level times). The same options
// always give the same data.
#include "DemoDatabases.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

using namespace tavrel;
using namespace tavrel::demo;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes the UploadTavrel demo databases."));
    parser.addHelpOption();
    const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("Folder to write into."),
                                 QStringLiteral("DIR"), QStringLiteral("."));
    const QCommandLineOption members(QStringLiteral("members"),
                                     QStringLiteral("Members per club database."),
                                     QStringLiteral("N"), QStringLiteral("60"));
    const QCommandLineOption results(QStringLiteral("results"),
                                     QStringLiteral("Results per club database."),
                                     QStringLiteral("M"), QStringLiteral("400"));
    parser.addOptions({out, members, results});
    parser.process(app);

    QTextStream err(stderr);
    bool okMembers = false, okResults = false;
    const ClubSize size{parser.value(members).toInt(&okMembers),
                        parser.value(results).toInt(&okResults)};
    if (!okMembers || !okResults || size.members < 1 || size.results < 0) {
        err << "make-demo: --members must be at least 1 and --results at least 0\n";
        return 2;
    }
    const QDir dir(parser.value(out));
    if (!QDir().mkpath(dir.path())) {
        err << "make-demo: cannot create " << dir.path() << '\n';
        return 1;
    }

    Result<void> made = writeClubDatabase(dir.filePath(QStringLiteral("team2006.db")),
                                          ClubVariant::Tavrel2006, size);
    if (made)
        made = writeClubDatabase(dir.filePath(QStringLiteral("team2009.db")),
                                 ClubVariant::Tavrel2009, size);
    if (made)
        made = writeDemoLimitsDatabase(dir.filePath(QStringLiteral("limieten.db")));
    if (!made) {
        err << "make-demo: " << made.why() << '\n';
        return 1;
    }
    return 0;
}
