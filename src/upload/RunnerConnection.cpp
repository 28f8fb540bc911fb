#include "LogCheck.h"
#include "RunnerReasons.h"
#include "RunnerSession.h"
#include "SshKeys.h"
#include "common/Windows1252.h"

#include <QCryptographicHash>
#include <QDir>
#include <QUrl>

#include <algorithm>
#include <iterator>

namespace tavrel {

namespace {

constexpr qint64 kHashBlock = 2048;

} // namespace

ScriptRunner::Session::Session(Print p, FtpLimits l)
    : print(std::move(p))
    , limits(l)
    , token(stagingToken()) {}

bool ScriptRunner::Session::judged() const {
    // The runner's own requests, and what it asks on the script's behalf
    // without the script naming it: the TLS probe, the folder's path, sizes,
    // times, listings, renames and removals.
    static const QByteArray own[] = {"AUTH", "PBSZ", "PROT", "CCC",  "PWD",  "SIZE", "MDTM",
                                     "LIST", "NLST", "RNFR", "RNTO", "DELE", "FEAT", "OPTS"};
    return !ownWork && std::find(std::begin(own), std::end(own), answering) == std::end(own);
}

int ScriptRunner::Session::onDebug(CURL*, curl_infotype type, char* bytes, size_t size,
                                   void* self) {
    auto* s = static_cast<Session*>(self);
    if (type == CURLINFO_HEADER_OUT) {
        // One command at a time: the replies that follow answer it.
        const QByteArray command = QByteArray(bytes, qsizetype(size)).trimmed();
        const qsizetype space = command.indexOf(' ');
        s->answering = (space < 0 ? command : command.left(space)).toUpper();
    } else if (type == CURLINFO_HEADER_IN) {
        s->partial.append(bytes, qsizetype(size));
        qsizetype end;
        while ((end = s->partial.indexOf('\n')) >= 0) {
            QByteArray line = s->partial.left(end);
            s->partial.remove(0, end + 1);
            if (line.endsWith('\r'))
                line.chop(1);
            if (line.startsWith("421"))
                s->saw421 = true;
            // "350 " ends a reply; "350-" goes on.
            if (line.size() > 3 && line[3] == ' ')
                s->replies << line.left(3).toInt();
            if (line.startsWith("234 "))
                s->encrypted = true;
            s->lastLine = line;
            if (s->judged())
                s->say(fromWindows1252(line));
        }
    } else if (type == CURLINFO_TEXT && !s->connected) {
        const QByteArray text(bytes, qsizetype(size));
        const QByteArray methods("SSH authentication methods available: ");
        if (text.startsWith("Connected to"))
            s->say(QStringLiteral("Verbonden met ") + s->host + QLatin1Char('.'));
        else if (text.startsWith(methods))
            s->sshMethods = QString::fromLatin1(text.mid(methods.size()).trimmed());
    }
    return 0;
}

size_t ScriptRunner::Session::onRead(char* buffer, size_t size, size_t count, void* self) {
    auto* s = static_cast<Session*>(self);
    const qsizetype room = qsizetype(size * count);
    if (room < 4) // room for a held CR and a line end
        return 0;
    qsizetype length = 0;
    do { // a piece that is only a held CR is no end: read on
        const qsizetype held = s->ascii ? s->lineEnds.held() : 0;
        const qint64 n =
            s->source.read(buffer + held, s->ascii ? s->lineEnds.readRoom(room) : room - held);
        if (n < 0) {
            s->readFailed = true;
            return CURL_READFUNC_ABORT;
        }
        s->sent += n;
        length = s->ascii ? s->lineEnds.take(buffer, qsizetype(n)) : qsizetype(n);
        if (n == 0)
            break;
    } while (length == 0);
    s->handedOver += length;
    if (s->progress && s->clock.due())
        s->progress(s->sending, s->sent, s->sourceSize, false);
    if (s->hash)
        while (s->marks < s->sent / kHashBlock) {
            ++s->marks;
            s->pendingMarks += QLatin1Char('#');
        }
    return size_t(length);
}

size_t ScriptRunner::Session::onWrite(char* bytes, size_t size, size_t count, void* self) {
    auto* s = static_cast<Session*>(self);
    // A listing is small; a server that sends without end is cut off.
    if (s->received.size() > 8 * 1024 * 1024)
        return 0;
    s->received.append(bytes, qsizetype(size * count));
    return size * count;
}

int ScriptRunner::Session::onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    // A stop cuts a transfer short, never a check or a rename of the set's
    // (short, and bounded by the limits): a rename cut short may have been
    // done all the same, and then no one could say what the website holds.
    const auto* s = static_cast<Session*>(self);
    return s->stopping && !s->hurry && !s->ownWork ? 1 : 0;
}

