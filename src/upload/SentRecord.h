#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>

namespace tavrel {

// What the runner put in place on a website, file by file, so that the next
// upload sends a file again only when it changed: here (its SHA-256 and
// size, with the transfer mode) or on the server (the server's size and
// modification time right after the rename). One line a file, its fields
// separated by tabs; a line that does not read as one is left out, and the
// file is then sent as if never sent before.
class SentRecord {
public:
    struct Sent {
        QByteArray sha256; // hex, of the local file
        qint64 size = 0;
        qint64 serverSize = 0;
        qint64 serverTime = 0; // seconds since 1970, UTC
    };

    // Reads the record's text; nothing is known of what it cannot read.
    static SentRecord read(const QByteArray& text);
    QByteArray text() const;

    // "HOST:PORT", the folder as the address names it, the name on the
    // server, and the mode ("ascii" or "binary").
    static QString key(const QString& host, const QString& folder, const QString& name, bool ascii);
    std::optional<Sent> find(const QString& key) const;
    void set(const QString& key, const Sent& sent) { sent_.insert(key, sent); }
    void forget(const QString& key) { sent_.remove(key); }

private:
    QHash<QString, Sent> sent_;
};

// The SHA-256 of a file in hex, read a piece at a time; empty when it
// cannot be read.
QByteArray fileSha256(const QString& path);

} // namespace tavrel
