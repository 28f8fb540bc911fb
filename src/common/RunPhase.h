#pragma once

#include "Result.h"

#include <QString>
#include <QStringList>

#include <array>
#include <atomic>

namespace tavrel {

class Connection;

// What the upload run read from the main window.
struct RunInput {
    QString version; // "2006", "2009", or "" when neither option is set
    QString clubDatabase;
    QString limitsDatabase;
    bool upload = false; // the account below is read only when true
    QString domain;
    QString ftpFolder;
    QString user;
    QString password;
    bool keepCsv = false;
    QString csvFolder;
    // Swimmers and times, limits, levels.
    std::array<bool, 3> dataSets{};
    // A scheduled run (uploadtavrel --upload) reads the settings and leaves
    // them as they are, and waits longer for a database another program
    // holds; a run from the window stores what it was given.
    bool unattended = false;
    // A scheduled run's settings that cannot be used: why, in Dutch (the run
    // then says so and does nothing else).
    QString settingsProblem;
};

// How far the phase that runs is: "Tijden: 412 000 van 1 000 000 records".
struct RunProgress {
    QString text;
    qint64 done = 0;
    qint64 total = 0; // 0 when not known
};

// Where the run and its phases show progress and failures. Each message
// replaces the whole previous one.
class MessageArea {
public:
    virtual ~MessageArea() = default;
    virtual void showMessage(const QString& text) = 0;
    // Called often (at most every tenth of a second) while a phase works.
    virtual void showProgress(const RunProgress& progress) { Q_UNUSED(progress); }
    // The files the upload has put in place on the website so far.
    virtual void websiteChanged(const QStringList& replaced) { Q_UNUSED(replaced); }
};

struct PhaseContext {
    const RunInput& input;
    // Prefix of every file the run writes (a folder ending in its separator,
    // or "" for the current folder).
    const QString& outputFolder;
    // The open database of the phase; null for the upload.
    Connection* connection;
    MessageArea& message;
    // Set when the user asked the run to stop; the phase then ends at once
    // without putting a file in place, and says nothing of its own.
    const std::atomic<bool>* stop = nullptr;

    bool stopRequested() const { return stop && stop->load(std::memory_order_relaxed); }
    // After a stop: the files already put in place where the phase sends
    // them, e.g. "zwemmers.csv"; empty when nothing there changed.
    QString stopNote = {};
    // After a failure, when the message area does not say it in one line:
    // why, for the line the next start shows.
    QString failure = {};
    // The upload's own part of its staged files' names, and that of an
    // upload that never ended, whose leftovers on the server go now.
    QString stagingToken = {};
    QString abandonedToken = {};
    // The upload went in clear, as the user consented to.
    bool inClear = false;
};

// One phase of the upload run: an export or the upload.
class Phase {
public:
    virtual ~Phase() = default;
    // Fails when what the phase reads is not fit to be read, as the message
    // area says it. A run checks all the phases of a database before any of
    // them writes a file.
    virtual Result<void> check(PhaseContext& context) {
        Q_UNUSED(context);
        return {};
    }
    // False when the phase failed; it has then put a message in the message
    // area (and, for the upload, shown the error report).
    virtual bool run(PhaseContext& context) = 0;
};

} // namespace tavrel
