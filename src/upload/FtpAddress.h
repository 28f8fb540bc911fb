#pragma once

#include "common/Result.h"

#include <QString>

namespace tavrel {

// Where "open" goes, read from the domain as typed: "host", "host:port",
// "[v6]:port" or a bare IPv6 address, after an optional scheme that chooses
// the protocol ("sftp://") or how TLS is used ("ftps://" requires it,
// "ftp://" never uses it; a bare host uses it when the server offers it).
// A port after "open HOST" wins over one in the name.
struct FtpAddress {
    enum class Tls { Offered, Required, Never };
    Tls tls = Tls::Offered;
    bool ssh = false;
    QString host;
    QString port;
};

// Fails, in Dutch, when the text names no host or no port.
Result<FtpAddress> readAddress(const QString& domain, const QString& portWord);

} // namespace tavrel
