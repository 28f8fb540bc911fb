// The limits import as the editor runs it: a CSV file of meets' limits read
// line by line (its text and line ends recognised) into an empty SQLite
// limits database, in one transaction. scripts/bench times it against the
// sqlite3 program importing the same file into a table of its own.
//
//   import-bench LIMITSDB CSVFILE
#include "common/db/Connection.h"
#include "editors/CsvImport.h"
#include "editors/ImportFile.h"

#include <QCoreApplication>
#include <QTextStream>

using namespace tavrel;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    if (args.size() != 3) {
        err << "usage: import-bench LIMITSDB CSVFILE\n";
        return 2;
    }
    Connection connection;
    ImportFile file;
    Result<void> ready = connection.open(args[1]);
    if (ready)
        ready = file.open(args[2]);
    if (!ready) {
        err << ready.why() << '\n';
        return 1;
    }
    const Result<int> imported = importLimits(connection, file);
    if (!imported) {
        err << imported.why() << '\n';
        return 1;
    }
    QTextStream(stdout) << imported.value() << " lines\n";
    return 0;
}
