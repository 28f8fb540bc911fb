#pragma once

#include <QElapsedTimer>
#include <QString>

namespace tavrel {

// Tells a loop when to report again: at most once per interval, so a
// million records cost a handful of reports.
class ProgressClock {
public:
    explicit ProgressClock(int intervalMs = 100)
        : interval_(intervalMs) {
        timer_.start();
    }
    bool due() {
        if (timer_.elapsed() < next_)
            return false;
        next_ = timer_.elapsed() + interval_;
        return true;
    }
    qint64 elapsedMs() const { return timer_.elapsed(); }

private:
    QElapsedTimer timer_;
    qint64 next_ = 0;
    int interval_;
};

// 1234567 as "1 234 567": groups of three, as Dutch print separates them.
QString groupedNumber(qint64 n);

// "Tijden: 412 000 van 1 000 000 records"; "Tijden: 412 000 records" while
// the total is not known (total < 0).
QString recordProgressText(const QString& label, qint64 done, qint64 total);

// "tijden.csv: 31 van 65 MB, 2,1 MB/s" (kB below a megabyte; no speed while
// it is not known yet).
QString byteProgressText(const QString& file, qint64 sent, qint64 total, double bytesPerSecond);

} // namespace tavrel
