#include "RemoteListing.h"
#include "RunnerSession.h"
#include "common/OwnerOnly.h"
#include "common/Windows1252.h"

#include <QRegularExpression>

#include <chrono>
#include <thread>

namespace tavrel {

namespace {

// How often a lost connection is opened again to finish the renames.
constexpr int kRenameTries = 3;

QString joined(const QStringList& names) {
    return names.join(QStringLiteral(", "));
}

// After a failure among the renames: what the website holds now. A file
// moved aside that could not come back (the connection stayed lost) is
// missing, under its name on the server.
QString websiteNow(const QStringList& done, QStringList old, const QStringList& missing) {
    for (const QString& name : missing)
        old.removeAll(name);
    QString now = done.isEmpty() && missing.isEmpty()
                      ? QStringLiteral("; de website is niet veranderd")
                      : QStringLiteral("; al vervangen: ") +
                            (done.isEmpty() ? QStringLiteral("geen") : joined(done)) +
                            QStringLiteral("; nog oud: ") +
                            (old.isEmpty() ? QStringLiteral("geen") : joined(old));
    if (!missing.isEmpty())
        now += QStringLiteral("; ontbreekt: ") + joined(missing) +
               QStringLiteral(" (tijdelijk hernoemd op de server)");
    return now + QLatin1Char('.');
}

} // namespace

qint64 ScriptRunner::Session::sizeOnServer(const QString& folder, const QString& name) {
    const OwnWork own(*this);
    if (ssh)
        return perform(folder, Kind::List) == CURLE_OK ? sizeInListing(received, name.toUtf8())
                                                       : -1;
    const CURLcode code = perform(filePath(folder, name));
    curl_off_t size = -1;
    if (code == CURLE_OK)
        curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size);
    if (size >= 0 || code != CURLE_OK)
        return size;
    if (perform(folder, Kind::List) != CURLE_OK)
        return -1;
    return sizeInListing(received, toWindows1252(name));
}

