#include "RunnerReasons.h"

namespace tavrel::reasons {

bool dropsConnection(CURLcode code) {
    switch (code) {
    case CURLE_OK:
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_UPLOAD_FAILED:
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_QUOTE_ERROR:
    case CURLE_READ_ERROR:
    case CURLE_REMOTE_DISK_FULL:
        return false;
    default:
        return true;
    }
}

QString remark(CURLcode code) {
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return QStringLiteral("onbekende host");
    case CURLE_COULDNT_CONNECT:
        return QStringLiteral("verbinding geweigerd");
    case CURLE_LOGIN_DENIED:
        return QStringLiteral("aanmelden geweigerd");
    case CURLE_OPERATION_TIMEDOUT:
        return QStringLiteral("de server antwoordt niet meer");
    case CURLE_REMOTE_ACCESS_DENIED:
        return QStringLiteral("map of bestand op de server niet toegankelijk");
    case CURLE_UPLOAD_FAILED:
        return QStringLiteral("de server weigert het bestand");
    case CURLE_URL_MALFORMAT:
        return QStringLiteral("ongeldige domeinnaam");
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_WEIRD_227_FORMAT:
        return QStringLiteral("onverwacht antwoord van de server");
    case CURLE_FTP_CANT_GET_HOST:
    case CURLE_FTP_PORT_FAILED:
        return QStringLiteral("geen gegevensverbinding met de server");
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
        return QStringLiteral("de verbinding is verbroken");
    case CURLE_REMOTE_DISK_FULL:
        return QStringLiteral("de schijf van de server is vol");
    case CURLE_QUOTE_ERROR:
        return QStringLiteral("de server weigert de opdracht");
    case CURLE_USE_SSL_FAILED:
        return QStringLiteral("de server biedt geen versleutelde verbinding");
    case CURLE_SSL_CONNECT_ERROR:
        return QStringLiteral("de versleutelde verbinding is mislukt");
    case CURLE_PEER_FAILED_VERIFICATION:
        return QStringLiteral("het certificaat van de server is niet te controleren");
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        return QStringLiteral("het certificaat van de server is veranderd");
    default:
        // libcurl's own texts are English: name the code instead.
        return QStringLiteral("fout %1 in de FTP-verbinding").arg(int(code));
    }
}

QString connection(CURLcode code, long reply, const QString& host) {
    if (code == CURLE_LOGIN_DENIED || reply == 530)
        return QStringLiteral("De gebruikersnaam of het wachtwoord wordt door ") + host +
               QStringLiteral(" niet geaccepteerd.");
    if (reply == 421)
        return QStringLiteral("De server ") + host +
               QStringLiteral(" weigert de verbinding op dit moment (421); probeer het later "
                              "nog eens.");
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return QStringLiteral("De server ") + host +
               QStringLiteral(" is niet te vinden: controleer de domeinnaam.");
    case CURLE_COULDNT_CONNECT:
        return QStringLiteral("De server ") + host +
               QStringLiteral(" weigert de verbinding: controleer de domeinnaam en de poort.");
    case CURLE_OPERATION_TIMEDOUT:
        return QStringLiteral("De server ") + host + QStringLiteral(" antwoordt niet.");
    case CURLE_USE_SSL_FAILED:
        return QStringLiteral("De server ") + host +
               QStringLiteral(" biedt geen versleutelde verbinding (TLS), en die is vereist.");
    case CURLE_SSL_CONNECT_ERROR:
        return QStringLiteral("De versleutelde verbinding met ") + host +
               QStringLiteral(" is mislukt.");
    case CURLE_UNSUPPORTED_PROTOCOL:
        return QStringLiteral("Deze versie van het programma kan niet uploaden met SFTP.");
    default:
        return QStringLiteral("De verbinding met ") + host + QStringLiteral(" is mislukt.");
    }
}

QString sending(CURLcode code, long reply, const QString& file) {
    if (code == CURLE_REMOTE_DISK_FULL || reply == 451 || reply == 452 || reply == 552)
        return QStringLiteral("Er is geen ruimte meer op de server voor ") + file +
               QLatin1Char('.');
    switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
        return QStringLiteral("De server antwoordt niet meer tijdens ") + file + QLatin1Char('.');
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
        return QStringLiteral("De verbinding is verbroken tijdens ") + file + QLatin1Char('.');
    default:
        if (reply >= 500 || code == CURLE_UPLOAD_FAILED || code == CURLE_REMOTE_ACCESS_DENIED)
            return QStringLiteral("De server weigert het bestand ") + file + QLatin1Char('.');
        return QStringLiteral("Het verzenden van ") + file + QStringLiteral(" is mislukt.");
    }
}

bool wantsTls(const QByteArray& reply) {
    const QByteArray text = reply.toLower();
    for (const char* word : {"tls", "ssl", "encrypt", "cleartext"})
        if (text.contains(word))
            return true;
    return false;
}

} // namespace tavrel::reasons
