#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace tavrel {

// What a finished run did, for the line the window shows at the next start.
struct RunRecord {
    enum class Result { Succeeded, Failed, Stopped };
    QDateTime when = {};
    QStringList files = {}; // the files made and sent or kept
    bool upload = false;
    QString domain = {};
    QString ftpFolder = {};
    bool keepCsv = false;
    QString csvFolder = {};
    Result result = Result::Succeeded;
    QString reason = {}; // why it failed, one line
};

// "Laatste upload: maandag 7 december 2026 21:14, vier bestanden naar
// www.club.nl/httpdocs, geslaagd."
QString lastRunLine(const RunRecord& record);

// Keeps the line in the user's data folder, beside the last run's log,
// readable by the user only (it names the website); false when it could not.
bool storeLastRun(const QString& line);

// The kept line, or "" when no run has finished yet.
QString storedLastRun();

} // namespace tavrel
