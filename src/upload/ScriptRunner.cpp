#include "ScriptRunner.h"

#include "common/Progress.h"
#include "common/Windows1252.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QUrl>

#include <curl/curl.h>

#include <algorithm>
#include <optional>
#include <utility>

namespace tavrel {

namespace {

constexpr qint64 kHashBlock = 2048;

// Errors after which the control connection is gone.
bool dropsConnection(CURLcode code) {
    switch (code) {
    case CURLE_OK:
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_UPLOAD_FAILED:
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_QUOTE_ERROR:
    case CURLE_READ_ERROR:
        return false;
    default:
        return true;
    }
}

// libcurl's reason for a failed request, in the transcript's language.
QString reason(CURLcode code) {
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
    default:
        // libcurl's own texts are English: name the code instead.
        return QStringLiteral("fout %1 in de FTP-verbinding").arg(int(code));
    }
}

// "host", "host:port", "[v6]:port" or a bare IPv6 address, as typed in the
// domain; the port after "open HOST" wins over one in the name.
struct HostPort {
    QString host;
    QString port;
    QString problem; // why the text is no host, in Dutch; empty when it is one
};

HostPort splitHost(const QString& text, const QString& portWord) {
    HostPort hp{text, portWord, {}};
    std::optional<QString> named; // a port written in the name, even an empty one
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        const QString rest = close < 0 ? QString() : text.mid(close + 1);
        if (close < 0 || (!rest.isEmpty() && !rest.startsWith(QLatin1Char(':')))) {
            hp.problem = QStringLiteral("ongeldige domeinnaam: ") + text;
            return hp;
        }
        hp.host = text.mid(1, close - 1);
        if (!rest.isEmpty())
            named = rest.mid(1);
    } else if (text.count(QLatin1Char(':')) == 1) {
        hp.host = text.section(QLatin1Char(':'), 0, 0);
        named = text.section(QLatin1Char(':'), 1);
    }
    if (hp.host.isEmpty()) {
        hp.problem = QStringLiteral("ongeldige domeinnaam: ") + text;
        return hp;
    }
    if (hp.port.isEmpty())
        hp.port = named.value_or(QStringLiteral("21"));
    bool ok = false;
    const int number = hp.port.toInt(&ok);
    if (!ok || number < 1 || number > 65535 || !hp.port.front().isDigit())
        hp.problem = QStringLiteral("ongeldige poort: ") + hp.port;
    return hp;
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
    // After a failed open, user or cd no file is sent: it would land in a
    // folder other than the one the script names.
    bool halted = false;

    // Upload state, read by the callbacks.
    QByteArray data;
    qint64 sent = 0;
    qint64 marks = 0;
    QString sending; // the remote name of the file being sent
    ScriptRunner::Progress progress;
    ProgressClock clock;
    QByteArray partial;   // a reply line not yet ended
    QString pendingMarks; // hash marks, printed as one line before the next reply

