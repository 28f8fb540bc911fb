#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace tavrel {

// What a run did, for the line the window shows at the next start. A run
// keeps an Interrupted record from its start, replaced when it ends: a run
// that never ended (a kill, a crash, a power cut) is then told as such.
struct RunRecord {
    enum class Result { Succeeded, Failed, Stopped, Interrupted };
    QDateTime when = {};
    QStringList files = {}; // the files made and sent or kept
    bool upload = false;
    QString domain = {};
    QString ftpFolder = {};
    bool keepCsv = false;
    QString csvFolder = {};
    Result result = Result::Succeeded;
    QString reason = {}; // why it failed, one line
    // Interrupted: whether the upload had begun, and the files known to be
    // in place on the website by then.
    bool sending = false;
    QStringList replaced = {};
    bool inClear = false; // the upload went unencrypted
};

// "Laatste upload: maandag 7 december 2026 21:14, vier bestanden naar
// www.club.nl/httpdocs, geslaagd." (", geslaagd, onversleuteld." without TLS)
QString lastRunLine(const RunRecord& record);

// What a run keeps beside its line for the next start to clear up: while it
// goes, where its script (with the password) stands outside its private
// folder, should it never end; and the name part of the staged files its
// upload may have left on the server, which the next run removes at once.
struct RunTraces {
    QString script = {};
    QString token = {};
};

// Keeps the line in the user's data folder, beside the last run's log,
// readable by the user only (it names the website); false when it could not.
bool storeLastRun(const QString& line, const RunTraces& traces = {});

// The kept line, or "" when no run has begun yet.
QString storedLastRun();
// The traces the last run left.
RunTraces lastRunTraces();

} // namespace tavrel
