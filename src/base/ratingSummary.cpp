#include "base/ratingSummary.h"

#include <cmath>

namespace base {

double roundHalfEvenTenth(double value) {
    const double scaled = value * 10.0;
    const double floor = std::floor(scaled);
    const double fraction = scaled - floor;
    double rounded = floor;
    // Values within rounding noise of a half count as the half.
    if (std::fabs(fraction - 0.5) < 1e-9)
        rounded = std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
    else if (fraction > 0.5)
        rounded = floor + 1.0;
    return rounded / 10.0;
}

QString anzeigeText(qint64 first, qint64 last, qint64 rows, qint64 notCounted) {
    QString text =
        QStringLiteral("Anzeige: %1 - %2 von %3").arg(first).arg(last).arg(rows - notCounted);
    if (notCounted > 0)
        text += QStringLiteral(" (+ %1 zurückgezogen)").arg(notCounted);
    return text;
}

QString prozenteText(qint64 pos, qint64 neg) {
    if (pos <= neg)
        return QStringLiteral("Positive Bewertungen : 0 %");
    // 64-bit product: no overflow for any count a member can have.
    const double p = roundHalfEvenTenth(double((pos - neg) * 100) / double(pos));
    QString text = QString::number(p, 'f', 1);
    if (text.endsWith(QStringLiteral(".0")))
        text.chop(2);
    text.replace(QLatin1Char('.'), QLatin1Char(','));
    return QStringLiteral("Positive Bewertungen : ") + text + QStringLiteral(" % ");
}

} // namespace base
