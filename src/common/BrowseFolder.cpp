#include "BrowseFolder.h"

#include "Ui.h"

#include <QDir>

namespace tavrel {

QString BrowseForFolder(const QString& title, const QString& startFolder) {
    const QString start =
        startFolder.isEmpty() ? QDir::toNativeSeparators(QDir::currentPath()) : startFolder;
    return Ui::current().pickFolder(title, start);
}

} // namespace tavrel
