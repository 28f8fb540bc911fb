#pragma once

#include <QString>
#include <QStringList>

#include <array>

namespace tavrel {

// What the program's arguments ask for. Qt's own options (-platform,
// -style, ...) are left to Qt; anything else that is not ours is refused.
struct CommandLine {
    enum class Action { Run, Upload, Help, Version, Refuse };
    Action action = Action::Run;
    QString text;   // the help, the version, or the refusal with the usage
    int status = 0; // the exit status when the program does not run

    // For Upload: swimmers and times, limits, levels; and the folder the
    // files are kept in ("" when they are not kept).
    std::array<bool, 3> dataSets{true, false, false};
    QString csvFolder;
};

CommandLine parseCommandLine(const QStringList& arguments);

// The Dutch sentence for a start without a display.
QString noDisplayText();

} // namespace tavrel