int ScriptRunner::Session::onHostKey(void* self, int type, const char* key, size_t length) {
    auto* s = static_cast<Session*>(self);
    s->sshKeyBytes = QByteArray(key, qsizetype(length));
    s->sshKey = sshFingerprint(s->sshKeyBytes);
    // In the order of libcurl's CURLKHTYPE_ values.
    static const char* const names[] = {"onbekend", "rsa1",  "ssh-rsa",
                                        "ssh-dss",  "ecdsa", "ssh-ed25519"};
    s->sshKeyType = QLatin1String(type >= 0 && type < 6 ? names[type] : names[0]);
    return s->sshKey.toLatin1() == s->pin ? CURLKHMATCH_OK : CURLKHMATCH_MISMATCH;
}

void useTlsVersions(CURL* handle) {
    // TLS 1.2 at most: servers that demand that every data connection resume
    // the login's session (vsftpd's default) refuse a data connection now and
    // then under TLS 1.3, whose one-use session tickets an upload's data
    // connection never reads back.
    curl_easy_setopt(handle, CURLOPT_SSLVERSION,
                     long(CURL_SSLVERSION_TLSv1_2) | long(CURL_SSLVERSION_MAX_TLSv1_2));
}

void ScriptRunner::Session::makeHandle() {
    curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, &Session::onDebug);
    curl_easy_setopt(curl, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, &Session::onRead);
    curl_easy_setopt(curl, CURLOPT_READDATA, this);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Session::onWrite);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &Session::onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(curl, CURLOPT_FTP_USE_EPSV,
                     0L); // plain passive mode, as old servers know it
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_USERNAME, user.constData());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
    if (ssh) {
        // As hosts offer it: keyboard-interactive with the password, the
        // keys of the user's agent (Pageant on Windows) and the user's own
        // key without a passphrase, and the password (in libcurl's order).
        const QString keyFile = defaultKeyFile(QDir::home().filePath(QStringLiteral(".ssh")));
        long methods = CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD | CURLSSH_AUTH_AGENT;
        if (!keyFile.isEmpty()) {
            methods |= CURLSSH_AUTH_PUBLICKEY;
            sshKeyFile = QFile::encodeName(keyFile);
            curl_easy_setopt(curl, CURLOPT_SSH_PRIVATE_KEYFILE, sshKeyFile.constData());
            curl_easy_setopt(curl, CURLOPT_SSH_PUBLIC_KEYFILE, ""); // made from the private one
        }
        curl_easy_setopt(curl, CURLOPT_SSH_AUTH_TYPES, methods);
        // The CSV files are text that compresses about tenfold.
        curl_easy_setopt(curl, CURLOPT_SSH_COMPRESSION, 1L);
        curl_easy_setopt(curl, CURLOPT_SSH_HOSTKEYFUNCTION, &Session::onHostKey);
        curl_easy_setopt(curl, CURLOPT_SSH_HOSTKEYDATA, this);
        return;
    }
    // Login and data both go encrypted once the server took AUTH TLS. A
    // trusted key stands in for the verification it failed, and then
    // TLS cannot be left out.
    curl_easy_setopt(curl, CURLOPT_FTPSSLAUTH, long(CURLFTPAUTH_TLS));
#ifdef _WIN32
    // Verified against Windows' own root store (libcurl on OpenSSL has no
    // bundle of its own there).
    curl_easy_setopt(curl, CURLOPT_SSL_OPTIONS, long(CURLSSLOPT_NATIVE_CA));
