#pragma once

#include <QString>

namespace base {

// The percentage line under the list: the share of positive ratings not
// cancelled by a negative one, relative to the positive ones, to one decimal
// (half to even) with a decimal comma.
QString prozenteText(qint64 pos, qint64 neg);

// Rounds to one decimal place, a value halfway between two tenths going to
// the even one.
double roundHalfEvenTenth(double value);

} // namespace base
