#pragma once

#include "common/RunPhase.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace tavrel {

// What the script runner reports on its progress channel, turned into the
// upload's progress (the file that goes, how far, how fast, the share of the
// whole upload), the files put in place on the website, and the reason of a
// failure: "voortgang SENT TOTAL NAME" while a file goes, "verzonden ..." once
// it arrived whole, "vervangen NAME" once it is in place, "reden TEXT", and
// "certificaat-onbekend DER" (or "-veranderd") for a server certificate that
// did not verify or is not the one trusted, in base64, or "TYPE KEY" for an
// SSH host key, "versleuteld" once a login went over TLS, and
// "onversleuteld" (or "onversleuteld ftp://") when a host without TLS was
// refused for want of the user's consent. The first record of a kind counts.
class SendProgress {
public:
    struct File {
        QString name;
        qint64 size = 0; // on disk, for each file's share of the whole
    };
    explicit SendProgress(QList<File> files);

    // Takes what the runner wrote; lines may arrive in pieces.
    void take(const QByteArray& bytes);

    // Nothing known yet until the first file starts.
    bool started() const { return current_ >= 0; }
    // The text and the whole upload's share done, in thousandths.
    RunProgress progress() const;
    // The files the website holds new, in the order they were put in place.
    QStringList replaced() const { return replaced_; }
    // Every file arrived whole on the server (under its staged name).
    bool allArrived() const;
    // The runner's reason of the first failure, in Dutch; empty when none.
    QString reason() const { return reason_; }
    // A login went over TLS ("versleuteld").
    bool encrypted() const { return encrypted_; }
    // A host that offers no TLS was refused: the user has not consented
    // (NoTls, or Scheme for an ftp:// domain).
    enum class InClear { No, NoTls, Scheme };
    InClear inClearRefused() const { return inClear_; }

    // The certificate or SSH host key the server showed, as the runner got
    // it: the program computes what the user sees from these bytes.
    struct ServerCertificate {
        bool changed = false; // not the one the user trusted
        QByteArray der;       // a certificate
        QString keyType;      // or an SSH host key
        QByteArray key;
    };
    std::optional<ServerCertificate> certificate() const { return certificate_; }

private:
    void line(const QByteArray& text);

    struct State {
        File file;
        qint64 sent = 0;
        qint64 total = 0;
        bool whole = false;
        bool unchanged = false; // not sent again: no speed to tell
    };
    QList<State> files_;
    int current_ = -1;
    QElapsedTimer since_; // since the current file started
    QByteArray partial_;
    QStringList replaced_;
    QString reason_;
    bool encrypted_ = false;
    InClear inClear_ = InClear::No;
    std::optional<ServerCertificate> certificate_;
};

} // namespace tavrel
