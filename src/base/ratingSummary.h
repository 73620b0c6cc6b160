#pragma once

#include <QString>

namespace base {

// The percentage line under the list: the share of positive ratings not
// cancelled by a negative one, relative to the positive ones, to one decimal
// (half to even) with a decimal comma.
QString prozenteText(qint64 pos, qint64 neg);

// The caption of a page of the list: "Anzeige: 1 - 200 von 450". rows are
// the ratings of the view, notCounted those of them withdrawn or hidden,
// which the list shows and the count leaves out: "... von 2950 (+ 50
// zurückgezogen)".
QString anzeigeText(qint64 first, qint64 last, qint64 rows, qint64 notCounted = 0);

// Rounds to one decimal place, a value halfway between two tenths going to
// the even one.
double roundHalfEvenTenth(double value);

} // namespace base
