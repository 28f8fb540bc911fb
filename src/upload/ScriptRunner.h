#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace tavrel {

// Twelve hexadecimal digits no other upload shares: the part of the staged
// files' names that is the upload's own (".tijden.csv.3f9a0c1d2e4b.upload").
QString stagingToken();
bool isStagingToken(const QString& text);

// Limits that keep a dead or stalled server from hanging the upload.
struct FtpLimits {
    long connectSeconds = 20;  // to open the connection
    long responseSeconds = 30; // for each reply of the server
    long stallSeconds = 30;    // a transfer slower than 1 byte/s this long is given up
    long confirmSeconds = 120; // for the word that a file arrived: a host may scan it first
};

// Runs an FTP command script in the language of the common command-line
// client (open, user, hash, ascii, binary, cd, send/put, close, bye/quit) on
// libcurl, in passive mode. Every server reply line, and the client's own
// remarks ("Niet verbonden."), go to the transcript; the password never does.
//
// The host after "open" may carry a scheme: "ftps://" requires TLS, "ftp://"
// never uses it; a bare host uses TLS (explicit, AUTH TLS), with its
// certificate verified against the system's. Without TLS no password
// crosses unless the user consented to that (allowClearText).
//
// The website never holds part of a set: each file is sent under a temporary
// name (".tijden.csv.upload"), its size on the server is checked, and only
// when every file of the connection arrived whole are they renamed over their
// own names, at "close", "bye" or the script's end. Any failure, or a stop,
// removes the temporary files instead.
class ScriptRunner {
public:
    using Print = std::function<void(const QString& line)>;

    ScriptRunner(Print print, FtpLimits limits = {});
    ~ScriptRunner();
    ScriptRunner(const ScriptRunner&) = delete;
    ScriptRunner& operator=(const ScriptRunner&) = delete;

    // How far the file being sent is, reported when it starts, at most every
    // tenth of a second while it goes, and with arrived set once the server
    // has confirmed it: a channel apart from the transcript.
    using Progress =
        std::function<void(const QString& file, qint64 sent, qint64 total, bool arrived)>;
    void setProgress(Progress progress);

    // What the runner also tells apart from the transcript: a file renamed
    // into place on the website, and the first failure's reason, in words a
    // volunteer can act on ("Er is geen ruimte meer op de server voor
    // tijden.csv.").
    //
    // A certificate that cannot be verified, or that differs from the one the
    // user trusted, is told as its DER in base64; an SSH host key as "TYPE
    // BASE64". What the user is shown is computed from those bytes.
    // Encrypted: a connection logged in over TLS (the program remembers that
    // the host speaks TLS). InClear: a host without TLS (or an ftp://
    // domain) was refused because the user has not consented to sending in
    // clear; the program may ask.
    enum class Notice {
        Replaced,
        Reason,
        UnknownCertificate,
        ChangedCertificate,
        Encrypted,
        InClear
    };
    using Notify = std::function<void(Notice notice, const QString& text)>;
    void setNotify(Notify notify);

    // The public key the user trusted for the script's host ("sha256//..."):
    // its certificate is then accepted without verification, and TLS is
    // required, whatever the scheme.
    void trustKey(const QByteArray& pin);

    // The host spoke TLS before: it must now, whatever the scheme, so that
    // no one between can strip it and read the password.
    void requireTls();

    // The user consented to plain FTP for the script's host, where it
    // offers no TLS or the domain says ftp://. Without it such a host is
    // refused before the login.
    void allowClearText();

    // The name part of the staged files (a fresh one unless given), and that
    // of an upload that never ended, whose leftovers then go at once
    // instead of once a day old.
    void useStagingToken(const QString& token);
    void clearLeftoversOf(const QString& token);

    // The record of what was put in place before (kept in path, owner-only):
    // a file whose bytes, and whose size and time on the server, are those
    // the record holds is not sent again ("ongewijzigd, niet opnieuw
    // verzonden: limieten.csv").
    void keepSentRecord(const QString& path);

    // Runs the script's lines; 0 when every command succeeded, 1 otherwise.
    int run(const QStringList& lines);

    // From any thread: ends the script as soon as possible; what it staged on
    // the server is removed, the website keeps its files.
    void stop();

private:
    struct Session;
    std::unique_ptr<Session> s_;
};

} // namespace tavrel
