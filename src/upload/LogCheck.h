#pragma once

#include <QString>

namespace tavrel {

// True when the client's transcript shows a refused service or login: a line
// that starts with the reply code 421 or 530, or "Niet verbonden" anywhere,
// letter case ignored.
bool logShowsRefusal(const QString& log);

// The log with every occurrence of the password replaced by "****".
QString maskPassword(const QString& log, const QString& password);

} // namespace tavrel
