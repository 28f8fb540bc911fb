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

namespace {

const QString kEnd = QStringLiteral("\r\n");

// What a certificate says of itself: for whom, why not, and when valid.
QString certificateDetails(const ServerIdentity& id) {
    QString text = QStringLiteral("Uitgegeven voor: ") + id.name + kEnd;
    if (!id.doubts.isEmpty())
        text += QStringLiteral("Waarom niet: ") + id.doubts.join(QStringLiteral("; ")) +
                QLatin1Char('.') + kEnd;
    if (!id.validity.isEmpty())
        text += QStringLiteral("Geldig ") + id.validity + QLatin1Char('.') + kEnd;
    return text;
}

} // namespace

bool askToTrust(const QString& domain, const ServerIdentity& id) {
    QString text;
    if (id.sshKey) {
        text = QStringLiteral("De server ") + domain +
               QStringLiteral(" toont een sleutel die nog niet bekend is.") + kEnd + kEnd +
               QStringLiteral("Soort: ") + id.name + kEnd + QStringLiteral("Vingerafdruk:") + kEnd +
               id.fingerprint + kEnd + kEnd +
               QStringLiteral("Vergelijk de vingerafdruk met die van uw hostingpartij.") + kEnd +
               kEnd + QStringLiteral("Deze sleutel voor ") + domain +
               QStringLiteral(" vertrouwen en de upload opnieuw doen?");
    } else {
        text = QStringLiteral("De server ") + domain +
               QStringLiteral(" toont een certificaat dat niet te controleren is.") + kEnd + kEnd +
               certificateDetails(id) + kEnd + QStringLiteral("SHA-256-vingerafdruk:") + kEnd +
               id.fingerprint + kEnd + kEnd +
               QStringLiteral("Bij veel hostingpartijen staat het certificaat op hun eigen "
                              "naam. Vergelijk de vingerafdruk met die van uw "
                              "hostingpartij.") +
               kEnd + kEnd + QStringLiteral("Dit certificaat voor ") + domain +
               QStringLiteral(" vertrouwen en de upload opnieuw doen?");
    }
    return Ui::current().messageBox(text,
                                    id.sshKey ? QStringLiteral("Onbekende sleutel")
                                              : QStringLiteral("Onbekend certificaat"),
                                    Buttons::YesNo, Icon::Question) == Answer::Yes;
}

bool askToTrustChanged(const QString& domain, const QString& before, const ServerIdentity& id) {
    const QString what =
        id.sshKey ? QStringLiteral("de sleutel") : QStringLiteral("het certificaat");
    const QString text =
        QStringLiteral("Let op: ") + what + QStringLiteral(" van ") + domain +
        QStringLiteral(" is veranderd sinds u ") +
        (id.sshKey ? QStringLiteral("die") : QStringLiteral("het")) +
        QStringLiteral(" vertrouwde.") + kEnd + kEnd +
        (id.sshKey ? QStringLiteral("Soort: ") + id.name + kEnd : certificateDetails(id)) + kEnd +
        QStringLiteral("Vingerafdruk die u vertrouwde:") + kEnd +
        (before.isEmpty() ? QStringLiteral("onbekend") : before) + kEnd +
        QStringLiteral("Vingerafdruk nu:") + kEnd + id.fingerprint + kEnd + kEnd +
        QStringLiteral("Dit kan een vernieuwing door uw hostingpartij zijn, maar ook iemand die "
                       "zich als uw server voordoet om uw wachtwoord te onderscheppen. Kies "
                       "alleen Ja als uw hostingpartij bevestigt dat zij ") +
        what + QStringLiteral(" vernieuwd heeft, met deze vingerafdruk.") + kEnd + kEnd +
        (id.sshKey ? QStringLiteral("De nieuwe sleutel")
                   : QStringLiteral("Het nieuwe certificaat")) +
        QStringLiteral(" vertrouwen en de upload opnieuw doen?");
    return Ui::current().messageBox(text,
                                    id.sshKey ? QStringLiteral("Sleutel veranderd")
                                              : QStringLiteral("Certificaat veranderd"),
                                    Buttons::YesNoDefaultNo, Icon::Exclamation) == Answer::Yes;
}

bool askToSendInClear(const QString& domain, bool byScheme) {
    const QString text =
        (byScheme ? QStringLiteral("De domeinnaam ") + domain +
                        QStringLiteral(" begint met ftp://, dat versleuteling uitzet")
                  : QStringLiteral("De server ") + domain +
                        QStringLiteral(" biedt geen versleutelde verbinding")) +
        QStringLiteral(": uw wachtwoord en de bestanden gaan leesbaar over het internet. Toch "
                       "uploaden?");
    return Ui::current().messageBox(text, QStringLiteral("Onversleutelde verbinding"),
                                    Buttons::YesNoDefaultNo, Icon::Exclamation) == Answer::Yes;
}

} // namespace tavrel
