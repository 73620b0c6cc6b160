#pragma once

#include "store/connection.h"
#include "store/modData.h"

#include <optional>
#include <QList>
#include <QString>

// One page of a member's ratings, newest first. The main list's readers
// (modData.h) and the history window's (ratingQuery.h) both read through it.
namespace store {

// How a row's columns become texts. The main list takes each value as
// funcCheckNull gives it (a decimal number with a comma); the history window
// takes the columns' texts.
enum class RowTexts { Values, Columns };

// A row of a statement selecting Bewertungszahl, the shown text, KV, Datum,
// Ebayuser, Artikel, FeedbackID and Antwort, in that order. The last two, as
// texts (empty for none), only with details: the main list shows six columns.
modData::RatingRow rowOf(const Statement& q, RowTexts texts, bool details = false);

struct PageRequest {
    modData::Table table = modData::Table::Own;
    QString member;
    std::optional<qint16> kind; // none: every kind
    qint64 firstRow = 1;        // 1-based
    qint64 rows = 0;
    // The member's rows of that kind, when counted: the page is then read
    // from whichever end of them is nearer, so no page skips more than half.
    std::optional<qint64> total;
    RowTexts texts = RowTexts::Values;
    bool details = false; // id and reply appended to each row
};

// Only the rows asked for are read. With details and newAfter, rows of a
// larger ID get that ID as a ninth value, the others "".
QList<modData::RatingRow> readRatingPage(const PageRequest& request,
                                         std::optional<qint64> newAfter = std::nullopt);

} // namespace store
