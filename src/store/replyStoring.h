#pragma once

#include "store/fetchedRating.h"

#include <optional>
#include <QString>

// One of the member's own received ratings, looked up by its marketplace id
// for answering it, and the reply stored once the marketplace has it.
namespace store {

struct ReplyTarget {
    QString id;
    qint16 kind = 0; // feedback::kPlaceholder ... kUnknownKind
    QString date;    // "dd.MM.yyyy hh:mm", empty for none
    QString giver;   // as stored; "???" when the marketplace gave none
    QString comment; // as stored
    QString reply;   // the member's stored reply, empty for none
    bool placeholder() const { return kind == 0; }
    bool hasReply() const { return !reply.isEmpty(); }
};

// The standard user's rating with that id in Bewertungeneigen, or none.
// Throws errors::RuntimeError when the database fails.
std::optional<ReplyTarget> ownRating(const QString& member, const QString& feedbackId);

// Stores the reply (Antwort, AntwortZustand) of the member's rating with that
// id, in one batch, its text as given (a fetched one is decoded by the caller). The fault's German
// text, or empty when it was stored; a rating that is not there is a fault too.
[[nodiscard]] QString storeReply(const QString& member, const QString& feedbackId,
                                 const RatingReply& reply);

} // namespace store