#endif
    useTlsVersions(curl);
    curl_easy_setopt(curl, CURLOPT_USE_SSL,
                     tls == Tls::Required || !pin.isEmpty() ? long(CURLUSESSL_ALL)
                     : tls == Tls::Never                    ? long(CURLUSESSL_NONE)
                                                            : long(CURLUSESSL_TRY));
    if (!pin.isEmpty()) {
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
        curl_easy_setopt(curl, CURLOPT_PINNEDPUBLICKEY, pin.constData());
    }
}

void ScriptRunner::Session::hostKeyRefused() {
    const bool changed = !pin.isEmpty();
    say(QStringLiteral("ftp: de sleutel van ") + host +
        (changed ? QStringLiteral(" is veranderd") : QStringLiteral(" is onbekend")) +
        QStringLiteral(" (") + sshKeyType + QLatin1Char(' ') + sshKey + QStringLiteral(")."));
    if (changed)
        because(QStringLiteral("De sleutel van ") + host +
                QStringLiteral(" is veranderd sinds u die vertrouwde (nu ") + sshKey +
                QStringLiteral("); de upload is geweigerd. Vraag uw hostingpartij of de "
                               "server vernieuwd is."));
    else
        because(QStringLiteral("De sleutel van ") + host + QStringLiteral(" is onbekend (") +
                sshKeyType + QLatin1Char(' ') + sshKey + QStringLiteral(")."));
    // The key itself: the program computes what it shows.
    if (notify)
        notify(changed ? Notice::ChangedCertificate : Notice::UnknownCertificate,
               sshKeyType + QLatin1Char(' ') + QString::fromLatin1(sshKeyBytes.toBase64()));
}

void ScriptRunner::Session::certificateRefused(bool changed) {
    const std::optional<Certificate> c = serverCertificate();
    const QString shown = c ? c->fingerprint : QStringLiteral("onbekend");
    const QString name = c && !c->name.isEmpty() ? oneLine(c->name) : QStringLiteral("onbekend");
    say(QStringLiteral("ftp: het certificaat van ") + host +
        (changed ? QStringLiteral(" is veranderd") : QStringLiteral(" is niet te controleren")) +
        QStringLiteral(" (uitgegeven voor ") + name + QStringLiteral(", SHA-256 ") + shown +
        QStringLiteral(")."));
    if (changed)
        because(QStringLiteral("Het certificaat van ") + host +
                QStringLiteral(" is veranderd sinds u het vertrouwde (nu SHA-256 ") + shown +
                QStringLiteral("); de upload is geweigerd. Vraag uw hostingpartij of zij het "
                               "certificaat vernieuwd heeft."));
    else
        because(QStringLiteral("Het certificaat van ") + host +
                QStringLiteral(" is niet te controleren (uitgegeven voor ") + name +
                QStringLiteral(", SHA-256 ") + shown + QStringLiteral(")."));
    // The certificate itself: the program computes what it shows.
    if (notify && c)
        notify(changed ? Notice::ChangedCertificate : Notice::UnknownCertificate,
               QString::fromLatin1(c->der.toBase64()));
}

void ScriptRunner::Session::clearTextRefused(bool byScheme) {
    // libcurl's own refusal of a server without TLS was said already.
    if (byScheme)
        say(QStringLiteral("ftp: ftp:// zet de versleuteling uit; zonder toestemming gaat er "
                           "niets onversleuteld."));
    because((byScheme ? QStringLiteral("De domeinnaam begint met ftp://, dat versleuteling uitzet")
                      : QStringLiteral("De server ") + host +
                            QStringLiteral(" biedt geen versleutelde verbinding")) +
            QStringLiteral(": uw wachtwoord en de bestanden zouden leesbaar over het internet "
                           "gaan. Zonder uw toestemming is de upload geweigerd."));
    if (notify)
        notify(Notice::InClear, byScheme ? QStringLiteral("ftp://") : QString());
}

void ScriptRunner::Session::disconnect() {
    if (curl)
        curl_easy_cleanup(curl); // says QUIT on a live connection
    curl = nullptr;
    connected = false;
}

