#pragma once

// The state of one script run, and what it does: defined in
// RunnerConnection.cpp (libcurl's handle, its requests and callbacks, the
// server's key or certificate), RunnerSet.cpp (the files staged on the
// server, checked, put in place together or removed) and RunnerCommands.cpp
// (the script's commands). ScriptRunner.cpp reads the script.
#include "Certificate.h"
#include "FtpAddress.h"
#include "LineEnds.h"
#include "ScriptRunner.h"
#include "SentRecord.h"
#include "common/Progress.h"

#include <QDateTime>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

#include <curl/curl.h>

#include <atomic>
#include <optional>
#include <utility>

namespace tavrel {

// The TLS versions of every connection the runner makes (RunnerConnection.cpp).
void useTlsVersions(CURL* handle);

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
    bool tlsRemembered = false;    // the host spoke TLS before: it must now
    bool clearTextAllowed = false; // the user consented to plain FTP
    QByteArray pin;                // a key the user trusted, "sha256//..." or "SHA256:..." (SSH)
    bool ssh = false;              // sftp://: SFTP over SSH instead of FTP
    QString sshKey;                // the host key the server showed, "SHA256:...", and its type
    QString sshKeyType;
    QByteArray sshKeyBytes;
    QByteArray sshKeyFile;  // the user's key libcurl offers
    QString sshMethods;     // how the server lets one log in ("publickey,password")
    bool encrypted = false; // the server took AUTH TLS
    QByteArray lastLine;    // the server's last reply line

    // Only the replies to the script's own commands go to the transcript,
    // which the program judges: what the runner does beyond the script it
    // says in its own words, so no reply of those can read as a refusal.
    bool ownWork = false; // a request of the runner's own
    QByteArray answering; // the command the replies now coming answer
    bool judged() const;  // whether they go to the transcript

    // Files sent under a temporary name, put in place together at the end.
    // The name is the run's own (".tijden.csv.3f9a0c1d2e4b.upload"): no
    // other upload, from this computer or another, writes into it, and the
    // website never reads it.
    QString token;
    // The name part of an upload that never ended (its program was killed):
    // its leftovers go whatever their age.
    QString abandoned;
    QString stagedName(const QString& name) const {
        return QLatin1Char('.') + name + QLatin1Char('.') + token + QStringLiteral(".upload");
    }
    // Where the old file waits while the new one takes its name, on a server
    // that will not rename over a file.
    QString asideName(const QString& name) const {
        return QLatin1Char('.') + name + QLatin1Char('.') + token + QStringLiteral(".old");
    }
    QStringList movedAside; // old files not back under their name
    struct Staged {
        QString folder;         // the folder's path in the address
        QString name;           // its own name
        qint64 size = -1;       // on the server, once checked
        QString recordKey;      // where the sent record keeps it, if it keeps any
        SentRecord::Sent local; // its SHA-256 and size here
    };
    QList<Staged> staged;
    // What was put in place before (a file of the program's data folder):
    // a file unchanged here and on the server since is not sent again.
    QString recordPath;
    SentRecord record;
    // Whether a file of the record is unchanged here and on the server: it
    // then counts as sent. Its record key and SHA-256 are made either way.
    bool unchangedSince(Staged& file, const QString& local);
    // The server's size and modification time of a file, if it tells both.
    std::optional<std::pair<qint64, qint64>> stampOnServer(const QString& folder,
                                                           const QString& name);
    // Records the files put in place, as the server now has them.
    void recordPlaced(const QList<Staged>& files);
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

    Session(Print p, FtpLimits l);
    ~Session() { disconnect(); }

    // --- libcurl plumbing ------------------------------------------------

    static int onDebug(CURL*, curl_infotype type, char* bytes, size_t size, void* self);

    // In ASCII mode every line ends in exactly one CR LF on the wire
    // (LineFeedPieces: LF line ends where libcurl adds the CR).
    static size_t onRead(char* buffer, size_t size, size_t count, void* self);

    static size_t onWrite(char* bytes, size_t size, size_t count, void* self);

    // libcurl asks at least once a second, also while a server is silent.
    static int onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

    // The SSH host key, as OpenSSH shows it ("SHA256:" and the unpadded
    // base64 of its hash): only the one the user trusted is accepted.
    static int onHostKey(void* self, int type, const char* key, size_t length);

    void makeHandle();

    // The certificate the server shows, read in the handshake of a
    // connection of its own that ends there (RunnerProbe.cpp): the password,
    // and even a user name, go only to a trusted server.
    std::optional<Certificate> serverCertificate();

