#include "ScriptedUi.h"

#include <gtest/gtest.h>

namespace tavrel::test {

ScriptedUi::ScriptedUi() {
    Ui::install(this);
}

ScriptedUi::~ScriptedUi() {
    Ui::install(nullptr);
    EXPECT_TRUE(queue_.empty()) << queue_.size() << " scripted answer(s) never asked for";
}

ScriptedUi& ScriptedUi::answer(Answer a) {
    queue_.push_back({Prompt::Kind::Message, a, {}});
    return *this;
}

ScriptedUi& ScriptedUi::chooseFile(const QString& p) {
    queue_.push_back({Prompt::Kind::OpenFile, Answer::Ok, p});
    return *this;
}

ScriptedUi& ScriptedUi::chooseFolder(const QString& p) {
    queue_.push_back({Prompt::Kind::PickFolder, Answer::Ok, p});
    return *this;
}

ScriptedUi& ScriptedUi::saveAs(const QString& p) {
    queue_.push_back({Prompt::Kind::SaveFile, Answer::Ok, p});
    return *this;
}

std::vector<Prompt> ScriptedUi::messages() const {
    std::vector<Prompt> out;
    for (const Prompt& p : prompts_)
        if (p.kind == Prompt::Kind::Message)
            out.push_back(p);
    return out;
}

bool ScriptedUi::take(Prompt::Kind kind, Scripted& out, const QString& what) {
    if (queue_.empty() || queue_.front().kind != kind) {
        ADD_FAILURE() << "unexpected prompt: " << what.toStdString();
        return false;
    }
    out = queue_.front();
    queue_.pop_front();
    return true;
}

Answer ScriptedUi::messageBox(const QString& text, const QString& title, Buttons buttons,
                              Icon icon) {
    prompts_.push_back({Prompt::Kind::Message, text, title, buttons, icon, {}});
    Scripted s;
    if (take(Prompt::Kind::Message, s, title + QStringLiteral(": ") + text))
        return s.answer;
    return safeAnswer(buttons);
}

QString ScriptedUi::openFile(const QString& title, const QString& filter, const QString& fileName) {
    prompts_.push_back({Prompt::Kind::OpenFile, fileName, title, Buttons::Ok, Icon::None, filter});
    Scripted s;
    return take(Prompt::Kind::OpenFile, s, QStringLiteral("file dialog ") + title) ? s.path
                                                                                   : QString();
}

QString ScriptedUi::saveFile(const QString& title, const QString& filter, const QString& fileName) {
    prompts_.push_back({Prompt::Kind::SaveFile, fileName, title, Buttons::Ok, Icon::None, filter});
    Scripted s;
    return take(Prompt::Kind::SaveFile, s, QStringLiteral("save dialog ") + title) ? s.path
                                                                                   : QString();
}

QString ScriptedUi::pickFolder(const QString& title, const QString& startFolder) {
    prompts_.push_back({Prompt::Kind::PickFolder, startFolder, title, Buttons::Ok, Icon::None, {}});
    Scripted s;
    return take(Prompt::Kind::PickFolder, s, QStringLiteral("folder dialog ") + title) ? s.path
                                                                                       : QString();
}

void ScriptedUi::setWaitCursor(bool on) {
    waitCursor_ = on;
    ++waitCursorChanges_;
}

} // namespace tavrel::test
