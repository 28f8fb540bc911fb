#pragma once

#include <QVariantMap>

namespace tavrel {

// Qt's own file dialog keeps its last folder, history and column widths in a
// store every Qt program shares ("QtProject": HKCU\Software\QtProject in the
// registry on Windows, QtProject.conf in the configuration folder
// elsewhere), a place this program's settings never name. A DialogTraces
// made before a dialog and ended after it puts that store back as it was.
class DialogTraces {
public:
    DialogTraces();
    ~DialogTraces();
    DialogTraces(const DialogTraces&) = delete;
    DialogTraces& operator=(const DialogTraces&) = delete;

private:
    QVariantMap dialogKeys_; // what the store held for the file dialog
    bool storeWasEmpty_ = false;
};

} // namespace tavrel
