#include "ScriptRunner.h"

#include "RunnerSession.h"

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>

namespace tavrel {

namespace {

// A record of a few sites' files is a few kilobytes: a larger file is no
// record of this program's.
constexpr qint64 kMaxRecordBytes = 1 << 20;

} // namespace

ScriptRunner::ScriptRunner(Print print, FtpLimits limits)
    : s_(std::make_unique<Session>(std::move(print), limits)) {}

ScriptRunner::~ScriptRunner() = default;

void ScriptRunner::setProgress(Progress progress) {
    s_->progress = std::move(progress);
}

void ScriptRunner::setNotify(Notify notify) {
    s_->notify = std::move(notify);
}

void ScriptRunner::trustKey(const QByteArray& pin) {
    s_->pin = pin;
}

QString stagingToken() {
    return QString::number(QRandomGenerator::system()->generate64() & 0xffff'ffff'ffffULL, 16)
        .rightJustified(12, QLatin1Char('0'));
}

bool isStagingToken(const QString& text) {
    static const QRegularExpression twelveHex(QStringLiteral("^[0-9a-f]{12}$"));
    return twelveHex.match(text).hasMatch();
}

void ScriptRunner::useStagingToken(const QString& token) {
    if (isStagingToken(token))
        s_->token = token;
}

void ScriptRunner::clearLeftoversOf(const QString& token) {
    if (isStagingToken(token))
        s_->abandoned = token;
}

void ScriptRunner::keepSentRecord(const QString& path) {
    s_->recordPath = path;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        s_->record = SentRecord::read(file.read(kMaxRecordBytes));
}

void ScriptRunner::requireTls() {
    s_->tlsRemembered = true;
}

void ScriptRunner::allowClearText() {
    s_->clearTextAllowed = true;
}

void ScriptRunner::stop() {
    s_->stopping = true;
}

int ScriptRunner::run(const QStringList& lines) {
    bool allOk = true;
    for (int next = 0; next < lines.size() && !s_->stopping;) {
        const QString line = lines[next++].trimmed();
        if (line.isEmpty())
            continue;
        QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const QString command = words.takeFirst().toLower();
        bool ok = true;
        if (command == QLatin1String("open")) {
            ok = s_->open(words, lines, next);
            s_->halted = s_->halted || !ok;
        } else if (command == QLatin1String("user")) {
            ok = s_->login(words, lines, next);
            s_->halted = s_->halted || !ok;
        } else if (command == QLatin1String("hash")) {
            s_->hash = !s_->hash;
            s_->say(s_->hash ? QStringLiteral("Hash-markering aan (2048 bytes per #).")
                             : QStringLiteral("Hash-markering uit."));
        } else if (command == QLatin1String("ascii") || command == QLatin1String("binary")) {
            s_->ascii = command == QLatin1String("ascii");
            s_->say(QStringLiteral("Overdrachtstype ") + command + QLatin1Char('.'));
        } else if (command == QLatin1String("cd")) {
            // A folder name may hold spaces: it is the rest of the line.
            ok = s_->cd(line.mid(2).trimmed());
            s_->halted = s_->halted || !ok;
        } else if (command == QLatin1String("send") || command == QLatin1String("put")) {
            ok = s_->send(line.mid(command.size()).trimmed());
            s_->halted = s_->halted || !ok;
        } else if (command == QLatin1String("close") || command == QLatin1String("disconnect")) {
            ok = s_->close();
        } else if (command == QLatin1String("bye") || command == QLatin1String("quit")) {
            break;
        } else {
            s_->say(QStringLiteral("Ongeldige opdracht: ") + command);
            ok = false;
        }
        allOk = allOk && ok;
    }
    if (s_->stopping) {
        s_->say(QStringLiteral("Gestopt."));
        s_->hurry = true;
        allOk = false;
    }
    allOk = s_->finishSet() && allOk;
    s_->disconnect();
    return allOk ? 0 : 1;
}

} // namespace tavrel