    // Prints one transcript line, after any hash marks still pending.
    void say(const QString& line) {
        flushMarks();
        print(line);
    }
    void flushMarks() {
        if (!pendingMarks.isEmpty())
            print(std::exchange(pendingMarks, QString()));
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
                s->say(fromWindows1252(line));
            }
        } else if (type == CURLINFO_TEXT && !s->connected &&
                   QByteArray(bytes, qsizetype(size)).startsWith("Connected to")) {
            s->say(QStringLiteral("Verbonden met ") + s->host + QLatin1Char('.'));
        }
        return 0;
    }

    static size_t onRead(char* buffer, size_t size, size_t count, void* self) {
        auto* s = static_cast<Session*>(self);
        const qint64 n = std::min<qint64>(qint64(size * count), s->data.size() - s->sent);
        std::copy_n(s->data.constData() + s->sent, n, buffer);
        s->sent += n;
        if (s->progress && s->clock.due())
            s->progress(s->sending, s->sent, s->data.size(), false);
        if (s->hash)
            while (s->marks < s->sent / kHashBlock) {
                ++s->marks;
                s->pendingMarks += QLatin1Char('#');
            }
        return size_t(n);
    }

    void makeHandle() {
        curl = curl_easy_init();
        curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
        curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, &Session::onDebug);
        curl_easy_setopt(curl, CURLOPT_DEBUGDATA, this);
        curl_easy_setopt(curl, CURLOPT_READFUNCTION, &Session::onRead);
        curl_easy_setopt(curl, CURLOPT_READDATA, this);
        curl_easy_setopt(curl, CURLOPT_FTP_USE_EPSV,
                         0L); // plain passive mode, as old servers know it
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, limits.connectSeconds);
        curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, limits.responseSeconds);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, limits.stallSeconds);
        curl_easy_setopt(curl, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
    }

    void disconnect() {
        if (curl)
            curl_easy_cleanup(curl); // says QUIT on a live connection
        curl = nullptr;
        connected = false;
    }

    QString folderPath() const {
        QString path = absolute ? QStringLiteral("%2F") : QString();
        for (const QString& part : folder)
            path += QString::fromLatin1(QUrl::toPercentEncoding(part)) + QLatin1Char('/');
        return path;
    }

    QByteArray url(const QString& path) const {
        const QString h =
            host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
        return (QStringLiteral("ftp://") + h + QLatin1Char(':') + port + QLatin1Char('/') + path)
            .toUtf8();
    }

    // One request on the session's connection: NOBODY requests log in and
    // change folder only; uploads send data.
    CURLcode perform(const QString& path, bool upload) {
        if (!curl)
            makeHandle();
        saw421 = false;
        partial.clear();
        const QByteArray address = url(path);
        curl_easy_setopt(curl, CURLOPT_URL, address.constData());
        curl_easy_setopt(curl, CURLOPT_UPLOAD, upload ? 1L : 0L);
        curl_easy_setopt(curl, CURLOPT_NOBODY, upload ? 0L : 1L);
        curl_easy_setopt(curl, CURLOPT_TRANSFERTEXT, ascii ? 1L : 0L);
        if (upload)
            curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, curl_off_t(data.size()));
        const CURLcode code = curl_easy_perform(curl);
        if (code != CURLE_OK) {
            long reply = 0;
            curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply);
            // libcurl turns a 421 into a timeout: name the refusal itself.
            if (reply == 421 && !saw421)
                say(QStringLiteral("421 Service not available, closing control connection."));
            say(QStringLiteral("ftp: ") +
                (reply == 421 ? QStringLiteral("de server weigert de verbinding") : reason(code)) +
                QLatin1Char('.'));
        }
        if (dropsConnection(code))
            disconnect();
        return code;
    }

    bool needConnection() {
        if (!connected)
            say(QStringLiteral("Niet verbonden."));
        return connected;
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
        disconnect();
        folder.clear();
        absolute = false;
        const HostPort target = splitHost(args[0], args.size() > 1 ? args[1] : QString());
        if (!target.problem.isEmpty()) {
            say(QStringLiteral("ftp: ") + target.problem + QLatin1Char('.'));
            return false;
        }
        host = target.host;
        port = target.port;
        connected = perform(QString(), false) == CURLE_OK;
        if (!connected)
            say(QStringLiteral("Aanmelden is mislukt."));
        return connected;
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
        disconnect();
        connected = perform(folderPath(), false) == CURLE_OK;
        return connected;
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
        if (perform(folderPath(), false) != CURLE_OK) {
            folder = before;
            absolute = beforeRoot;
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
        if (!needConnection())
            return false;
        if (rest.isEmpty()) {
            say(QStringLiteral("Geen lokaal bestand opgegeven."));
            return false;
        }
        const auto [local, remote] = sendArguments(rest);
        if (halted) {
            say(QStringLiteral("Niet verzonden: ") + remote +
                QStringLiteral(" (een eerdere opdracht is mislukt)."));
            return false;
        }
        QFile file(local);
        if (!file.open(QIODevice::ReadOnly)) {
            say(QStringLiteral("Lokaal bestand kan niet worden geopend: ") + local);
            return false;
        }
        data = file.readAll();
        // In ASCII mode libcurl puts CR before every LF: hand it LF line ends
        // so that every line ends in exactly one CR LF on the wire.
        if (ascii)
            data.replace("\r\n", "\n");
        sent = 0;
        marks = 0;
        sending = remote;
        if (progress)
            progress(remote, 0, data.size(), false);
        QElapsedTimer timer;
        timer.start();
        const CURLcode code =
            perform(folderPath() + QString::fromLatin1(QUrl::toPercentEncoding(remote)), true);
        const double seconds = std::max(timer.nsecsElapsed() / 1e9, 0.001);
        flushMarks();
        if (code != CURLE_OK)
            return false;
        if (progress)
            progress(remote, data.size(), data.size(), true);
        const QLocale dutch(QLocale::Dutch, QLocale::Netherlands);
        say(QStringLiteral("ftp: %1 bytes verzonden in %2seconden %3kB/s.")
                .arg(file.size())
                .arg(dutch.toString(seconds, 'f', 2),
                     dutch.toString(file.size() / 1024.0 / seconds, 'f', 2)));
        return true;
    }

    bool close() {
        if (!needConnection())
            return false;
        disconnect();
        return true;
    }
};

ScriptRunner::ScriptRunner(Print print, FtpLimits limits)
    : s_(std::make_unique<Session>(std::move(print), limits)) {}

ScriptRunner::~ScriptRunner() = default;

void ScriptRunner::setProgress(Progress progress) {
    s_->progress = std::move(progress);
}

int ScriptRunner::run(const QStringList& lines) {
    bool allOk = true;
    for (int next = 0; next < lines.size();) {
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
        } else if (command == QLatin1String("close") || command == QLatin1String("disconnect")) {
            ok = s_->close();
        } else if (command == QLatin1String("bye") || command == QLatin1String("quit")) {
            s_->disconnect();
            break;
        } else {
            s_->say(QStringLiteral("Ongeldige opdracht: ") + command);
            ok = false;
        }
        allOk = allOk && ok;
    }
    s_->disconnect();
    return allOk ? 0 : 1;
}

} // namespace tavrel
