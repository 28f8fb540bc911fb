#include "SentRecord.h"

#include <QCryptographicHash>
#include <QFile>
#include <QList>
#include <QStringList>
#include <QUrl>

#include <algorithm>

namespace tavrel {

namespace {

constexpr qsizetype kKeyFields = 4; // host, folder, name, mode

bool isSha256(const QByteArray& hex) {
    return hex.size() == 64 && std::all_of(hex.begin(), hex.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

} // namespace

QString SentRecord::key(const QString& host, const QString& folder, const QString& name,
                        bool ascii) {
    // The name percent-encoded: no tab or line end of a name can split a line.
    return QStringList{host, folder, QString::fromLatin1(QUrl::toPercentEncoding(name)),
                       ascii ? QStringLiteral("ascii") : QStringLiteral("binary")}
        .join(QLatin1Char('\t'));
}

SentRecord SentRecord::read(const QByteArray& text) {
    SentRecord record;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() != kKeyFields + 4 || !isSha256(fields[kKeyFields]))
            continue;
        bool sizeOk = false, serverSizeOk = false, timeOk = false;
        const Sent sent{fields[kKeyFields], fields[kKeyFields + 1].toLongLong(&sizeOk),
                        fields[kKeyFields + 2].toLongLong(&serverSizeOk),
                        fields[kKeyFields + 3].toLongLong(&timeOk)};
        if (!sizeOk || !serverSizeOk || !timeOk || sent.size < 0 || sent.serverSize < 0)
            continue;
        QStringList keyFields;
        for (qsizetype i = 0; i < kKeyFields; ++i)
            keyFields << QString::fromUtf8(fields[i]);
        record.sent_.insert(keyFields.join(QLatin1Char('\t')), sent);
    }
    return record;
}

QByteArray SentRecord::text() const {
    QStringList keys = sent_.keys();
    keys.sort();
    QByteArray out;
    for (const QString& key : keys) {
        const Sent& s = sent_[key];
        out += key.toUtf8() + '\t' + s.sha256 + '\t' + QByteArray::number(s.size) + '\t' +
               QByteArray::number(s.serverSize) + '\t' + QByteArray::number(s.serverTime) + '\n';
    }
    return out;
}

std::optional<SentRecord::Sent> SentRecord::find(const QString& key) const {
    const auto at = sent_.constFind(key);
    if (at == sent_.constEnd())
        return std::nullopt;
    return *at;
}

QByteArray fileSha256(const QString& path) {
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return hash.result().toHex();
}

} // namespace tavrel
