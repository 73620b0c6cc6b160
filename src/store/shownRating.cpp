#include "store/shownRating.h"

namespace store {

ShownRating shownRating(const modData::RatingRow& row) {
    ShownRating r{row.value(0), std::nullopt, row.value(1), row.value(2), row.value(3),
                  row.value(4), row.value(5), row.value(6), row.value(7), !row.value(8).isEmpty()};
    bool ok = false;
    const int number = r.number.toInt(&ok);
    if (ok)
        r.kind = feedback::kindOf(number);
    return r;
}

} // namespace store
