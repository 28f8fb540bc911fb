#include "ScriptRunner.h"

#include "Certificate.h"
#include "FtpAddress.h"
#include "LineEnds.h"
#include "RemoteListing.h"
#include "RunnerReasons.h"
#include "common/Progress.h"
#include "common/Windows1252.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QUrl>

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <utility>

namespace tavrel {

namespace {

constexpr qint64 kHashBlock = 2048;

// The name a file is sent under: one the website never reads.
QString stagedName(const QString& name) {
    return QLatin1Char('.') + name + QStringLiteral(".upload");
}

} // namespace

struct ScriptRunner::Session {
    Print print;
    FtpLimits limits;
    CURL* curl = nullptr;

    bool connected = false;
    QString host;
    QString port;
    QByteArray user, password;
    QStringList folder;    // the remote folder, relative to the login folder
    bool absolute = false; // ...or to the root
    bool ascii = true;
    bool hash = false;
    bool saw421 = false;
    // After a failed open, user, cd or send no file is sent: it would land in
    // a folder other than the one the script names, or make a partial set.
    bool halted = false;
    // The connection was lost during a transfer, not refused.
    bool lost = false;

    // TLS: offered (used when the server has it), required, or never.
    using Tls = FtpAddress::Tls;
    Tls tls = Tls::Offered;
    QByteArray pin;   // a key the user trusted, "sha256//..." or "SHA256:..." (SSH)
    bool ssh = false; // sftp://: SFTP over SSH instead of FTP
    QString sshKey;   // the host key the server showed, "SHA256:...", and its type
    QString sshKeyType;
    bool encrypted = false; // the server took AUTH TLS
    QByteArray lastLine;    // the server's last reply line

    // Files sent under a temporary name, put in place together at the end.
    struct Staged {
        QString folder; // the folder's path in the address
        QString name;   // its own name
    };
    QList<Staged> staged;
    bool setFailed = false; // a file of the set did not arrive whole

    std::atomic<bool> stopping{false};
    bool hurry = false; // after a stop: short limits for the clean-up

    // Upload state, read by the callbacks. The file is read a piece at a
    // time, so a large one takes no more memory than a small one.
    QFile source;
    qint64 sourceSize = 0;
    qint64 sent = 0;         // of the file's bytes
    qint64 handedOver = 0;   // to libcurl, after the line ends changed
    LineFeedPieces lineEnds; // in ASCII mode
    bool readFailed = false;
    qint64 marks = 0;
    QString sending; // the remote name of the file being sent
    ScriptRunner::Progress progress;
    ScriptRunner::Notify notify;
    bool reasonGiven = false;
    ProgressClock clock;
    QByteArray partial;   // a reply line not yet ended
    QString pendingMarks; // hash marks, printed as one line before the next reply
    QList<int> replies;   // the reply codes of the request that goes
    QByteArray received;  // a listing

    // Prints one transcript line, after any hash marks still pending.
    void say(const QString& line) {
        flushMarks();
        print(line);
    }
    void flushMarks() {
        if (!pendingMarks.isEmpty())
            print(std::exchange(pendingMarks, QString()));
    }
    // The first reason of a failure goes to the progress channel too.
    void because(const QString& reason) {
        if (reasonGiven || stopping)
            return;
        reasonGiven = true;
        if (notify)
            notify(Notice::Reason, reason);
    }

    Session(Print p, FtpLimits l)
        : print(std::move(p))
        , limits(l) {}
    ~Session() { disconnect(); }

    // --- libcurl plumbing ------------------------------------------------

    static int onDebug(CURL*, curl_infotype type, char* bytes, size_t size, void* self) {
        auto* s = static_cast<Session*>(self);
        if (type == CURLINFO_HEADER_IN) {
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
                s->say(fromWindows1252(line));
            }
        } else if (type == CURLINFO_TEXT && !s->connected &&
                   QByteArray(bytes, qsizetype(size)).startsWith("Connected to")) {
            s->say(QStringLiteral("Verbonden met ") + s->host + QLatin1Char('.'));
        }
        return 0;
    }

