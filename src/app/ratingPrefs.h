#pragma once

#include "base/result.h"

#include <QString>
#include <QStringList>

namespace app {

// What the configuration says about rating buyers: [Bewerten] Automatisch
// and the comment templates of [Bewertungsvorlagen] Vorlage1=, Vorlage2=, …
struct RatingPrefs {
    bool automatisch = false;
    QStringList vorlagen; // as written; an empty one stands for the program's own
};

// At least three templates, more while the file has them. A missing file
// reads as the defaults: off, no texts of its own.
RatingPrefs readRatingPrefs(const QString& configFile);

// Sets [Bewerten] Automatisch to 1 or 0; everything else in the file stays.
[[nodiscard]] base::Result<bool> writeRateAutomatically(const QString& configFile, bool on);

} // namespace app
