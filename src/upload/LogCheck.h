#pragma once

#include <QString>

namespace tavrel {

// True when the client's transcript shows a refused service or login: a line
// that starts with the reply code 421 or 530, or "Niet verbonden" anywhere,
// letter case ignored.
bool logShowsRefusal(const QString& log);

// The number (from 0) of the first line of a transcript that says why the
// upload failed: a 4xx or 5xx reply of the server, or the runner's own remark
// of a failure; -1 when no line does.
int failureLine(const QString& log);

// The transcript as the window shows it: a line of hash marks longer than a
// line of the window becomes its first marks and their count. The log file
// keeps them all.
QString condensedTranscript(const QString& log);

// The log with the password replaced by "****" wherever it stands whole (no
// letter or digit right before or after it), and nowhere else.
QString maskPassword(const QString& log, const QString& password);

// Server text as the window, the error report, standard error and the
// last-run line show it: the password masked, every control character but
// TAB and the line ends as "?" (an escape sequence moves no cursor, a lone
// CR starts no line that looks like the program's own), and each line cut
// at 512 characters. The log keeps the text whole.
QString shownText(const QString& text, const QString& password);

// A field of a server's (a certificate's name) as one line: every control
// character, line ends too, as "?".
QString oneLine(QString text);

} // namespace tavrel
