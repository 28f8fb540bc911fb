// The FTP script runner's reading of a script, and of the domain after
// "open". "open" lines are turned into comments first, so no input ever
// makes a connection.
#include "upload/FtpAddress.h"
#include "upload/ScriptRunner.h"

#include <QStringList>

#include <cstddef>
#include <cstdint>

using namespace tavrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QStringList lines = QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size))
                            .split(QLatin1Char('\n'));
    for (QString& line : lines) {
        (void)readAddress(line.section(QLatin1Char(' '), 0, 0),
                          line.section(QLatin1Char(' '), 1, 1));
        if (line.trimmed().startsWith(QLatin1String("open"), Qt::CaseInsensitive))
            line = QStringLiteral("rem");
    }
    ScriptRunner runner([](const QString&) {});
    runner.run(lines);
    return 0;
}
