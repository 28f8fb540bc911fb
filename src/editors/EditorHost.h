#pragma once

#include <QString>

namespace tavrel {

// What an editor window needs of the main window that opened it.
class EditorHost {
public:
    virtual ~EditorHost() = default;
    // The limits database path as the main window shows it now.
    virtual QString limitsDatabasePath() const = 0;
    // Replaces the text of the main window's message area.
    virtual void showMessage(const QString& text) = 0;
    virtual void focusLimitsDatabase() = 0;
    // Points the limits database field, and the stored setting, at path.
    virtual void setLimitsDatabasePath(const QString& path) = 0;
    // The editor has closed: the main window shows itself again.
    virtual void editorClosed() = 0;
};

// The codes behind the stroke and gender lists of both editors, by position.
inline const char* const kStrokeCodes[] = {"vr", "vl", "ru", "ss", "wi"};
inline const char* const kGenderCodes[] = {"j", "m"};

} // namespace tavrel
