#include "Ui.h"

#include <QTextStream>

namespace tavrel {

namespace {

// Used by the command-line tools and by code running before a window exists.
class ConsoleUi final : public Ui {
public:
    Answer messageBox(const QString& text, const QString& title, Buttons buttons, Icon) override {
        QTextStream(stderr) << title << ": "
                            << QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n"))
                            << '\n';
        return safeAnswer(buttons);
    }
    QString openFile(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&) override { return {}; }
    QString pickFolder(const QString&, const QString&) override { return {}; }
    void setWaitCursor(bool) override {}
    void yield() override {}
    void endProgram() override {}
};

Ui* installed = nullptr;
thread_local Ui* thisThread = nullptr;

} // namespace

Answer safeAnswer(Buttons buttons) {
    switch (buttons) {
    case Buttons::Ok:
        return Answer::Ok;
    case Buttons::OkCancel:
        return Answer::Cancel;
    case Buttons::YesNo:
    case Buttons::YesNoDefaultNo:
        return Answer::No;
    }
    return Answer::Cancel;
}

Ui& Ui::current() {
    static ConsoleUi console;
    if (thisThread)
        return *thisThread;
    return installed ? *installed : console;
}

void Ui::install(Ui* ui) {
    installed = ui;
}

void Ui::installForThisThread(Ui* ui) {
    thisThread = ui;
}

} // namespace tavrel
