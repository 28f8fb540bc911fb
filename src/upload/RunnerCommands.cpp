#include "LogCheck.h"
#include "RunnerReasons.h"
#include "RunnerSession.h"
#include "common/Windows1252.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QUrl>

#include <algorithm>

namespace tavrel {

bool ScriptRunner::Session::open(const QStringList& args, const QStringList& lines, int& next) {
    // The two lines after "open" answer the login prompts, whatever
    // becomes of the connection.
    user = toWindows1252(next < lines.size() ? lines[next++] : QString());
    password = toWindows1252(next < lines.size() ? lines[next++] : QString());
    if (args.isEmpty()) {
        say(QStringLiteral("Geen host opgegeven."));
        return false;
    }
    const bool setOk = finishSet();
    disconnect();
    folder.clear();
    absolute = false;
    lost = false;
    const Result<FtpAddress> target = readAddress(args[0], args.size() > 1 ? args[1] : QString());
    if (!target) {
        say(QStringLiteral("ftp: ") + target.why() + QLatin1Char('.'));
        because(QStringLiteral("De domeinnaam is ongeldig: ") + target.why() + QLatin1Char('.'));
        return false;
    }
    ssh = target->ssh;
    // A host that spoke TLS, or whose key the user trusted, keeps TLS,
    // whatever the scheme says. Any other goes in clear only with the
    // user's consent: until then TLS is required, and ftp:// is refused.
    const bool keepsTls = !ssh && (tlsRemembered || !pin.isEmpty());
    const bool needsConsent = !ssh && !keepsTls && !clearTextAllowed;
    tls = keepsTls || (needsConsent && target->tls == Tls::Offered) ? Tls::Required : target->tls;
    host = target->host;
    port = target->port;
    encrypted = false;
    sshKey.clear();
    sshMethods.clear();
    if (needsConsent && tls == Tls::Never) {
        clearTextRefused(true);
        return false;
    }
    CURLcode code = perform(QString());
    if (code == CURLE_SSL_PINNEDPUBKEYNOTMATCH) {
        // Not the key the user trusted: a certificate the system's store
        // verifies is good all the same (the host may have a proper one
        // now). TLS stays required: this host had it.
        const QByteArray trusted = std::exchange(pin, {});
        tls = Tls::Required;
        code = perform(QString());
        if (code == CURLE_PEER_FAILED_VERIFICATION)
            code = CURLE_SSL_PINNEDPUBKEYNOTMATCH;
        pin = trusted;
        if (code == CURLE_OK)
            pin.clear(); // this session goes on verified
    }
    connected = code == CURLE_OK;
    if (connected)
        say(ssh         ? QStringLiteral("De verbinding is versleuteld (SSH).")
            : encrypted ? QStringLiteral("De verbinding is versleuteld (TLS).")
                        : QStringLiteral("De verbinding is niet versleuteld."));
    if (connected && encrypted && !ssh && notify)
        notify(Notice::Encrypted, {});
    if (ssh && !connected && !sshKey.isEmpty() && sshKey.toLatin1() != pin) {
        say(QStringLiteral("Verbinden is mislukt."));
        hostKeyRefused();
    } else if (code == CURLE_PEER_FAILED_VERIFICATION || code == CURLE_SSL_PINNEDPUBKEYNOTMATCH) {
        say(QStringLiteral("Verbinden is mislukt."));
        certificateRefused(code == CURLE_SSL_PINNEDPUBKEYNOTMATCH);
    } else if (code == CURLE_USE_SSL_FAILED && needsConsent) {
        say(QStringLiteral("Verbinden is mislukt."));
        clearTextRefused(false);
    } else if (!connected) {
        const long reply = lastReply();
        say(code == CURLE_LOGIN_DENIED || reply == 530 ? QStringLiteral("Aanmelden is mislukt.")
                                                       : QStringLiteral("Verbinden is mislukt."));
        because(tls == Tls::Never && reasons::wantsTls(lastLine)
                    ? QStringLiteral("De server ") + host +
                          QStringLiteral(" vereist een versleutelde verbinding, maar de "
                                         "domeinnaam begint met ftp://, dat versleuteling "
                                         "uitzet.")
                : ssh && code == CURLE_LOGIN_DENIED && !sshMethods.isEmpty() &&
                        !sshMethods.contains(QLatin1String("password")) &&
                        !sshMethods.contains(QLatin1String("keyboard-interactive"))
                    ? QStringLiteral("De server ") + host +
                          QStringLiteral(" laat alleen aanmelden toe met: ") + oneLine(sshMethods) +
                          QStringLiteral(". Het programma vond geen sleutel die de server "
                                         "aanneemt: niet in de SSH-agent, en niet zonder "
                                         "wachtwoord in ~/.ssh (id_ed25519, id_ecdsa of "
                                         "id_rsa).")
                : code == CURLE_USE_SSL_FAILED && target->tls != Tls::Required
                    ? QStringLiteral("De server ") + host +
                          QStringLiteral(" biedt geen versleutelde verbinding meer, terwijl "
                                         "die er eerder was: de upload is geweigerd, zodat "
                                         "uw wachtwoord niet leesbaar over het internet "
                                         "gaat. Vraag uw hostingpartij wat er veranderd is; "
                                         "het kan ook iemand tussen u en de server zijn.")
                    : reasons::connection(code, reply, host));
    }
    return connected && setOk;
}

bool ScriptRunner::Session::login(const QStringList& args, const QStringList& lines, int& next) {
    if (!needConnection())
        return false;
    if (args.isEmpty()) {
        say(QStringLiteral("Geen gebruikersnaam opgegeven."));
        return false;
    }
    user = toWindows1252(args[0]);
    password = toWindows1252(args.size() > 1 ? args[1]
                                             : (next < lines.size() ? lines[next++] : QString()));
    const bool setOk = finishSet();
    disconnect();
    const CURLcode code = perform(folderPath());
    connected = code == CURLE_OK;
    if (!connected)
        because(reasons::connection(code, lastReply(), host));
    return connected && setOk;
}

bool ScriptRunner::Session::cd(const QString& target) {
    if (!needConnection())
        return false;
    if (target.isEmpty())
        return true; // no folder named: stay where we are
    QStringList parts = folder;
    bool toRoot = absolute;
    if (target.startsWith(QLatin1Char('/'))) {
        parts.clear();
        toRoot = true;
    }
    for (const QString& p : target.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (p == QLatin1String(".."))
            parts.isEmpty() ? void() : parts.removeLast();
        else if (p != QLatin1String("."))
            parts << p;
    }
    const QStringList before = folder;
    const bool beforeRoot = absolute;
    folder = parts;
    absolute = toRoot;
    // SFTP checks a folder only by reading it.
    const CURLcode code = perform(folderPath(), ssh ? Kind::List : Kind::Nobody);
    if (code != CURLE_OK) {
        folder = before;
        absolute = beforeRoot;
        because(code == CURLE_REMOTE_ACCESS_DENIED || code == CURLE_REMOTE_FILE_NOT_FOUND
                    ? QStringLiteral("De map \"") + target +
                          QStringLiteral("\" bestaat niet op de server (of is niet "
                                         "toegankelijk): controleer de FTP-map.")
                    : reasons::connection(code, lastReply(), host));
        return false;
    }
    return true;
}

std::pair<QString, QString> ScriptRunner::Session::sendArguments(const QString& rest) {
    if (QFileInfo(rest).isFile())
        return {rest, QFileInfo(rest).fileName()};
    QString local, remote;
    if (rest.startsWith(QLatin1Char('"'))) {
        const qsizetype close = rest.indexOf(QLatin1Char('"'), 1);
        local = rest.mid(1, close < 0 ? -1 : close - 1);
        remote = close < 0 ? QString() : rest.mid(close + 1).trimmed();
    } else {
        local = rest.section(QLatin1Char(' '), 0, 0);
        remote = rest.section(QLatin1Char(' '), 1).trimmed();
    }
    if (remote.startsWith(QLatin1Char('"')) && remote.endsWith(QLatin1Char('"')) &&
        remote.size() > 1)
        remote = remote.mid(1, remote.size() - 2);
    return {local, remote.isEmpty() ? QFileInfo(local).fileName() : remote};
}

bool ScriptRunner::Session::send(const QString& rest) {
    if (rest.isEmpty()) {
        say(QStringLiteral("Geen lokaal bestand opgegeven."));
        setFailed = true;
        return false;
    }
    const auto [local, remote] = sendArguments(rest);
    if (halted && (connected || lost)) {
        say(QStringLiteral("Niet verzonden: ") + remote +
            QStringLiteral(" (een eerdere opdracht is mislukt)."));
        setFailed = true;
        return false;
    }
    if (!needConnection())
        return false;
    source.close();
    source.setFileName(local);
    if (!source.open(QIODevice::ReadOnly)) {
        say(QStringLiteral("Lokaal bestand kan niet worden geopend: ") + local);
        because(QStringLiteral("Het bestand ") + local +
                QStringLiteral(" kan niet worden gelezen."));
        setFailed = true;
        return false;
    }
    sourceSize = source.size();
    Staged target{folderPath(), remote, -1, {}, {}};
    if (unchangedSince(target, local)) {
        source.close();
        say(QStringLiteral("ongewijzigd, niet opnieuw verzonden: ") + remote);
        if (progress)
            progress(remote, sourceSize, sourceSize, true);
        return true;
    }
    handedOver = 0;
    lineEnds = LineFeedPieces();
    readFailed = false;
    sent = 0;
    marks = 0;
    sending = remote;
    if (progress)
        progress(remote, 0, sourceSize, false);
    staged << target;
    QElapsedTimer timer;
    timer.start();
    const CURLcode code = perform(filePath(target.folder, stagedName(remote)), Kind::Upload);
    const double seconds = std::max(timer.nsecsElapsed() / 1e9, 0.001);
    flushMarks();
    source.close();
    if (code != CURLE_OK) {
        if (readFailed)
            because(QStringLiteral("Het bestand ") + local +
                    QStringLiteral(" kan niet worden gelezen."));
        else if (code != CURLE_ABORTED_BY_CALLBACK)
            because(reasons::sending(code, lastReply(), remote));
        setFailed = true;
        lost = !curl;
        connected = curl != nullptr;
        return false;
    }
    const QLocale dutch(QLocale::Dutch, QLocale::Netherlands);
    say(QStringLiteral("ftp: %1 bytes verzonden in %2seconden %3kB/s.")
            .arg(sourceSize)
            .arg(dutch.toString(seconds, 'f', 2),
                 dutch.toString(sourceSize / 1024.0 / seconds, 'f', 2)));
    if (!arrivedWhole(staged.last())) {
        setFailed = true;
        lost = !curl;
        connected = curl != nullptr;
        return false;
    }
    if (progress)
        progress(remote, sourceSize, sourceSize, true);
    return true;
}

bool ScriptRunner::Session::close() {
    // After a lost transfer there is nothing to close, and no refusal.
    if (!lost && !needConnection())
        return false;
    const bool setOk = finishSet();
    disconnect();
    lost = false;
    return setOk;
}

} // namespace tavrel
