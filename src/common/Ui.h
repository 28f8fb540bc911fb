#pragma once

#include <QString>
#include <QtGlobal>

namespace tavrel {

// Buttons, icons and answers of a modal message box. YesNoDefaultNo: Yes and
// No, with No the one Enter presses (a question whose "Ja" is dangerous).
enum class Buttons { Ok, OkCancel, YesNo, YesNoDefaultNo };
enum class Icon { None, Critical, Question, Exclamation, Information };
enum class Answer { Ok, Cancel, Yes, No };

// Every modal interaction and every whole-program effect goes through this one
// interface, so that logic never calls a dialog directly. Production installs
// the Qt implementation; tests install a scripted one that answers from a queue.
class Ui {
public:
    virtual ~Ui() = default;

    // Texts may hold CR LF line breaks; implementations show them as line breaks.
    virtual Answer messageBox(const QString& text, const QString& title, Buttons buttons,
                              Icon icon) = 0;

    // A file-open dialog. The filter is written as "description|pattern|..."
    // with several patterns of one choice separated by ";". Returns "" on cancel.
    virtual QString openFile(const QString& title, const QString& filter,
                             const QString& fileName) = 0;

    // A file-save dialog, filter as for openFile, proposing fileName; asks
    // before an existing file is replaced. Returns "" on cancel.
    virtual QString saveFile(const QString& title, const QString& filter,
                             const QString& fileName) = 0;

    // A folder dialog opened at startFolder (never empty here). Returns the
    // chosen folder, or "" on cancel.
    virtual QString pickFolder(const QString& title, const QString& startFolder) = 0;

    virtual void setWaitCursor(bool on) = 0;

    // Lets the window system repaint once before a long step.
    virtual void yield() = 0;

    // A long step on the window's thread that the user waits for: a modal
    // box saying text and how far it is (done of total), which keeps every
    // window drawn while blocking their input, their close boxes included.
    // Shown by the first call, updated by the next, gone with endBusy.
    virtual void showBusy(const QString& text, qint64 done, qint64 total) {
        Q_UNUSED(text);
        Q_UNUSED(done);
        Q_UNUSED(total);
        yield();
    }
    virtual void endBusy() {}

    // Ends the whole program once the current handler has returned.
    virtual void endProgram() = 0;

    // The installed implementation. Without one, a console fallback answers
    // every question with its safe choice (OK, Cancel, No, "").
    static Ui& current();
    static void install(Ui* ui);
    // Overrides the installed one on the calling thread only (a run's worker
    // thread, whose boxes the window shows); null removes the override.
    static void installForThisThread(Ui* ui);
};

// The answer of a message box closed without choosing (Escape, close box,
// or nobody to ask): OK, Cancel or No.
Answer safeAnswer(Buttons buttons);

// The program's own title, used by message boxes that name none of their own.
inline const QString kProgramTitle = QStringLiteral("UploadTavrel");

} // namespace tavrel
