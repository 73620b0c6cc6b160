#pragma once

#include "store/modData.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <vector>

// The marketplace's state of each stored rating (column Zustand). A rating
// it withdrew or hid, or no longer lists at all, stays in the list, marked,
// and is left out of the counts and the percentage, as the marketplace
// leaves it out of the score.
namespace store {

// The states that keep a rating out of the counts, as SQL.
#define NS_NOT_COUNTED_STATES "('WITHDRAWN', 'HIDDEN', 'UNLISTED')"
#define NS_NOT_COUNTED "Zustand IN " NS_NOT_COUNTED_STATES
// The comment as the list shows it: marked when the rating does not count.
#define NS_SHOWN_TEXT                                                                              \
    "CASE WHEN " NS_NOT_COUNTED " THEN '(zurückgezogen) ' || ifnull(Bewertungstext, '') "         \
    "ELSE Bewertungstext END"

class Statement;

// Binds a fetched rating's state: none given is NULL.
void bindState(Statement& q, int index, const QString& state);

// Our own state of a rating that a full check no longer found listed.
inline constexpr char kUnlisted[] = "UNLISTED";

// The member's stored ratings that do not count, by kind (1 to 3; 0 and 4
// the others), and those of them no longer listed at all.
struct NotCounted {
    qint32 byKind[5] = {};
    qint32 unlisted = 0;
    qint32 all() const { return byKind[0] + byKind[1] + byKind[2] + byKind[3] + byKind[4]; }
    qint32 ofKind(int kind) const { return kind >= 0 && kind <= 4 ? byKind[kind] : 0; }
};
// Throws RuntimeError on a failure of the database.
NotCounted notCounted(modData::Table table, const QString& member);

struct MonthKind {
    QDate month; // the first day
    qint16 kind = 0;
    qint32 count = 0;
};
// The ratings that do not count, per month and kind.
std::vector<MonthKind> notCountedByMonth(modData::Table table, const QString& member);

struct ListingReport {
    bool ok = false;      // stored
    qint32 withdrawn = 0; // ratings that counted and no longer do
    qint32 restored = 0;  // ratings that did not count and do again
    qint32 added = 0;     // listed ratings the store lacked, stored with the listing
    qint32 replied = 0;   // stored ratings that took a reply or follow-up they lacked
    QString fault;        // why nothing was stored
};
// A full check's result: every rating the marketplace lists, by id, with
// its state ("" when it gave none). Each stored rating of the member with an
// id takes its state from there, or UNLISTED when it is not listed; none is
// deleted. One batch: all of it is stored, or nothing.
[[nodiscard]] ListingReport applyListing(modData::Table table, const QString& member,
                                         const QHash<QString, QString>& listed);

} // namespace store
