#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace tavrel {

// What a volunteer is shown of a server's certificate, and what the runner
// pins: the SHA-256 fingerprint of the whole certificate ("AB:12:..."), the
// name it is made out to, and the hash of its public key in libcurl's pin
// form ("sha256//BASE64"), which a renewed certificate with the same key
// keeps.
struct Certificate {
    QString fingerprint;
    QString name;
    QByteArray pin;
};

// Reads a certificate in DER form, or in PEM form ("-----BEGIN
// CERTIFICATE-----"); nothing when it is neither.
std::optional<Certificate> readCertificate(const QByteArray& bytes);

} // namespace tavrel
