#include "RunJob.h"

#include "common/Ui.h"

#include <QCoreApplication>
#include <QThread>

namespace tavrel {

namespace {

// Runs f on the job's (the window's) thread and waits for it.
template <typename F>
void onWindowThread(QObject* job, F f) {
    QMetaObject::invokeMethod(job, std::move(f), Qt::BlockingQueuedConnection);
}

} // namespace

// The run's view on the worker thread: hands each call to the window's
// thread without waiting. Queued calls arrive in the order they were made.
class RunJob::Relay final : public RunView {
public:
    Relay(QObject* job, RunView& view)
        : job_(job)
        , view_(view) {}
    void showMessage(const QString& text) override {
        QMetaObject::invokeMethod(
            job_, [&view = view_, text] { view.showMessage(text); }, Qt::QueuedConnection);
    }
    void showProgress(const RunProgress& progress) override {
        QMetaObject::invokeMethod(
            job_, [&view = view_, progress] { view.showProgress(progress); }, Qt::QueuedConnection);
    }
    void focus(RunField field) override {
        QMetaObject::invokeMethod(
            job_, [&view = view_, field] { view.focus(field); }, Qt::QueuedConnection);
    }

private:
    QObject* job_;
    RunView& view_;
};

// The seam on the worker thread: boxes and dialogs are the window's, shown
// by the program's own seam on its thread. The window shows a busy pointer
// for the whole run itself, and only the window ends the program.
class RunJob::WorkerUi final : public Ui {
public:
    explicit WorkerUi(QObject* job)
        : job_(job) {}
    Answer messageBox(const QString& text, const QString& title, Buttons buttons,
                      Icon icon) override {
        Answer answer = safeAnswer(buttons);
        onWindowThread(job_,
                       [&] { answer = Ui::current().messageBox(text, title, buttons, icon); });
        return answer;
    }
    QString openFile(const QString& title, const QString& filter,
                     const QString& fileName) override {
        QString chosen;
        onWindowThread(job_, [&] { chosen = Ui::current().openFile(title, filter, fileName); });
        return chosen;
    }
    QString saveFile(const QString& title, const QString& filter,
                     const QString& fileName) override {
        QString chosen;
        onWindowThread(job_, [&] { chosen = Ui::current().saveFile(title, filter, fileName); });
        return chosen;
    }
    QString pickFolder(const QString& title, const QString& startFolder) override {
        QString chosen;
        onWindowThread(job_, [&] { chosen = Ui::current().pickFolder(title, startFolder); });
        return chosen;
    }
    void setWaitCursor(bool) override {}
    void yield() override {}
    void endProgram() override {}

private:
    QObject* job_;
};

namespace {

// The thread runs work on: one for the program's life, started at the first
// run and never ended. Under Wine a test program whose run thread had ended
// now and then hung in its own exit; a thread that lives until the process
// ends never goes through that end.
QThread* runThread() {
    static QThread* const thread = [] {
        auto* t = new QThread;
        t->setObjectName(QStringLiteral("run"));
        t->start();
        return t;
    }();
    return thread;
}

} // namespace

RunJob::RunJob(RunPhases& phases, RunView& view, QObject* parent)
    : QObject(parent)
    , phases_(phases)
    , view_(view) {}

RunJob::~RunJob() {
    if (!running_)
        return;
    // Only when the window goes in the middle of a run: stop it, and keep
    // answering what it still asks of this thread until it has cleaned up.
    stop();
    while (running_)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
}

void RunJob::start(const RunInput& input) {
    if (running_)
        return;
    running_ = true;
    stop_ = false;
    auto* worker = new QObject;
    worker->moveToThread(runThread());
    QMetaObject::invokeMethod(
        worker,
        [this, worker, input] {
            UploadRun::Outcome outcome;
            {
                Relay relay(this, view_);
                WorkerUi ui(this);
                Ui::installForThisThread(&ui);
                UploadRun run(phases_);
                outcome = run.execute(input, relay, &stop_);
                Ui::installForThisThread(nullptr);
            }
            worker->deleteLater();
            // Queued after everything the run showed.
            QMetaObject::invokeMethod(
                this,
                [this, outcome] {
                    running_ = false;
                    Q_EMIT finished(outcome);
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void RunJob::stop() {
    stop_ = true;
}

} // namespace tavrel
