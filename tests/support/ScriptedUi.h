#pragma once

#include "QtPrinters.h"
#include "common/Ui.h"

#include <deque>
#include <vector>

namespace tavrel::test {

// One modal prompt the code under test showed.
struct Prompt {
    enum class Kind { Message, OpenFile, SaveFile, PickFolder } kind;
    QString text; // message text; file name or start folder for dialogs
    QString title;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
    QString filter; // file dialogs only
};

// The UI seam for tests: answers prompts from a queue filled by the test,
// records every prompt, and fails the test on a prompt it was not told to
// expect (answering it with the safe choice). Installs itself while it lives.
class ScriptedUi final : public Ui {
public:
    ScriptedUi();
    ~ScriptedUi() override;
    ScriptedUi(const ScriptedUi&) = delete;
    ScriptedUi& operator=(const ScriptedUi&) = delete;

    ScriptedUi& answer(Answer a);               // the next message box
    ScriptedUi& chooseFile(const QString& p);   // the next file dialog ("" cancels)
    ScriptedUi& chooseFolder(const QString& p); // the next folder dialog ("" cancels)
    ScriptedUi& saveAs(const QString& p);       // the next save dialog ("" cancels)

    const std::vector<Prompt>& prompts() const { return prompts_; }
    std::vector<Prompt> messages() const;
    bool programEnded() const { return ended_; }
    int yields() const { return yields_; }
    // The text of the last busy box, and whether one is shown now.
    const QString& busyText() const { return busyText_; }
    bool busy() const { return busy_; }
    bool waitCursor() const { return waitCursor_; }
    int waitCursorChanges() const { return waitCursorChanges_; }
    // Answers queued but never asked for.
    size_t pending() const { return queue_.size(); }

    Answer messageBox(const QString& text, const QString& title, Buttons buttons,
                      Icon icon) override;
    QString openFile(const QString& title, const QString& filter, const QString& fileName) override;
    QString saveFile(const QString& title, const QString& filter, const QString& fileName) override;
    QString pickFolder(const QString& title, const QString& startFolder) override;
    void setWaitCursor(bool on) override;
    void yield() override { ++yields_; }
    void showBusy(const QString& text, qint64, qint64) override {
        busyText_ = text;
        busy_ = true;
    }
    void endBusy() override { busy_ = false; }
    void endProgram() override { ended_ = true; }

private:
    struct Scripted {
        Prompt::Kind kind;
        Answer answer = Answer::Ok;
        QString path;
    };
    bool take(Prompt::Kind kind, Scripted& out, const QString& what);

    std::deque<Scripted> queue_;
    std::vector<Prompt> prompts_;
    bool ended_ = false;
    int yields_ = 0;
    QString busyText_;
    bool busy_ = false;
    bool waitCursor_ = false;
    int waitCursorChanges_ = 0;
};

} // namespace tavrel::test
