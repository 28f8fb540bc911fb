#include "RemoteListing.h"
#include "RunnerSession.h"
#include "common/Windows1252.h"

#include <QUrl>

namespace tavrel {

qint64 ScriptRunner::Session::sizeOnServer(const Staged& file) {
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

bool ScriptRunner::Session::arrivedWhole(const Staged& file) {
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

bool ScriptRunner::Session::putInPlace(const Staged& file) {
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

bool ScriptRunner::Session::finishSet() {
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
                        (done.isEmpty() ? QStringLiteral(".")
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

void ScriptRunner::Session::removeStaged(const QList<Staged>& files) {
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
                 names.join(QStringLiteral(", ")) + QStringLiteral("); de website leest ze niet."));
}

} // namespace tavrel
