#include "Certificate.h"

#include <QCryptographicHash>
#include <QLocale>
#include <QStringList>

#include <algorithm>

namespace tavrel {

namespace {

// One DER element: its tag, and where its contents and the whole element lie
// in the text read. Every length is checked against what is left.
struct Element {
    int tag = -1;
    qsizetype start = 0; // of the whole element
    qsizetype body = 0;  // of its contents
    qsizetype end = 0;   // one past the element
};

std::optional<Element> element(const QByteArray& der, qsizetype at, qsizetype limit) {
    if (at + 2 > limit)
        return std::nullopt;
    Element e;
    e.start = at;
    e.tag = quint8(der[at]);
    qsizetype length = quint8(der[at + 1]);
    qsizetype next = at + 2;
    if (length & 0x80) {
        const int bytes = int(length & 0x7f);
        if (bytes == 0 || bytes > 4 || next + bytes > limit)
            return std::nullopt;
        length = 0;
        for (int i = 0; i < bytes; ++i)
            length = (length << 8) | quint8(der[next + i]);
        next += bytes;
    }
    if (length > limit - next)
        return std::nullopt;
    e.body = next;
    e.end = next + length;
    return e;
}

constexpr int kSequence = 0x30;
constexpr int kSet = 0x31;
constexpr int kOid = 0x06;
constexpr int kOctets = 0x04;
constexpr int kUtcTime = 0x17;
constexpr int kGeneralizedTime = 0x18;
constexpr int kExtensions = 0xa3;
constexpr int kDnsName = 0x82;
constexpr int kIpAddress = 0x87;
const QByteArray kCommonName("\x55\x04\x03", 3); // 2.5.4.3
const QByteArray kAltNames("\x55\x1d\x11", 3);   // 2.5.29.17

QByteArray contents(const QByteArray& der, const Element& e) {
    return der.mid(e.body, e.end - e.body);
}

// UTCTime "YYMMDDHHMMSSZ" (1950-2049) or GeneralizedTime "YYYYMMDDHHMMSSZ".
QDateTime timeOf(const QByteArray& der, const Element& e) {
    const QString text = QString::fromLatin1(contents(der, e));
    QDateTime t;
    if (e.tag == kUtcTime && text.size() == 13) {
        t = QDateTime::fromString(text.left(12), QStringLiteral("yyMMddHHmmss"));
        if (t.isValid() && t.date().year() < 1950) // "yy" reads as 19yy
            t = t.addYears(100);
    } else if (e.tag == kGeneralizedTime && text.size() == 15) {
        t = QDateTime::fromString(text.left(14), QStringLiteral("yyyyMMddHHmmss"));
    }
    if (t.isValid())
        t.setTimeSpec(Qt::UTC);
    return t;
}

// The DNS names and IP addresses of a subjectAltName extension, in the
// extensions ([3] { SEQUENCE { SEQUENCE { OID, BOOLEAN?, OCTET STRING }... } }).
QStringList altNames(const QByteArray& der, const Element& extensions) {
    QStringList names;
    const auto list = element(der, extensions.body, extensions.end);
    if (!list || list->tag != kSequence)
        return names;
    for (auto ext = element(der, list->body, list->end); ext && ext->tag == kSequence;
         ext = element(der, ext->end, list->end)) {
        const auto id = element(der, ext->body, ext->end);
        if (!id || id->tag != kOid || contents(der, *id) != kAltNames)
            continue;
        auto value = element(der, id->end, ext->end);
        if (value && value->tag != kOctets) // the critical flag
            value = element(der, value->end, ext->end);
        if (!value || value->tag != kOctets)
            continue;
        const auto seq = element(der, value->body, value->end);
        if (!seq || seq->tag != kSequence)
            continue;
        for (auto n = element(der, seq->body, seq->end); n; n = element(der, n->end, seq->end)) {
            const QByteArray bytes = contents(der, *n);
            if (n->tag == kDnsName)
                names << QString::fromLatin1(bytes);
            else if (n->tag == kIpAddress && bytes.size() == 4)
                names << QStringLiteral("%1.%2.%3.%4")
                             .arg(quint8(bytes[0]))
                             .arg(quint8(bytes[1]))
                             .arg(quint8(bytes[2]))
                             .arg(quint8(bytes[3]));
        }
    }
    return names;
}

// Whether a name of a certificate covers host: equal, letter case aside,
// or a wildcard for one label ("*.club.nl" covers "ftp.club.nl").
bool covers(const QString& name, const QString& host) {
    if (name.compare(host, Qt::CaseInsensitive) == 0)
        return true;
    if (!name.startsWith(QLatin1String("*.")))
        return false;
    const qsizetype dot = host.indexOf(QLatin1Char('.'));
    return dot > 0 && host.mid(dot).compare(name.mid(1), Qt::CaseInsensitive) == 0;
}

QString dutchDate(const QDateTime& t) {
    return QLocale(QLocale::Dutch, QLocale::Netherlands)
        .toString(t.date(), QStringLiteral("d MMMM yyyy"));
}

// The common name in a Name (a sequence of sets of type-and-value pairs).
QString commonName(const QByteArray& der, const Element& name) {
    for (auto set = element(der, name.body, name.end); set && set->tag == kSet;
         set = element(der, set->end, name.end)) {
        for (auto pair = element(der, set->body, set->end); pair && pair->tag == kSequence;
             pair = element(der, pair->end, set->end)) {
            const auto type = element(der, pair->body, pair->end);
            if (!type || type->tag != kOid ||
                der.mid(type->body, type->end - type->body) != kCommonName)
                continue;
            const auto value = element(der, type->end, pair->end);
            if (value)
                return QString::fromUtf8(der.mid(value->body, value->end - value->body));
        }
    }
    return {};
}

QByteArray fromPem(const QByteArray& pem) {
    const QByteArray begin("-----BEGIN CERTIFICATE-----");
    const qsizetype from = pem.indexOf(begin);
    const qsizetype to = pem.indexOf("-----END CERTIFICATE-----");
    if (from < 0 || to < from)
        return {};
    return QByteArray::fromBase64(pem.mid(from + begin.size(), to - from - begin.size()));
}

} // namespace

std::optional<Certificate> readCertificate(const QByteArray& bytes) {
    const QByteArray der = bytes.startsWith('0') ? bytes : fromPem(bytes);
    // Certificate: SEQUENCE { tbsCertificate SEQUENCE { [0] version?,
    // serial, signature, issuer, validity, subject, subjectPublicKeyInfo, ... } ... }
    const auto whole = element(der, 0, der.size());
    if (!whole || whole->tag != kSequence)
        return std::nullopt;
    const auto tbs = element(der, whole->body, whole->end);
    if (!tbs || tbs->tag != kSequence)
        return std::nullopt;
    QList<Element> fields;
    for (auto e = element(der, tbs->body, tbs->end); e && fields.size() < 10;
         e = element(der, e->end, tbs->end))
        fields << *e;
    const int first = !fields.isEmpty() && fields[0].tag == 0xa0 ? 1 : 0; // the version
    if (fields.size() < first + 6)
        return std::nullopt;
    const Element& issuer = fields[first + 2];
    const Element& validity = fields[first + 3];
    const Element& subject = fields[first + 4];
    const Element& key = fields[first + 5];
    if (subject.tag != kSequence || key.tag != kSequence)
        return std::nullopt;

    Certificate c;
    c.der = der.left(whole->end);
    const QByteArray hash =
        QCryptographicHash::hash(der.left(whole->end), QCryptographicHash::Sha256);
    QStringList pairs;
    for (const char b : hash)
        pairs << QStringLiteral("%1").arg(quint8(b), 2, 16, QLatin1Char('0')).toUpper();
    c.fingerprint = pairs.join(QLatin1Char(':'));
    c.name = commonName(der, subject);
    c.issuer = commonName(der, issuer);
    c.selfIssued = contents(der, issuer) == contents(der, subject);
    if (validity.tag == kSequence)
        if (const auto from = element(der, validity.body, validity.end)) {
            c.validFrom = timeOf(der, *from);
            if (const auto until = element(der, from->end, validity.end))
                c.validUntil = timeOf(der, *until);
        }
    for (qsizetype i = first + 6; i < fields.size(); ++i)
        if (fields[i].tag == kExtensions)
            c.hostNames = altNames(der, fields[i]);
    if (c.hostNames.isEmpty() && !c.name.isEmpty())
        c.hostNames << c.name;
    c.pin = "sha256//" + QCryptographicHash::hash(der.mid(key.start, key.end - key.start),
                                                  QCryptographicHash::Sha256)
                             .toBase64();
    return c;
}

QStringList certificateDoubts(const Certificate& c, const QString& host, const QDateTime& now) {
    QStringList doubts;
    const bool expired = c.validUntil.isValid() && c.validUntil < now;
    const bool early = c.validFrom.isValid() && c.validFrom > now;
    if (expired)
        doubts << QStringLiteral("het is verlopen op ") + dutchDate(c.validUntil);
    if (early)
        doubts << QStringLiteral("het is pas geldig vanaf ") + dutchDate(c.validFrom);
    const bool named = std::any_of(c.hostNames.begin(), c.hostNames.end(),
                                   [&](const QString& name) { return covers(name, host); });
    if (c.selfIssued)
        doubts << QStringLiteral("de server heeft het zelf ondertekend, niet een bekende "
                                 "uitgever");
    else if (!expired && !early && named)
        doubts << QStringLiteral("de uitgever (") +
                      (c.issuer.isEmpty() ? QStringLiteral("onbekend") : c.issuer) +
                      QStringLiteral(") is dit systeem niet bekend");
    if (!named)
        doubts << QStringLiteral("het is gemaakt voor ") +
                      (c.hostNames.isEmpty() ? QStringLiteral("geen naam")
                                             : c.hostNames.join(QStringLiteral(", "))) +
                      QStringLiteral(", niet voor ") + host;
    return doubts;
}

QString validityText(const Certificate& c) {
    if (!c.validFrom.isValid() || !c.validUntil.isValid())
        return {};
    return QStringLiteral("van ") + dutchDate(c.validFrom) + QStringLiteral(" tot ") +
           dutchDate(c.validUntil);
}

QString sshFingerprint(const QByteArray& key) {
    return QStringLiteral("SHA256:") +
           QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha256)
                                   .toBase64(QByteArray::OmitTrailingEquals));
}

} // namespace tavrel