bool ScriptRunner::Session::arrivedWhole(Staged& file) {
    const qint64 onWire = ascii ? lineEnds.onWire(handedOver) : handedOver;
    const QString name = stagedName(file.name);
    const qint64 size = sizeOnServer(file.folder, name);
    if (size == onWire || (ascii && size == onWire - lineEnds.lineFeeds())) {
        say(QStringLiteral("Gecontroleerd: %1 staat geheel op de server (%2 bytes).")
                .arg(name)
                .arg(size));
        file.size = size;
        return true;
    }
    if (size < 0) {
        say(QStringLiteral("ftp: de grootte van ") + name +
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

CURLcode ScriptRunner::Session::renameOnServer(const QString& folder, const QString& from,
                                               const QString& to) {
    const OwnWork own(*this);
    if (ssh)
        return perform(QString(), Kind::Nobody,
                       {"rename " + sshPath(folder, from) + ' ' + sshPath(folder, to)});
    return perform(folder, Kind::Nobody,
                   {"RNFR " + toWindows1252(from), "RNTO " + toWindows1252(to)});
}

CURLcode ScriptRunner::Session::removeOnServer(const QString& folder, const QString& name) {
    const OwnWork own(*this);
    if (ssh)
        return perform(QString(), Kind::Nobody, {"rm " + sshPath(folder, name)});
    return perform(folder, Kind::Nobody, {"DELE " + toWindows1252(name)});
}

ScriptRunner::Session::Put ScriptRunner::Session::putInPlace(const Staged& file, bool retry) {
    const QString name = stagedName(file.name);
    const QString aside = asideName(file.name);
    auto outcome = [this](CURLcode code) {
        return code == CURLE_OK ? Put::Done : lostConnection(code) ? Put::Lost : Put::Refused;
    };
    quiet = true;
    const Put first = outcome(renameOnServer(file.folder, name, file.name));
    // FTP: RNFR answered 350, so the staged file is there.
    const bool stagedSeen = replies.contains(350);
    quiet = false;
    if (first != Put::Refused)
        return first;
    // After a loss the rename may have been done before its answer was lost.
    if (retry && sizeOnServer(file.folder, name) < 0 &&
        sizeOnServer(file.folder, file.name) == file.size)
        return Put::Done;
    if (stopping || !(ssh ? sizeOnServer(file.folder, name) >= 0 : stagedSeen))
        return Put::Refused;
    // A server that will not rename over a file: the old one goes aside
    // first, and comes back if the new one still cannot take its name, so a
    // refusal never costs the website its file.
    quiet = true;
    const Put moved = outcome(renameOnServer(file.folder, file.name, aside));
    quiet = false;
    if (moved != Put::Done)
        return moved;
    movedAside << file.name;
    const Put put = outcome(renameOnServer(file.folder, name, file.name));
    if (put == Put::Done) {
        movedAside.removeAll(file.name);
        removeOnServer(file.folder, aside);
    } else if (renameOnServer(file.folder, aside, file.name) == CURLE_OK) {
        movedAside.removeAll(file.name);
    }
    return put;
}

ScriptRunner::Session::Put ScriptRunner::Session::rename(const Staged& file) {
    for (int attempt = 0;; ++attempt) {
        const Put put = putInPlace(file, attempt > 0);
        if (put != Put::Lost || stopping || attempt + 1 == kRenameTries)
            return put;
        say(QStringLiteral("ftp: de verbinding is verbroken; opnieuw verbinden om ") + file.name +
            QStringLiteral(" te vervangen."));
        disconnect();
        std::this_thread::sleep_for(std::chrono::seconds(attempt + 1));
    }
}

bool ScriptRunner::Session::finishSet() {
    if (staged.isEmpty())
        return !setFailed;
    const QList<Staged> files = std::exchange(staged, {});
    movedAside.clear();
    if (setFailed || stopping) {
        removeStaged(files, false);
        setFailed = false;
        return false;
    }
    QStringList done;
    for (qsizetype i = 0; i < files.size(); ++i) {
        QStringList old;
        for (const Staged& rest : files.mid(i))
            old << rest.name;
        // A stop (the user's, or the program gone) renames nothing more.
        if (stopping) {
            say(QStringLiteral("Gestopt tijdens het vervangen") +
                websiteNow(done, old, movedAside));
            recordPlaced(files.mid(0, i));
            removeStaged(files.mid(i), !done.isEmpty());
            return false;
        }
        const Put put = rename(files[i]);
        if (put == Put::Done) {
            done << files[i].name;
            if (notify)
                notify(Notice::Replaced, files[i].name);
            continue;
        }
        say(QStringLiteral("ftp: ") + files[i].name +
            QStringLiteral(" kon niet worden vervangen."));
        because((put == Put::Lost ? QStringLiteral("De verbinding met ") + host +
                                        QStringLiteral(" is verbroken tijdens het vervangen van ")
                                  : QStringLiteral("De server weigert ")) +
                files[i].name + (put == Put::Lost ? QString() : QStringLiteral(" te vervangen")) +
                websiteNow(done, old, movedAside));
        recordPlaced(files.mid(0, i));
        removeStaged(files.mid(i), !done.isEmpty());
        return false;
    }
    say(QStringLiteral("Vervangen op de server: ") + joined(done) + QLatin1Char('.'));
    recordPlaced(files);
    QStringList folders;
    for (const Staged& file : files)
        if (!folders.contains(file.folder))
            folders << file.folder;
    for (const QString& folder : folders)
        sweepLeftovers(folder);
    return true;
}

void ScriptRunner::Session::removeStaged(const QList<Staged>& files, bool changed) {
    const OwnWork own(*this);
    QStringList names;
    bool ok = true;
    for (const Staged& file : files) {
        const QString name = stagedName(file.name);
        names << name;
        // One the server never made: SFTP's rm fails, FTP's DELE answers 550.
        const CURLcode code = removeOnServer(file.folder, name);
        ok = (code == CURLE_OK || (ssh ? code == CURLE_QUOTE_ERROR : lastReply() == 550)) && ok;
    }
    say(ok ? QStringLiteral("Verwijderd van de server: ") + joined(names) +
                 (changed ? QStringLiteral(".") : QStringLiteral("; de website is niet veranderd."))
           : QStringLiteral("Niet alle tijdelijke bestanden konden worden verwijderd (") +
                 joined(names) + QStringLiteral("); de website leest ze niet."));
}

QDateTime ScriptRunner::Session::modifiedOnServer(const QString& folder, const QString& name) {
    const OwnWork own(*this);
    if (!curl)
        makeHandle();
    curl_easy_setopt(curl, CURLOPT_FILETIME, 1L);
    const bool wasQuiet = std::exchange(quiet, true);
    const CURLcode code = perform(filePath(folder, name));
    quiet = wasQuiet;
    curl_off_t seconds = -1;
    if (code == CURLE_OK && curl)
        curl_easy_getinfo(curl, CURLINFO_FILETIME_T, &seconds);
    if (curl)
        curl_easy_setopt(curl, CURLOPT_FILETIME, 0L);
    return seconds < 0 ? QDateTime() : QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
}

bool ScriptRunner::Session::unchangedSince(Staged& file, const QString& local) {
    if (recordPath.isEmpty())
        return false;
    file.recordKey = SentRecord::key(host + QLatin1Char(':') + port, file.folder, file.name, ascii);
    file.local = {fileSha256(local), sourceSize, 0, 0};
    const std::optional<SentRecord::Sent> before = record.find(file.recordKey);
    if (!before || file.local.sha256.isEmpty() || before->sha256 != file.local.sha256 ||
        before->size != file.local.size)
        return false;
    const auto now = stampOnServer(file.folder, file.name);
    return now && now->first == before->serverSize && now->second == before->serverTime;
}

std::optional<std::pair<qint64, qint64>> ScriptRunner::Session::stampOnServer(const QString& folder,
                                                                              const QString& name) {
    const QDateTime changed = modifiedOnServer(folder, name);
    if (!changed.isValid())
        return std::nullopt;
    const bool wasQuiet = std::exchange(quiet, true);
    const qint64 size = sizeOnServer(folder, name);
    quiet = wasQuiet;
    if (size < 0)
        return std::nullopt;
    return std::pair{size, changed.toSecsSinceEpoch()};
}

void ScriptRunner::Session::recordPlaced(const QList<Staged>& files) {
    if (recordPath.isEmpty())
        return;
    for (const Staged& file : files) {
        if (file.recordKey.isEmpty() || file.local.sha256.isEmpty())
            continue;
        // A server that does not tell both gets the file again next time.
        if (const auto now = stampOnServer(file.folder, file.name))
            record.set(file.recordKey,
                       {file.local.sha256, file.local.size, now->first, now->second});
        else
            record.forget(file.recordKey);
    }
    // Not kept, the next upload sends everything: no failure of this one.
    (void)replaceOwnerOnlyFile(recordPath, record.text());
}

void ScriptRunner::Session::sweepLeftovers(const QString& folder) {
    static const QRegularExpression ours(
        QStringLiteral("^\\.(.+)\\.([0-9a-f]{12})\\.(upload|old)$"));
    const OwnWork own(*this);
    // Clearing up is no part of the upload: what fails here goes unremarked.
    quiet = true;
    const bool listed = perform(folder, Kind::List) == CURLE_OK;
    quiet = false;
    if (!listed)
        return;
    const QDateTime dayAgo = QDateTime::currentDateTimeUtc().addDays(-1);
    QStringList removed;
    for (const ListedFile& listed : filesInListing(received)) {
        const QString name = ssh ? QString::fromUtf8(listed.name) : fromWindows1252(listed.name);
        const QRegularExpressionMatch match = ours.match(name);
        if (!match.hasMatch() || match.captured(2) == token)
            continue;
        if (match.captured(2) != abandoned) {
            const QDateTime changed = modifiedOnServer(folder, name);
            if (!changed.isValid() || changed > dayAgo)
                continue;
        }
        quiet = true;
        if (removeOnServer(folder, name) == CURLE_OK)
            removed << name;
        quiet = false;
    }
    removed.sort();
    if (!removed.isEmpty())
        say(QStringLiteral("Opgeruimd op de server: ") + joined(removed) +
            QStringLiteral(" (achtergelaten door een eerdere upload die niet afkwam)."));
}

} // namespace tavrel
