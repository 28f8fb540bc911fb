#include "FtpAddress.h"

#include <optional>
#include <utility>

namespace tavrel {

namespace {

Result<void> splitHost(FtpAddress& hp, const QString& text, const QString& standard) {
    const ErrorInfo noHost = failure(QStringLiteral("ongeldige domeinnaam: ") + text);
    hp.host = text;
    std::optional<QString> named; // a port written in the name, even an empty one
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        const QString rest = close < 0 ? QString() : text.mid(close + 1);
        if (close < 0 || (!rest.isEmpty() && !rest.startsWith(QLatin1Char(':'))))
            return noHost;
        hp.host = text.mid(1, close - 1);
        if (!rest.isEmpty())
            named = rest.mid(1);
    } else if (text.count(QLatin1Char(':')) == 1) {
        hp.host = text.section(QLatin1Char(':'), 0, 0);
        named = text.section(QLatin1Char(':'), 1);
    }
    if (hp.host.isEmpty())
        return noHost;
    if (hp.port.isEmpty())
        hp.port = named.value_or(standard);
    bool ok = false;
    const int number = hp.port.toInt(&ok);
    if (!ok || number < 1 || number > 65535 || !hp.port.front().isDigit())
        return failure(QStringLiteral("ongeldige poort: ") + hp.port);
    return {};
}

} // namespace

Result<FtpAddress> readAddress(const QString& domain, const QString& portWord) {
    FtpAddress address;
    address.port = portWord;
    QString name = domain;
    for (const auto& [scheme, mode] :
         {std::pair{QLatin1String("ftps://"), FtpAddress::Tls::Required},
          std::pair{QLatin1String("ftp://"), FtpAddress::Tls::Never}})
        if (name.startsWith(scheme, Qt::CaseInsensitive)) {
            name = name.mid(scheme.size());
            address.tls = mode;
        }
    address.ssh = name.startsWith(QLatin1String("sftp://"), Qt::CaseInsensitive);
    if (address.ssh)
        name = name.mid(7);
    if (name.endsWith(QLatin1Char('/')))
        name.chop(1);
    if (Result<void> split =
            splitHost(address, name, address.ssh ? QStringLiteral("22") : QStringLiteral("21"));
        !split)
        return split.error();
    return address;
}

} // namespace tavrel
