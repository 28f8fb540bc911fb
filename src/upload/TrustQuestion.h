#pragma once

#include "SendProgress.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace tavrel {

// A server's certificate or SSH host key that the system did not accept, as
// the program computes it from the bytes the runner passed on (never from a
// text that came through the runner's channel): what it is, who it is for,
// why the system did not accept it and when it is valid.
struct ServerIdentity {
    bool sshKey = false;
    QString fingerprint; // SHA-256: "AB:12:..." of a certificate, "SHA256:..." of a key
    QByteArray pin;      // what the runner is told to trust
    QString name;        // made out to (a certificate), or the key's kind
    QStringList doubts;  // why not, most telling first (a certificate)
    QString validity;    // "van ... tot ..." (a certificate)
};

// Nothing when the bytes are no certificate or key.
std::optional<ServerIdentity> identify(const SendProgress::ServerCertificate& shown,
                                       const QString& host, const QDateTime& now);

// Asks whether to trust it, for domain, and upload again; true on "Ja".
bool askToTrust(const QString& domain, const ServerIdentity& identity);

// The same for one that is not the one the user trusted (whose fingerprint
// was before): a warning, old and new side by side, "Nee" the default.
bool askToTrustChanged(const QString& domain, const QString& before,
                       const ServerIdentity& identity);

// Asks whether the password and the files may go in clear to a server that
// offers no encryption (or to a domain that says ftp://); "Nee" the default.
bool askToSendInClear(const QString& domain, bool byScheme);

} // namespace tavrel
