#pragma once

#include <QString>

namespace tavrel {

// Shows the folder dialog titled title, opened at startFolder, or at the
// process's current folder when startFolder is empty. Returns the chosen
// folder's full path without a separator added, or "" on cancel.
QString BrowseForFolder(const QString& title, const QString& startFolder);

} // namespace tavrel
