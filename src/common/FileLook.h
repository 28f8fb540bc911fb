#pragma once

// What stands at a path, asked of the system itself, one file per platform
// (FileLookPosix.cpp, FileLookWindows.cpp); FileExist builds on it.
#include <QString>

namespace tavrel::files {

struct Look {
    enum Kind { Nothing, File, Other, NoAnswer } kind = Nothing;
    bool refused = false; // NoAnswer: access was denied
    QString why;          // NoAnswer: in Dutch
};

Look look(const QString& path);

} // namespace tavrel::files