    // An SSH server whose key is not the one trusted (or none is yet).
    void hostKeyRefused();

    // A server whose certificate did not verify, or is not the one trusted:
    // told with what the user needs to decide.
    void certificateRefused(bool changed);

    // A host the password would reach in clear, without the user's consent:
    // one that offers no TLS, or a domain with ftp://.
    void clearTextRefused(bool byScheme);

    void disconnect();

    // The folder in an address: FTP's root is "%2F"; SFTP's login folder "~/".
    QString folderPath() const;
    // A file of a folder in an address.
    static QString filePath(const QString& folder, const QString& name);

    // A file in the folder as SFTP commands name it: quoted, relative to the
    // login folder unless the folder is absolute.
    static QByteArray sshPath(const QString& folder, const QString& name);

    QByteArray url(const QString& path) const;

    // What a request does on the session's connection: log in and change
    // folder (and ask a file's size, or run commands); send data; or list a
    // folder.
    enum class Kind { Nobody, Upload, List };

    // Every wait is bounded: a transfer by its size at a crawl, anything
    // else by a few replies.
    void setLimits(Kind kind);

    CURLcode perform(const QString& path, Kind kind = Kind::Nobody,
                     const QList<QByteArray>& commands = {});

    bool quiet = false; // a failure that has a second way is not remarked on

    // The last reply code of the last request, kept past a dropped handle.
    long lastReply() const { return reply; }
    long reply = 0;

    bool needConnection();

    // The control connection is gone (or going: 421), not a refusal.
    bool lostConnection(CURLcode code) const;

    // --- the set: staged, checked, put in place or removed ------------------

    // Marks the requests made while it lives as the runner's own.
    struct OwnWork {
        explicit OwnWork(Session& session)
            : s(session)
            , was(std::exchange(session.ownWork, true)) {}
        ~OwnWork() { s.ownWork = was; }
        Session& s;
        bool was;
    };

    // The size the server holds of a file in a folder, from SIZE or else
    // from the folder's listing; -1 when neither tells (or it is not there).
    qint64 sizeOnServer(const QString& folder, const QString& name);

    // After a transfer: the server holds what was sent. In ASCII mode a
    // server may store its own line ends, so the size with or without the
    // CRs is right, and nothing else.
    bool arrivedWhole(Staged& file);

    // One rename or removal in a folder, on the runner's own account.
    CURLcode renameOnServer(const QString& folder, const QString& from, const QString& to);
    CURLcode removeOnServer(const QString& folder, const QString& name);

    // Renames one staged file over its own name. Where the server will not
    // rename over an existing file, the old one is moved aside first, and
    // back when the new one still cannot take its name. After a lost
    // connection (retry) a staged file that is gone while its own name holds
    // its size was renamed already.
    enum class Put { Done, Refused, Lost };
    Put putInPlace(const Staged& file, bool retry);
    // ...opening the connection again after a loss, a few times.
    Put rename(const Staged& file);

    // At the end of a connection: every file in place, or none touched. Once
    // every file arrived whole the renames go on after a lost connection;
    // only a refusal, a connection that stays lost or a stop leaves some
    // files old, and then the reason names exactly which.
    bool finishSet();

    // Removes staged files, on a new connection when the old one is gone;
    // changed: some files of the set are in place already.
    void removeStaged(const QList<Staged>& files, bool changed);

    // Staged files (and old ones moved aside) that an earlier upload left in
    // a folder (stopped by a kill, or a connection that stayed lost): those
    // of the abandoned upload, and others once a day old. The program's own
    // naming only, and never a younger one of another upload, which may be
    // going on now from another computer.
    void sweepLeftovers(const QString& folder);

    // When the server last changed a file (MDTM, or SFTP's attributes);
    // invalid when it does not say.
    QDateTime modifiedOnServer(const QString& folder, const QString& name);

    // --- commands ----------------------------------------------------------

    bool open(const QStringList& args, const QStringList& lines, int& next);

    bool login(const QStringList& args, const QStringList& lines, int& next);

    bool cd(const QString& target);

    // "send LOCAL [REMOTE]". The rest of the line is the local file when it
    // names one, so a folder with spaces needs no quotes; otherwise the first
    // word (or a quoted name) is the local file and the next the remote name.
    static std::pair<QString, QString> sendArguments(const QString& rest);

    bool send(const QString& rest);

    bool close();
};

} // namespace tavrel
