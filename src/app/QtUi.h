#pragma once

#include "common/Ui.h"

#include <QProgressDialog>

#include <memory>

namespace tavrel {

// The UI seam on Qt's dialogs, installed by the program at start-up.
class QtUi final : public Ui {
public:
    Answer messageBox(const QString& text, const QString& title, Buttons buttons,
                      Icon icon) override;
    QString openFile(const QString& title, const QString& filter, const QString& fileName) override;
    QString saveFile(const QString& title, const QString& filter, const QString& fileName) override;
    QString pickFolder(const QString& title, const QString& startFolder) override;
    void setWaitCursor(bool on) override;
    void yield() override;
    void showBusy(const QString& text, qint64 done, qint64 total) override;
    void endBusy() override;
    void endProgram() override;

private:
    bool waitCursor_ = false;
    std::unique_ptr<QProgressDialog> busy_;
};

// "desc|pattern|desc|pat1;pat2" as Qt's file dialog reads it:
// "desc (pattern);;desc (pat1 pat2)".
// A description that already ends with its patterns stays as it is.
QString qtFileFilter(const QString& filter);

// The place of the first choice of filter that shows fileName (0 when none).
int matchingFilter(const QString& filter, const QString& fileName);

} // namespace tavrel
