#include "SendProgress.h"

#include "common/Progress.h"

#include <QStringList>

#include <algorithm>

namespace tavrel {

SendProgress::SendProgress(QList<File> files) {
    for (File& f : files)
        files_.append({std::move(f)});
}

void SendProgress::take(const QByteArray& bytes) {
    partial_ += bytes;
    qsizetype end;
    while ((end = partial_.indexOf('\n')) >= 0) {
        line(partial_.left(end).trimmed());
        partial_.remove(0, end + 1);
    }
}

void SendProgress::line(const QByteArray& text) {
    if (text.startsWith("vervangen ")) {
        const QString name = QString::fromUtf8(text.mid(10));
        if (!replaced_.contains(name))
            replaced_ << name;
        return;
    }
    for (const bool changed : {false, true}) {
        const QByteArray word = changed ? "certificaat-veranderd " : "certificaat-onbekend ";
        if (!text.startsWith(word))
            continue;
        const QList<QByteArray> fields = text.mid(word.size()).split(' ');
        if (certificate_ || fields.size() > 2)
            return;
        ServerCertificate shown{changed, {}, {}, {}};
        if (fields.size() == 1)
            shown.der = QByteArray::fromBase64(fields[0]);
        else {
            shown.keyType = QString::fromLatin1(fields[0]);
            shown.key = QByteArray::fromBase64(fields[1]);
        }
        certificate_ = shown;
        return;
    }
    if (text == "versleuteld") {
        encrypted_ = true;
        return;
    }
    if (text.startsWith("onversleuteld")) {
        if (inClear_ == InClear::No)
            inClear_ = text.endsWith("ftp://") ? InClear::Scheme : InClear::NoTls;
        return;
    }
    if (text.startsWith("reden ")) {
        if (reason_.isEmpty())
            reason_ = QString::fromUtf8(text.mid(6));
        return;
    }
    const QList<QByteArray> words = text.split(' ');
    if (words.size() < 4 || (words[0] != "voortgang" && words[0] != "verzonden"))
        return;
    bool sentOk = false, totalOk = false;
    const qint64 sent = words[1].toLongLong(&sentOk);
    const qint64 total = words[2].toLongLong(&totalOk);
    const QString name =
        QString::fromUtf8(text.mid(words[0].size() + words[1].size() + words[2].size() + 3));
    const auto at = std::find_if(files_.begin(), files_.end(),
                                 [&](const State& s) { return s.file.name == name; });
    if (!sentOk || !totalOk || sent < 0 || total < 0 || at == files_.end())
        return;
    const int index = int(at - files_.begin());
    if (index != current_) {
        current_ = index;
        since_.start();
        // Whole at its first record: not sent, the website has it already.
        at->unchanged = words[0] == "verzonden";
    }
    at->sent = std::min(sent, total);
    at->total = total;
    // Only the server's confirmation makes a file whole: bytes handed over
    // may still sit in a buffer when the line drops.
    at->whole = words[0] == "verzonden";
}

bool SendProgress::allArrived() const {
    return std::all_of(files_.begin(), files_.end(), [](const State& s) { return s.whole; });
}

RunProgress SendProgress::progress() const {
    if (current_ < 0)
        return {};
    const State& now = files_[current_];
    const double seconds = since_.isValid() ? since_.elapsed() / 1000.0 : 0;
    const double rate = seconds > 0.2 && !now.unchanged ? now.sent / seconds : 0;
    qint64 all = 0;
    double done = 0;
    for (const State& s : files_) {
        all += s.file.size;
        done += s.total > 0 ? double(s.file.size) * double(s.sent) / double(s.total)
                            : (s.whole ? double(s.file.size) : 0.0);
    }
    const qint64 share = all > 0 ? qint64(done * 1000.0 / double(all)) : 0;
    return {byteProgressText(now.file.name, now.sent, now.total, rate), share, 1000};
}

} // namespace tavrel
