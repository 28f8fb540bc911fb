#pragma once

#include <QString>
#include <QVariant>

#include <string>

namespace tavrel {

// The codes of the club database turned into the texts of the times file,
// for the 2006 and the 2009 layout.
enum class ClubLayout { Tavrel2006, Tavrel2009 };

QString strokeText(ClubLayout layout, const QVariant& stroke); // "vr", "vl", "ru", "ss", "wi", ""
QString distanceText(ClubLayout layout, const QVariant& distance); // "100", "onb.", ...
QString poolText(ClubLayout layout, const QVariant& poolOrCourse); // "25", "50", ...
QString resultTypeText(const QVariant& resultType);                // "st.est.", ... or ""

// A swim time as "mm.ss.th": minutes and seconds of two digits at least,
// then tenths and hundredths. 2006 times end in four digits below the
// seconds (tenths, a hand-timing mark "1" that drops the hundredths,
// hundredths, one more); 2009 times are milliseconds. A time with fewer
// digits reads as if padded with zeros; null, or no whole number, gives "".
QString timeText(ClubLayout layout, const QVariant& totalTime);
// timeText of a whole number, appended as bytes.
void appendTime(std::string& out, ClubLayout layout, qint64 totalTime);

} // namespace tavrel
