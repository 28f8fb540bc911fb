// A mutated Jet file through the whole path of a run: opened as a club and as
// a limits database, its tables copied into SQLite, and all four export
// files written from them (dates and numbers converted on the way).
#include "common/Ui.h"
#include "common/db/Connection.h"
#include "export/Exports.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

struct Silent final : tavrel::MessageArea {
    void showMessage(const QString&) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavrel;
    static int argc = 1;
    static char name[] = "jet_run_fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv); // for Qt SQL
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fuzz.mdb"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    Connection connection;
    if (!ConnectJetDB(path, connection)) // the console seam answers the report
        return 0;
    Silent message;
    const QString out = dir.path() + QDir::separator();
    for (const char* version : {"2006", "2009"}) {
        RunInput input;
        input.version = QLatin1String(version);
        input.clubDatabase = path;
        input.limitsDatabase = path;
        PhaseContext context{input, out, &connection, message};
        for (auto make : {makeSwimmersExport, makeTimesExport, makeLimitsExport, makeLevelsExport})
            make()->run(context);
    }
    return 0;
}
