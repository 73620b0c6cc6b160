#pragma once

#include "store/ratingQuery.h"

#include <functional>
#include <QString>

// Ratings written to a file for a spreadsheet or another program: date, kind,
// K/V, giver, item number, text and the member's reply of each, newest first.
namespace store {

enum class ExportFormat {
    Csv,  // as German spreadsheet programs open it: ";", UTF-8 with BOM, CRLF
    Json, // an array of objects with the column names as keys
};

// ".json" (any letter case) is JSON, every other name CSV.
ExportFormat formatOfPath(const QString& path);

struct ExportResult {
    bool ok = false;
    bool cancelled = false;
    qint64 rows = 0; // rows written
    QString error;   // why it failed, in German; empty when ok or cancelled
};

// Writes the member's ratings that the filter selects to path. The file
// appears only when all of it was written; a failure or a cancel leaves no
// file, and a file already at path stays as it was. Rows are streamed, so a
// million take no more memory than one. progress is told the rows written
// every few hundred rows and cancels by returning false.
ExportResult exportRatings(const QString& path, ExportFormat format, modData::Table table,
                           const QString& member, const RatingFilter& filter,
                           const std::function<bool(qint64 written)>& progress = {});

} // namespace store
