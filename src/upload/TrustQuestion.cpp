#include "TrustQuestion.h"

#include "Certificate.h"
#include "LogCheck.h"
#include "common/Ui.h"

namespace tavrel {

namespace {

QStringList oneLineEach(QStringList texts) {
    for (QString& text : texts)
        text = oneLine(text);
    return texts;
}

} // namespace

std::optional<ServerIdentity> identify(const SendProgress::ServerCertificate& shown,
                                       const QString& host, const QDateTime& now) {
    if (!shown.key.isEmpty()) {
        const QString fingerprint = sshFingerprint(shown.key);
        return ServerIdentity{true, fingerprint, fingerprint.toLatin1(), shown.keyType, {}, {}};
    }
    const std::optional<Certificate> c = readCertificate(shown.der);
    if (!c)
        return std::nullopt;
    // The certificate's names are the server's text: one line each, no
    // control character of their own.
    return ServerIdentity{false,
                          c->fingerprint,
                          c->pin,
                          oneLine(c->name.isEmpty() ? QStringLiteral("onbekend") : c->name),
                          oneLineEach(certificateDoubts(*c, host, now)),
                          validityText(*c)};
}

bool askToTrust(const QString& domain, const ServerIdentity& id) {
    const QString end = QStringLiteral("\r\n");
    QString text;
    if (id.sshKey) {
        text = QStringLiteral("De server ") + domain +
               QStringLiteral(" toont een sleutel die nog niet bekend is.") + end + end +
               QStringLiteral("Soort: ") + id.name + end + QStringLiteral("Vingerafdruk:") + end +
               id.fingerprint + end + end +
               QStringLiteral("Vergelijk de vingerafdruk met die van uw hostingpartij.") + end +
               end + QStringLiteral("Deze sleutel voor ") + domain +
               QStringLiteral(" vertrouwen en de upload opnieuw doen?");
    } else {
        text = QStringLiteral("De server ") + domain +
               QStringLiteral(" toont een certificaat dat niet te controleren is.") + end + end +
               QStringLiteral("Uitgegeven voor: ") + id.name + end;
        if (!id.doubts.isEmpty())
            text += QStringLiteral("Waarom niet: ") + id.doubts.join(QStringLiteral("; ")) +
                    QLatin1Char('.') + end;
        if (!id.validity.isEmpty())
            text += QStringLiteral("Geldig ") + id.validity + QLatin1Char('.') + end;
        text += end + QStringLiteral("SHA-256-vingerafdruk:") + end + id.fingerprint + end + end +
                QStringLiteral("Bij veel hostingpartijen staat het certificaat op hun eigen "
                               "naam. Vergelijk de vingerafdruk met die van uw "
                               "hostingpartij.") +
                end + end + QStringLiteral("Dit certificaat voor ") + domain +
                QStringLiteral(" vertrouwen en de upload opnieuw doen?");
    }
    return Ui::current().messageBox(text,
                                    id.sshKey ? QStringLiteral("Onbekende sleutel")
                                              : QStringLiteral("Onbekend certificaat"),
                                    Buttons::YesNo, Icon::Question) == Answer::Yes;
}

} // namespace tavrel
