// Times the times export on a large club database against the sqlite3
// command-line program running the same join into a file, and reports the
// export's peak memory.
//
//   times-export-bench CLUB.db VERSION OUTFOLDER
#include "common/db/Connection.h"
#include "export/Exports.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTextStream>

#include <sys/resource.h>

using namespace tavrel;

namespace {

class Silent : public MessageArea {
public:
    void showMessage(const QString& text) override { last = text; }
    QString last;
};

long peakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

qint64 lineCount(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    qint64 lines = 0;
    while (!f.atEnd()) {
        const QByteArray chunk = f.read(1 << 20);
        lines += chunk.count('\n');
    }
    return lines;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    if (argc != 4) {
        out << "usage: times-export-bench CLUB.db VERSION OUTFOLDER\n";
        return 2;
    }
    const QString club = QString::fromLocal8Bit(argv[1]);
    RunInput input;
    input.version = QString::fromLocal8Bit(argv[2]);
    const QString folder = QString::fromLocal8Bit(argv[3]) + QLatin1Char('/');

    Connection connection;
    if (!ConnectJetDB(club, connection))
        return 1;
    Silent message;
    PhaseContext context{input, folder, &connection, message};
    QElapsedTimer timer;
    timer.start();
    const bool ok = makeTimesExport()->run(context);
    const double exportSeconds = timer.nsecsElapsed() / 1e9;
    if (!ok) {
        out << "export failed: " << message.last << '\n';
        return 1;
    }
    const long peak = peakKilobytes();
    const qint64 lines = lineCount(folder + QStringLiteral("tijden.csv"));

    const bool v2006 = input.version == QLatin1String("2006");
    const QString style = v2006 ? QStringLiteral("STYLES") : QStringLiteral("SWIMSTYLE");
    const QString join =
        QStringLiteral(
            "SELECT MEETS.PLACE, MEETS.MINDATE, MEETS.NAME, MEETS.%1, %2.DISTANCE, %2.STROKE, "
            "MEMBERS.REGISTRATIONID, RESULTS.TOTALTIME, RESULTS.RESULTTYP FROM %2 INNER JOIN "
            "(MEMBERS "
            "INNER JOIN (MEETS INNER JOIN RESULTS ON MEETS.MEETSID = RESULTS.MEETSID) ON "
            "MEMBERS.MEMBERSID = RESULTS.MEMBERSID) ON %2.%3 = RESULTS.STYLESID ORDER BY "
            "MEETS.MINDATE")
            .arg(v2006 ? QStringLiteral("POOL") : QStringLiteral("COURSE"), style,
                 v2006 ? QStringLiteral("STYLESID") : QStringLiteral("SWIMSTYLEID"));
    QProcess sqlite;
    sqlite.setStandardOutputFile(folder + QStringLiteral("sqlite3.csv"));
    timer.restart();
    sqlite.start(QStringLiteral("sqlite3"),
                 {QStringLiteral("-separator"), QStringLiteral(";"), club, join});
    if (!sqlite.waitForFinished(-1) || sqlite.exitCode() != 0) {
        out << "sqlite3 failed: " << sqlite.readAllStandardError() << '\n';
        return 1;
    }
    const double sqliteSeconds = timer.nsecsElapsed() / 1e9;

    out << "database:          " << club << '\n'
        << "lines written:     " << lines << '\n'
        << "times export:      " << QString::number(exportSeconds, 'f', 2) << " s ("
        << QString::number(lines / exportSeconds, 'f', 0) << " lines/s)\n"
        << "sqlite3 same join: " << QString::number(sqliteSeconds, 'f', 2) << " s\n"
        << "ratio:             " << QString::number(exportSeconds / sqliteSeconds, 'f', 2) << "\n"
        << "peak memory:       " << peak / 1024 << " MiB\n";
    return 0;
}
