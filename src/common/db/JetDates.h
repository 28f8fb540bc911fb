#pragma once

#include <QString>

namespace tavrel {

// The ISO text of a Jet date value (days since 1899-12-30, the fraction the
// time of day): "2009-03-05", with " HH:MM:SS" only when there is a time;
// empty for a value that is no day at all (not a number, infinite, huge).
QString jetDateText(double days);

} // namespace tavrel
