#include "app/funCDate.h"

#include "base/dateText.h"
#include "errors/procedure.h"

namespace modGlobal {
namespace {

QDateTime asDateTime(const base::DateTimeText& value) {
    const QDateTime local = value.toDateTime();
    // A time the local clock skips (daylight saving) is still that day.
    return local.isValid() ? local : QDateTime(value.date, value.time, Qt::UTC);
}

} // namespace

QDateTime funCDate(const QString& Text) {
    errors::Procedure p("[modGlobal] Public Function funCDate(Text As String) As Date",
                        errors::Handling::SkipSilently);
    if (const auto whole = base::parseLocalDateTime(Text))
        return asDateTime(*whole);
    if (const auto front = base::parseLocalDateTime(Text.left(8)))
        return asDateTime(*front);
    return base::zeroDate();
}

} // namespace modGlobal
