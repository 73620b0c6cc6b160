#pragma once

#include "errors/procedure.h"

#include <functional>
#include <QString>
#include <QStringList>

// Turns fetched feedback lines (modGlobal::colNeueBewertungen) into stored
// rows, all in one batch: a run is stored whole or not at all.
namespace lineStoring {

inline const QString kSeparator = QStringLiteral("#//#");

// Called with the 1-based number of the line just handed to the store.
using Progress = std::function<void(qint32 i)>;

// The own ratings, for sStandardUser, then placeholder rows up to the total
// the source reported (lAnzahlBewertungen). Each line is a step of p: after
// an error the user may go on with the next line. Returns false, after
// saying so, when the batch could not be stored.
bool storeOwn(errors::Procedure& p, const Progress& progress);

// A foreign member's ratings, for sFremdUser; lines without the separator
// are skipped. yield runs after every line.
bool storeForeign(errors::Procedure& p, const Progress& progress,
                  const std::function<void()>& yield);

// The rating value of field 0: decimal text to 32 bits, then to 16 bits
// (run-time error 13 or 6 otherwise).
qint16 ratingValue(const QString& field);

inline const QString kPlaceholderText = QStringLiteral("Bewertung wurde von Ebay nicht geliefert");

} // namespace lineStoring
