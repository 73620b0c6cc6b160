#pragma once

#include "store/connection.h"

#include <QList>
#include <QString>

// How far the member has seen their own ratings (table Gesehen): the
// newest rating id of the own table when the list was last looked at. Rows
// with a larger id came later and are shown as new. One row per member, so
// storing ratings costs nothing extra and a page compares ids.
namespace store {

// The table, made with an empty database and by the upgrade to version 7.
const char* seenSql();
// Marks every rating of a file made before the table as seen.
const char* seenExistingSql();

// The member's mark. A member without one has it set to the newest rating
// stored: ratings found before anything was ever looked at, a first load
// above all, are history rather than news. Throws DatabaseError.
qint64 seenUpTo(Connection& connection, const QString& member);

// The member has looked at the new ratings of these ids (column ID). The
// mark moves up to the newest of them, but stops below the oldest new
// rating that was not among them: a rating stored after the page was read,
// or one on another page or hidden by the filter, stays new. Returns the
// ids given that are still new. Throws DatabaseError.
QList<qint64> markSeen(Connection& connection, const QString& member,
                       const QList<qint64>& shownIds);

} // namespace store
