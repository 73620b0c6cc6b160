#pragma once

#include "store/connection.h"

#include <optional>
#include <QString>

// The journal of the ratings the member gave their buyers (table
// Kaeuferbewertungen): each is written before its request goes out and again
// with the answer, so that no item is ever rated twice, even by a process
// that died in between.
namespace store {

// The table, made with an empty database and by the upgrade to version 6.
const char* buyerRatingSql();

struct BuyerRatingEntry {
    enum class State {
        Sent,    // 'gesendet': the request went out, no answer recorded
        Done,    // 'erledigt': the marketplace took it, or had one already
        Refused, // 'abgelehnt': the marketplace refused it; it may be sent again
    };
    QString key; // the order line, or listing and transaction joined by '-'
    QString member;
    QString listingId;
    QString title;
    QString comment;
    State state = State::Sent;
    QString time; // "yyyy-MM-dd hh:mm:ss", local
    QString message;
};

// The entry of an item, if it was ever sent.
std::optional<BuyerRatingEntry> buyerRating(Connection& connection, const QString& key);

// Writes the entry in place of any earlier one of the same key; the time is
// now. Throws DatabaseError.
void recordBuyerRating(Connection& connection, const BuyerRatingEntry& entry);

// How many items of the member the journal holds: where the templates go on.
qint64 buyerRatingCount(Connection& connection, const QString& member);

} // namespace store