    // In ASCII mode every line ends in exactly one CR LF on the wire
    // (LineFeedPieces: LF line ends where libcurl adds the CR).
    static size_t onRead(char* buffer, size_t size, size_t count, void* self) {
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

    static size_t onWrite(char* bytes, size_t size, size_t count, void* self) {
        auto* s = static_cast<Session*>(self);
        // A listing is small; a server that sends without end is cut off.
        if (s->received.size() > 8 * 1024 * 1024)
            return 0;
        s->received.append(bytes, qsizetype(size * count));
        return size * count;
    }

    // libcurl asks at least once a second, also while a server is silent.
    static int onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        return static_cast<Session*>(self)->stopping && !static_cast<Session*>(self)->hurry ? 1 : 0;
    }

    // The SSH host key, as OpenSSH shows it ("SHA256:" and the unpadded
    // base64 of its hash): only the one the user trusted is accepted.
    static int onHostKey(void* self, int type, const char* key, size_t length) {
        auto* s = static_cast<Session*>(self);
        s->sshKey = QStringLiteral("SHA256:") +
                    QString::fromLatin1(QCryptographicHash::hash(QByteArray(key, qsizetype(length)),
                                                                 QCryptographicHash::Sha256)
                                            .toBase64(QByteArray::OmitTrailingEquals));
        // In the order of libcurl's CURLKHTYPE_ values.
        static const char* const names[] = {"onbekend", "rsa1",  "ssh-rsa",
                                            "ssh-dss",  "ecdsa", "ssh-ed25519"};
        s->sshKeyType = QLatin1String(type >= 0 && type < 6 ? names[type] : names[0]);
        return s->sshKey.toLatin1() == s->pin ? CURLKHMATCH_OK : CURLKHMATCH_MISMATCH;
    }

