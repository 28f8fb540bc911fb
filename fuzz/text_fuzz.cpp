// The text routines: fields of a separated line, the date conversion, the
// FTP log check and its shown form, the runner's progress lines, and the
// lines of an import file in any text form.
#include "common/ConvertDate.h"
#include "common/TextFields.h"
#include "common/Windows1252.h"
#include "editors/ImportFile.h"
#include "upload/LogCheck.h"
#include "upload/SendProgress.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

using namespace tavrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = fromWindows1252(bytes);
    const qsizetype cut = text.indexOf(QLatin1Char('\n'));
    const QString separator =
        cut > 0 ? text.left(std::min<qsizetype>(cut, 3)) : QStringLiteral(";");
    const int count = FieldCount(text, separator);
    for (int n = 0; n <= count + 1 && n < 64; ++n)
        GetField(text, separator, n);
    ConvertDate(text);
    logShowsRefusal(text);
    failureLine(text);
    maskPassword(text, text.left(4));
    condensedTranscript(text);

    SendProgress sending(
        {{QStringLiteral("zwemmers.csv"), 1000}, {QStringLiteral("tijden.csv"), 0}});
    for (qsizetype at = 0; at < bytes.size(); at += 7)
        sending.take(bytes.mid(at, 7));
    sending.progress();
    sending.replaced();
    sending.reason();

    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("import.csv"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(bytes);
        file.close();
        ImportFile lines;
        if (lines.open(path).ok())
            while (const auto line = lines.next())
                FieldCount(*line, QStringLiteral(";"));
    }
    return 0;
}
