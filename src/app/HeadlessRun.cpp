#include "HeadlessRun.h"

#include "LastRun.h"
#include "StartupSettings.h"
#include "common/Progress.h"
#include "common/Registry.h"

#include <QTextStream>

#include <atomic>
#include <csignal>

namespace tavrel {

namespace {

std::atomic<bool> stopRequested = false;
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void stopOnSignal(int) {
    stopRequested = true;
}

// Messages as lines on standard error; progress at most every two seconds,
// which keeps a scheduled run's mail short.
class ConsoleView final : public RunView {
public:
    // A message that goes on from the last one (the upload's transcript as
    // it arrives) prints only its new whole lines.
    void showMessage(const QString& text) override {
        const QString shown = QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n"));
        // A failed upload shows the transcript that was printed as it came.
        if (!last_.isEmpty() && last_.contains(shown.trimmed())) {
            last_ = shown;
            printed_ = shown.size();
            return;
        }
        if (last_.isEmpty() || !shown.startsWith(last_.left(printed_))) {
            printed_ = shown.size();
            print(shown);
        } else if (const qsizetype end = shown.lastIndexOf(QLatin1Char('\n')); end >= printed_) {
            QString fresh = shown.mid(printed_, end - printed_);
            printed_ = end + 1;
            if (fresh.startsWith(QLatin1Char('\n')))
                fresh.remove(0, 1);
            if (!fresh.isEmpty())
                print(fresh);
        }
        last_ = shown;
    }
    void showProgress(const RunProgress& progress) override {
        if (!clock_.due())
            return;
        err_ << QStringLiteral("  ") << progress.text << '\n';
        err_.flush();
    }
    void focus(RunField) override {}

private:
    void print(const QString& text) {
        err_ << text << '\n';
        err_.flush();
    }

    QString last_;
    qsizetype printed_ = 0;
    QTextStream err_{stderr};
    ProgressClock clock_{2000};
};

} // namespace

RunInput headlessInput(const CommandLine& command) {
    const StartupSettings s = StartupSettings::read();
    RunInput in;
    in.version = s.chosenVersion(); // as the window reads it
    in.clubDatabase = s.database;
    in.limitsDatabase = s.limitsDatabase;
    in.upload = true;
    in.domain = s.domain;
    in.ftpFolder = s.ftpFolder;
    in.user = s.user;
    in.password = s.password;
    in.keepCsv = !command.csvFolder.isEmpty();
    in.csvFolder = command.csvFolder;
    in.dataSets = command.dataSets;
    in.unattended = true;
    // Never the defaults of a first start: a scheduled run that guessed the
    // host would send the stored account to an example host.
    if (const Result<void> stored = checkStoredSettings(
            {QStringLiteral("Domain"), QStringLiteral("FTPfolder"), QStringLiteral("User")});
        !stored)
        in.settingsProblem = stored.why();
    return in;
}

int runHeadless(const CommandLine& command, RunPhases& phases) {
    stopRequested = false;
#ifdef SIGTERM
    std::signal(SIGTERM, stopOnSignal);
#endif
    std::signal(SIGINT, stopOnSignal);
    ConsoleView view;
    UploadRun run(phases);
    const UploadRun::Outcome outcome = run.execute(headlessInput(command), view, &stopRequested);
    if (outcome == UploadRun::Outcome::AnotherRun)
        return kAnotherRunStatus;
    view.showMessage(storedLastRun());
    return outcome == UploadRun::Outcome::Finished ? 0 : 1;
}

} // namespace tavrel
