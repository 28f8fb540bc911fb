#pragma once

#include <QByteArray>
#include <QString>

namespace tavrel {

// Whether a private key file (OpenSSH's own form, or PEM) can be used
// without a passphrase: the runner asks none.
bool keyWithoutPassphrase(const QByteArray& file);

// The user's own key for SFTP: the first of id_ed25519, id_ecdsa and id_rsa
// in folder (~/.ssh) that needs no passphrase; "" when there is none.
QString defaultKeyFile(const QString& folder);

} // namespace tavrel