QString ScriptRunner::Session::folderPath() const {
    QString path = absolute ? (ssh ? QString() : QStringLiteral("%2F"))
                            : (ssh ? QStringLiteral("~/") : QString());
    for (const QString& part : folder)
        path += QString::fromLatin1(QUrl::toPercentEncoding(part)) + QLatin1Char('/');
    return path;
}

QString ScriptRunner::Session::filePath(const QString& folder, const QString& name) {
    return folder + QString::fromLatin1(QUrl::toPercentEncoding(name));
}

QByteArray ScriptRunner::Session::sshPath(const QString& folder, const QString& name) {
    QString path = QUrl::fromPercentEncoding(folder.toLatin1());
    if (path.startsWith(QLatin1String("~/")))
        path = path.mid(2);
    return '"' + (path + name).toUtf8() + '"';
}

QByteArray ScriptRunner::Session::url(const QString& path) const {
    const QString h =
        host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return ((ssh ? QStringLiteral("sftp://") : QStringLiteral("ftp://")) + h + QLatin1Char(':') +
            port + QLatin1Char('/') + path)
        .toUtf8();
}

void ScriptRunner::Session::setLimits(Kind kind) {
    const long connect = hurry ? 5 : limits.connectSeconds;
    const long reply = hurry ? 5 : limits.responseSeconds;
    const long confirm = kind == Kind::Upload ? limits.confirmSeconds : reply;
    const long whole = kind == Kind::Upload ? connect + confirm + 60 + long(sourceSize / 4096)
                                            : connect + 4 * reply;
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, connect);
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, confirm);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, hurry ? 5 : limits.stallSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, whole);
}

CURLcode ScriptRunner::Session::perform(const QString& path, Kind kind,
                                        const QList<QByteArray>& commands) {
    if (!curl)
        makeHandle();
    answering.clear(); // the greeting of a new connection answers nothing
    saw421 = false;
    partial.clear();
    replies.clear();
    received.clear();
    curl_slist* quote = nullptr;
    for (const QByteArray& command : commands)
        quote = curl_slist_append(quote, command.constData());
    const QByteArray address = url(path);
    curl_easy_setopt(curl, CURLOPT_URL, address.constData());
    // FTP runs them after changing to the address's folder; SFTP names
    // whole paths, before its (empty) transfer.
    curl_easy_setopt(curl, ssh ? CURLOPT_QUOTE : CURLOPT_POSTQUOTE, quote);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, kind == Kind::Upload ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_NOBODY, kind == Kind::Nobody ? 1L : 0L);
    // Sizes are asked in binary mode, where every server gives them.
    curl_easy_setopt(curl, CURLOPT_TRANSFERTEXT, kind == Kind::Upload && ascii ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, kind == Kind::List && !ssh ? "LIST -a" : nullptr);
    if (kind == Kind::Upload)
        curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE,
                         curl_off_t(ascii ? -1 : sourceSize)); // ASCII: known at the end
    setLimits(kind);
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_setopt(curl, ssh ? CURLOPT_QUOTE : CURLOPT_POSTQUOTE, nullptr);
    curl_slist_free_all(quote);
    reply = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply);
    if (code != CURLE_OK && code != CURLE_ABORTED_BY_CALLBACK && !quiet) {
        // libcurl turns a 421 into a timeout: name the refusal itself, where
        // the script's own command met it.
        if (reply == 421 && !saw421 && !ownWork)
            say(QStringLiteral("421 Service not available, closing control connection."));
        say(QStringLiteral("ftp: ") +
            (reply == 421 ? QStringLiteral("de server weigert de verbinding")
             : ssh && code == CURLE_PEER_FAILED_VERIFICATION
                 ? QStringLiteral("de sleutel van de server is niet vertrouwd")
                 : reasons::remark(code)) +
            QLatin1Char('.'));
    }
    if (lostConnection(code))
        disconnect();
    return code;
}

bool ScriptRunner::Session::lostConnection(CURLcode code) const {
    return reasons::dropsConnection(code) || lastReply() == 421;
}

bool ScriptRunner::Session::needConnection() {
    if (!connected)
        say(QStringLiteral("Niet verbonden."));
    return connected;
}

} // namespace tavrel