    void makeHandle() {
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
            curl_easy_setopt(curl, CURLOPT_SSH_AUTH_TYPES, long(CURLSSH_AUTH_PASSWORD));
            curl_easy_setopt(curl, CURLOPT_SSH_HOSTKEYFUNCTION, &Session::onHostKey);
            curl_easy_setopt(curl, CURLOPT_SSH_HOSTKEYDATA, this);
            return;
        }
        // Login and data both go encrypted once the server took AUTH TLS. A
        // trusted key stands in for the verification it failed, and then
        // TLS cannot be left out.
        curl_easy_setopt(curl, CURLOPT_FTPSSLAUTH, long(CURLFTPAUTH_TLS));
        curl_easy_setopt(curl, CURLOPT_USE_SSL,
                         tls == Tls::Never                        ? long(CURLUSESSL_NONE)
                         : tls == Tls::Required || !pin.isEmpty() ? long(CURLUSESSL_ALL)
                                                                  : long(CURLUSESSL_TRY));
        if (!pin.isEmpty()) {
            curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
            curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
            curl_easy_setopt(curl, CURLOPT_PINNEDPUBLICKEY, pin.constData());
        }
    }

    // The certificate the server shows, read on a connection of its own
    // that logs in as nobody: the password goes only to a trusted server.
    std::optional<Certificate> serverCertificate() {
        CURL* probe = curl_easy_init();
        const QByteArray address = url(QString());
        curl_easy_setopt(probe, CURLOPT_URL, address.constData());
        curl_easy_setopt(probe, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
        curl_easy_setopt(probe, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(probe, CURLOPT_SSL_VERIFYHOST, 0L);
        curl_easy_setopt(probe, CURLOPT_CERTINFO, 1L);
        curl_easy_setopt(probe, CURLOPT_CONNECT_ONLY, 1L);
        curl_easy_setopt(probe, CURLOPT_CONNECTTIMEOUT, limits.connectSeconds);
        curl_easy_setopt(probe, CURLOPT_SERVER_RESPONSE_TIMEOUT, limits.responseSeconds);
        curl_easy_setopt(probe, CURLOPT_TIMEOUT,
                         limits.connectSeconds + 4 * limits.responseSeconds);
        curl_easy_perform(probe);
        std::optional<Certificate> found;
        curl_certinfo* info = nullptr;
        if (curl_easy_getinfo(probe, CURLINFO_CERTINFO, &info) == CURLE_OK && info &&
            info->num_of_certs > 0)
            for (curl_slist* field = info->certinfo[0]; field && !found; field = field->next)
                if (QByteArray(field->data).startsWith("Cert:"))
                    found = readCertificate(QByteArray(field->data).mid(5));
        curl_easy_cleanup(probe);
        return found;
    }

    // An SSH server whose key is not the one trusted (or none is yet).
    void hostKeyRefused() {
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
        if (notify)
            notify(changed ? Notice::ChangedCertificate : Notice::UnknownCertificate,
                   sshKey + QLatin1Char(' ') + sshKey + QLatin1Char(' ') + sshKeyType);
    }

    // A server whose certificate did not verify, or is not the one trusted:
    // told with what the user needs to decide.
    void certificateRefused(bool changed) {
        const std::optional<Certificate> c = serverCertificate();
        const QString shown = c ? c->fingerprint : QStringLiteral("onbekend");
        const QString name = c && !c->name.isEmpty() ? c->name : QStringLiteral("onbekend");
        say(QStringLiteral("ftp: het certificaat van ") + host +
            (changed ? QStringLiteral(" is veranderd")
                     : QStringLiteral(" is niet te controleren")) +
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
        if (notify && c)
            notify(changed ? Notice::ChangedCertificate : Notice::UnknownCertificate,
                   c->fingerprint + QLatin1Char(' ') + QString::fromLatin1(c->pin) +
                       QLatin1Char(' ') + c->name);
    }

    void disconnect() {
        if (curl)
            curl_easy_cleanup(curl); // says QUIT on a live connection
        curl = nullptr;
        connected = false;
    }

    // The folder in an address: FTP's root is "%2F"; SFTP's login folder "~/".
    QString folderPath() const {
        QString path = absolute ? (ssh ? QString() : QStringLiteral("%2F"))
                                : (ssh ? QStringLiteral("~/") : QString());
        for (const QString& part : folder)
            path += QString::fromLatin1(QUrl::toPercentEncoding(part)) + QLatin1Char('/');
        return path;
    }

    // A file in the folder as SFTP commands name it: quoted, relative to the
    // login folder unless the folder is absolute.
    QByteArray sshPath(const Staged& file, const QString& name) const {
        QString path = QUrl::fromPercentEncoding(file.folder.toLatin1());
        if (path.startsWith(QLatin1String("~/")))
            path = path.mid(2);
        return '"' + (path + name).toUtf8() + '"';
    }

    QByteArray url(const QString& path) const {
        const QString h =
            host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
        return ((ssh ? QStringLiteral("sftp://") : QStringLiteral("ftp://")) + h +
                QLatin1Char(':') + port + QLatin1Char('/') + path)
            .toUtf8();
    }

    // What a request does on the session's connection: log in and change
    // folder (and ask a file's size, or run commands); send data; or list a
    // folder.
    enum class Kind { Nobody, Upload, List };

    // Every wait is bounded: a transfer by its size at a crawl, anything
    // else by a few replies.
    void setLimits(Kind kind) {
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

    CURLcode perform(const QString& path, Kind kind = Kind::Nobody,
                     const QList<QByteArray>& commands = {}) {
        if (!curl)
            makeHandle();
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
        curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST,
                         kind == Kind::List && !ssh ? "LIST -a" : nullptr);
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
            // libcurl turns a 421 into a timeout: name the refusal itself.
            if (reply == 421 && !saw421)
                say(QStringLiteral("421 Service not available, closing control connection."));
            say(QStringLiteral("ftp: ") +
                (reply == 421 ? QStringLiteral("de server weigert de verbinding")
                 : ssh && code == CURLE_PEER_FAILED_VERIFICATION
                     ? QStringLiteral("de sleutel van de server is niet vertrouwd")
                     : reasons::remark(code)) +
                QLatin1Char('.'));
        }
        if (reasons::dropsConnection(code))
            disconnect();
        return code;
    }

    bool quiet = false; // a failure that has a second way is not remarked on

    // The last reply code of the last request, kept past a dropped handle.
    long lastReply() const { return reply; }
    long reply = 0;

    bool needConnection() {
        if (!connected)
            say(QStringLiteral("Niet verbonden."));
        return connected;
    }

    // --- the set: staged, checked, put in place or removed ------------------

    // The size the server holds of a staged file, from SIZE or else from the
    // folder's listing; -1 when neither tells.
    qint64 sizeOnServer(const Staged& file) {
        const QString staged = stagedName(file.name);
        if (ssh)
            return perform(file.folder, Kind::List) == CURLE_OK
                       ? sizeInListing(received, staged.toUtf8())
                       : -1;
        const CURLcode code =
            perform(file.folder + QString::fromLatin1(QUrl::toPercentEncoding(staged)));
        curl_off_t size = -1;
        if (code == CURLE_OK)
            curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size);
        if (size >= 0 || code != CURLE_OK)
            return size;
        if (perform(file.folder, Kind::List) != CURLE_OK)
            return -1;
        return sizeInListing(received, toWindows1252(staged));
    }

    // After a transfer: the server holds what was sent. In ASCII mode a
    // server may store its own line ends, so the size with or without the
    // CRs is right, and nothing else.
    bool arrivedWhole(const Staged& file) {
        const qint64 onWire = ascii ? lineEnds.onWire(handedOver) : handedOver;
        const qint64 size = sizeOnServer(file);
        if (size == onWire || (ascii && size == onWire - lineEnds.lineFeeds())) {
            say(QStringLiteral("Gecontroleerd: %1 staat geheel op de server (%2 bytes).")
                    .arg(stagedName(file.name))
                    .arg(size));
            return true;
        }
        if (size < 0) {
            say(QStringLiteral("ftp: de grootte van ") + stagedName(file.name) +
                QStringLiteral(" op de server is niet na te gaan."));
            because(QStringLiteral("De server zegt niet of ") + file.name +
                    QStringLiteral(" geheel is aangekomen."));
        } else {
            say(QStringLiteral("ftp: %1 is niet geheel aangekomen (%2 van %3 bytes).")
                    .arg(file.name)
                    .arg(size)
                    .arg(onWire));
            because(QStringLiteral("%1 is niet geheel aangekomen: de server heeft %2 van %3 "
                                   "bytes.")
                        .arg(file.name)
                        .arg(size)
                        .arg(onWire));
        }
        return false;
    }

    // Renames one staged file over its own name. A server that will not
    // rename over an existing file gets the old one deleted first, right
    // before the rename.
    bool putInPlace(const Staged& file) {
        if (ssh) {
            const QByteArray from = sshPath(file, stagedName(file.name));
            const QByteArray to = sshPath(file, file.name);
            quiet = true;
            const CURLcode code = perform(QString(), Kind::Nobody, {"rename " + from + ' ' + to});
            quiet = false;
            if (code == CURLE_OK)
                return true;
            // Only when the staged file is there is the old one deleted.
            return !stopping && sizeOnServer(file) >= 0 &&
                   perform(QString(), Kind::Nobody, {"rm " + to, "rename " + from + ' ' + to}) ==
                       CURLE_OK;
        }
        const QByteArray from = "RNFR " + toWindows1252(stagedName(file.name));
        const QByteArray to = "RNTO " + toWindows1252(file.name);
        quiet = true;
        const CURLcode code = perform(file.folder, Kind::Nobody, {from, to});
        quiet = false;
        if (code == CURLE_OK)
            return true;
        // Without "350" the staged file itself was not found: leave the old.
        if (!replies.contains(350) || stopping)
            return false;
        return perform(file.folder, Kind::Nobody, {"DELE " + toWindows1252(file.name), from, to}) ==
               CURLE_OK;
    }

    // At the end of a connection: every file in place, or none touched.
    bool finishSet() {
        if (staged.isEmpty())
            return !setFailed;
        const QList<Staged> files = std::exchange(staged, {});
        if (!setFailed && !stopping) {
            QStringList done;
            for (int i = 0; i < files.size(); ++i) {
                if (!putInPlace(files[i])) {
                    say(QStringLiteral("ftp: ") + files[i].name +
                        QStringLiteral(" kon niet worden vervangen."));
                    because(QStringLiteral("De server weigert ") + files[i].name +
                            QStringLiteral(" te vervangen") +
                            (done.isEmpty()
                                 ? QStringLiteral(".")
                                 : QStringLiteral("; al vervangen: ") +
                                       done.join(QStringLiteral(", ")) + QLatin1Char('.')));
                    removeStaged(files.mid(i));
                    return false;
                }
                done << files[i].name;
                if (notify)
                    notify(Notice::Replaced, files[i].name);
            }
            say(QStringLiteral("Vervangen op de server: ") + done.join(QStringLiteral(", ")) +
                QLatin1Char('.'));
            return true;
        }
        removeStaged(files);
        setFailed = false;
        return false;
    }

    // Removes staged files, on a new connection when the old one is gone.
    void removeStaged(const QList<Staged>& files) {
        QStringList names;
        bool ok = true;
        for (const Staged& file : files) {
            names << stagedName(file.name);
            // 550: the server never made it.
            ok = (ssh ? perform(QString(), Kind::Nobody,
                                {"*rm " + sshPath(file, stagedName(file.name))}) == CURLE_OK
                      : perform(file.folder, Kind::Nobody,
                                {"DELE " + toWindows1252(stagedName(file.name))}) == CURLE_OK ||
                            lastReply() == 550) &&
                 ok;
        }
        say(ok ? QStringLiteral("Verwijderd van de server: ") + names.join(QStringLiteral(", ")) +
                     QStringLiteral("; de website is niet veranderd.")
               : QStringLiteral("Niet alle tijdelijke bestanden konden worden verwijderd (") +
                     names.join(QStringLiteral(", ")) +
                     QStringLiteral("); de website leest ze niet."));
    }

    // --- commands ----------------------------------------------------------

    bool open(const QStringList& args, const QStringList& lines, int& next) {
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
        const FtpAddress target = readAddress(args[0], args.size() > 1 ? args[1] : QString());
        tls = target.tls;
        ssh = target.ssh;
        if (!target.problem.isEmpty()) {
            say(QStringLiteral("ftp: ") + target.problem + QLatin1Char('.'));
            because(QStringLiteral("De domeinnaam is ongeldig: ") + target.problem +
                    QLatin1Char('.'));
            return false;
        }
        host = target.host;
        port = target.port;
        encrypted = false;
        sshKey.clear();
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
        if (ssh && !connected && !sshKey.isEmpty() && sshKey.toLatin1() != pin) {
            say(QStringLiteral("Verbinden is mislukt."));
            hostKeyRefused();
        } else if (code == CURLE_PEER_FAILED_VERIFICATION ||
                   code == CURLE_SSL_PINNEDPUBKEYNOTMATCH) {
            say(QStringLiteral("Verbinden is mislukt."));
            certificateRefused(code == CURLE_SSL_PINNEDPUBKEYNOTMATCH);
        } else if (!connected) {
            const long reply = lastReply();
            say(code == CURLE_LOGIN_DENIED || reply == 530
                    ? QStringLiteral("Aanmelden is mislukt.")
                    : QStringLiteral("Verbinden is mislukt."));
            because(tls == Tls::Never && reasons::wantsTls(lastLine)
                        ? QStringLiteral("De server ") + host +
                              QStringLiteral(" vereist een versleutelde verbinding, maar de "
                                             "domeinnaam begint met ftp://, dat versleuteling "
                                             "uitzet.")
                        : reasons::connection(code, reply, host));
        }
        return connected && setOk;
    }

    bool login(const QStringList& args, const QStringList& lines, int& next) {
        if (!needConnection())
            return false;
        if (args.isEmpty()) {
            say(QStringLiteral("Geen gebruikersnaam opgegeven."));
            return false;
        }
        user = toWindows1252(args[0]);
        password = toWindows1252(
            args.size() > 1 ? args[1] : (next < lines.size() ? lines[next++] : QString()));
        const bool setOk = finishSet();
        disconnect();
        const CURLcode code = perform(folderPath());
        connected = code == CURLE_OK;
        if (!connected)
            because(reasons::connection(code, lastReply(), host));
        return connected && setOk;
    }

    bool cd(const QString& target) {
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

    // "send LOCAL [REMOTE]". The rest of the line is the local file when it
    // names one, so a folder with spaces needs no quotes; otherwise the first
    // word (or a quoted name) is the local file and the next the remote name.
    static std::pair<QString, QString> sendArguments(const QString& rest) {
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

    bool send(const QString& rest) {
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
        handedOver = 0;
        lineEnds = LineFeedPieces();
        readFailed = false;
        sent = 0;
        marks = 0;
        sending = remote;
        if (progress)
            progress(remote, 0, sourceSize, false);
        const Staged target{folderPath(), remote};
        staged << target;
        QElapsedTimer timer;
        timer.start();
        const CURLcode code = perform(
            target.folder + QString::fromLatin1(QUrl::toPercentEncoding(stagedName(remote))),
            Kind::Upload);
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
        if (!arrivedWhole(target)) {
            setFailed = true;
            lost = !curl;
            connected = curl != nullptr;
            return false;
        }
        if (progress)
            progress(remote, sourceSize, sourceSize, true);
        return true;
    }

    bool close() {
        // After a lost transfer there is nothing to close, and no refusal.
        if (!lost && !needConnection())
            return false;
        const bool setOk = finishSet();
        disconnect();
        lost = false;
        return setOk;
    }
};

ScriptRunner::ScriptRunner(Print print, FtpLimits limits)
    : s_(std::make_unique<Session>(std::move(print), limits)) {}

ScriptRunner::~ScriptRunner() = default;

void ScriptRunner::setProgress(Progress progress) {
    s_->progress = std::move(progress);
}

void ScriptRunner::setNotify(Notify notify) {
    s_->notify = std::move(notify);
}

void ScriptRunner::trustKey(const QByteArray& pin) {
    s_->pin = pin;
}

void ScriptRunner::stop() {
    s_->stopping = true;
}

int ScriptRunner::run(const QStringList& lines) {
    bool allOk = true;
    for (int next = 0; next < lines.size() && !s_->stopping;) {
        const QString line = lines[next++].trimmed();
        if (line.isEmpty())
            continue;
        QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const QString command = words.takeFirst().toLower();
        bool ok = true;
        if (command == QLatin1String("open")) {
            ok = s_->open(words, lines, next);
            s_->halted = s_->halted || !ok;
        } else if (command == QLatin1String("user")) {
            ok = s_->login(words, lines, next);
            s_->halted = s_->halted || !ok;
        } else if (command == QLatin1String("hash")) {
            s_->hash = !s_->hash;
            s_->say(s_->hash ? QStringLiteral("Hash-markering aan (2048 bytes per #).")
                             : QStringLiteral("Hash-markering uit."));
        } else if (command == QLatin1String("ascii") || command == QLatin1String("binary")) {
            s_->ascii = command == QLatin1String("ascii");
            s_->say(QStringLiteral("Overdrachtstype ") + command + QLatin1Char('.'));
        } else if (command == QLatin1String("cd")) {
            // A folder name may hold spaces: it is the rest of the line.
            ok = s_->cd(line.mid(2).trimmed());
            s_->halted = s_->halted || !ok;
        } else if (command == QLatin1String("send") || command == QLatin1String("put")) {
            ok = s_->send(line.mid(command.size()).trimmed());
            s_->halted = s_->halted || !ok;
        } else if (command == QLatin1String("close") || command == QLatin1String("disconnect")) {
            ok = s_->close();
        } else if (command == QLatin1String("bye") || command == QLatin1String("quit")) {
            break;
        } else {
            s_->say(QStringLiteral("Ongeldige opdracht: ") + command);
            ok = false;
        }
        allOk = allOk && ok;
    }
    if (s_->stopping) {
        s_->say(QStringLiteral("Gestopt."));
        s_->hurry = true;
        allOk = false;
    }
    allOk = s_->finishSet() && allOk;
    s_->disconnect();
    return allOk ? 0 : 1;
}

} // namespace tavrel
