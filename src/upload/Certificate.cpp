#include "Certificate.h"

#include <QCryptographicHash>
#include <QStringList>

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
const QByteArray kCommonName("\x55\x04\x03", 3); // 2.5.4.3

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
    for (auto e = element(der, tbs->body, tbs->end); e && fields.size() < 8;
         e = element(der, e->end, tbs->end))
        fields << *e;
    const int first = !fields.isEmpty() && fields[0].tag == 0xa0 ? 1 : 0; // the version
    if (fields.size() < first + 6)
        return std::nullopt;
    const Element& subject = fields[first + 4];
    const Element& key = fields[first + 5];
    if (subject.tag != kSequence || key.tag != kSequence)
        return std::nullopt;

    Certificate c;
    const QByteArray hash =
        QCryptographicHash::hash(der.left(whole->end), QCryptographicHash::Sha256);
    QStringList pairs;
    for (const char b : hash)
        pairs << QStringLiteral("%1").arg(quint8(b), 2, 16, QLatin1Char('0')).toUpper();
    c.fingerprint = pairs.join(QLatin1Char(':'));
    c.name = commonName(der, subject);
    c.pin = "sha256//" + QCryptographicHash::hash(der.mid(key.start, key.end - key.start),
                                                  QCryptographicHash::Sha256)
                             .toBase64();
    return c;
}

} // namespace tavrel
