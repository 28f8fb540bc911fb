#pragma once

#include "common/RunPhase.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>

namespace tavrel {

// What the script runner reports on its progress channel ("voortgang SENT
// TOTAL NAME" lines, "verzonden ..." once a file arrived), turned into the upload's progress: the
// file that goes, how far, how fast, and the share of the whole upload.
class SendProgress {
public:
    struct File {
        QString name;
        qint64 size = 0; // on disk, for each file's share of the whole
    };
    explicit SendProgress(QList<File> files);

    // Takes what the runner wrote; lines may arrive in pieces.
    void take(const QByteArray& bytes);

    // Nothing known yet until the first file starts.
    bool started() const { return current_ >= 0; }
    // The text and the whole upload's share done, in thousandths.
    RunProgress progress() const;
    // What may be on the server after a stop: "zwemmers.csv geheel,
    // tijden.csv deels" or "niets".
    QString whatArrived() const;

private:
    void line(const QByteArray& text);

    struct State {
        File file;
        qint64 sent = 0;
        qint64 total = 0;
        bool whole = false;
    };
    QList<State> files_;
    int current_ = -1;
    QElapsedTimer since_; // since the current file started
    QByteArray partial_;
};

} // namespace tavrel
