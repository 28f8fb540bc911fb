#pragma once

#include <QString>

#include <array>

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
};

// Where the run and its phases show progress and failures. Each text
// replaces the whole previous one.
class MessageArea {
public:
    virtual ~MessageArea() = default;
    virtual void showMessage(const QString& text) = 0;
};

struct PhaseContext {
    const RunInput& input;
    // Prefix of every file the run writes (a folder ending in its separator,
    // or "" for the current folder).
    const QString& outputFolder;
    // The open database of the phase; null for the upload.
    Connection* connection;
    MessageArea& message;
};

// One phase of the upload run: an export or the upload.
class Phase {
public:
    virtual ~Phase() = default;
    // "" when what the phase reads is fit to be read; otherwise why not, as
    // the message area says it. A run checks all the phases of a database
    // before any of them writes a file.
    virtual QString check(PhaseContext& context) {
        Q_UNUSED(context);
        return {};
    }
    // False when the phase failed; it has then put a message in the message
    // area (and, for the upload, shown the error report).
    virtual bool run(PhaseContext& context) = 0;
};

} // namespace tavrel
