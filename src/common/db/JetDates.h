#pragma once

#include <QString>

namespace tavrel {

// The ISO text of a Jet date value (days since 1899-12-30, the fraction the
// time of day): "2009-03-05", with " HH:MM:SS" only when there is a time.
QString jetDateText(double days);

} // namespace tavrel
