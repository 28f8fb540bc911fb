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
#include "common/Progress.h"

#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

#include <curl/curl.h>

#include <atomic>
#include <optional>
#include <utility>

namespace tavrel {

// The name a file is sent under: one the website never reads.
inline QString stagedName(const QString& name) {
    return QLatin1Char('.') + name + QStringLiteral(".upload");
}

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

    // The certificate the server shows, read on a connection of its own
    // that logs in as nobody: the password goes only to a trusted server.
    std::optional<Certificate> serverCertificate();

    // An SSH server whose key is not the one trusted (or none is yet).
    void hostKeyRefused();

    // A server whose certificate did not verify, or is not the one trusted:
    // told with what the user needs to decide.
    void certificateRefused(bool changed);

    void disconnect();

    // The folder in an address: FTP's root is "%2F"; SFTP's login folder "~/".
    QString folderPath() const;

    // A file in the folder as SFTP commands name it: quoted, relative to the
    // login folder unless the folder is absolute.
    QByteArray sshPath(const Staged& file, const QString& name) const;

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

    // --- the set: staged, checked, put in place or removed ------------------

    // The size the server holds of a staged file, from SIZE or else from the
    // folder's listing; -1 when neither tells.
    qint64 sizeOnServer(const Staged& file);

    // After a transfer: the server holds what was sent. In ASCII mode a
    // server may store its own line ends, so the size with or without the
    // CRs is right, and nothing else.
    bool arrivedWhole(const Staged& file);

    // Renames one staged file over its own name. A server that will not
    // rename over an existing file gets the old one deleted first, right
    // before the rename.
    bool putInPlace(const Staged& file);

    // At the end of a connection: every file in place, or none touched.
    bool finishSet();

    // Removes staged files, on a new connection when the old one is gone.
    void removeStaged(const QList<Staged>& files);

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
