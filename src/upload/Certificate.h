#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace tavrel {

// What a volunteer is shown of a server's certificate, and what the runner
// pins: the SHA-256 fingerprint of the whole certificate ("AB:12:..."), the
// name it is made out to, and the hash of its public key in libcurl's pin
// form ("sha256//BASE64"), which a renewed certificate with the same key
// keeps.
struct Certificate {
    QByteArray der; // the certificate itself
    QString fingerprint;
    QString name;
    QByteArray pin;
    // What tells why a system would not accept it: who issued it (the same
    // name as its own: it signed itself), when it is valid (UTC; invalid
    // when unreadable), and the host names it is made out to (its subject
    // alternative names, else its common name).
    QString issuer;
    bool selfIssued = false;
    QDateTime validFrom, validUntil;
    QStringList hostNames;
};

// Reads a certificate in DER form, or in PEM form ("-----BEGIN
// CERTIFICATE-----"); nothing when it is neither.
std::optional<Certificate> readCertificate(const QByteArray& bytes);

// Why a system did not accept the certificate for host at the moment now,
// in Dutch, as parts of a sentence ("het is verlopen op 1 januari 2025"):
// expired or not yet valid, signed by the server itself or by an issuer the
// system does not know, made out to another name.
QStringList certificateDoubts(const Certificate& certificate, const QString& host,
                              const QDateTime& now);

// An SSH host key's fingerprint as OpenSSH shows it: "SHA256:" and the
// unpadded base64 of its hash.
QString sshFingerprint(const QByteArray& key);

// "van 8 december 2026 tot 14 november 2126"; empty when unknown.
QString validityText(const Certificate& certificate);

} // namespace tavrel
