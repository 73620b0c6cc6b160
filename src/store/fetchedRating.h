#pragma once

#include "base/feedbackConstants.h"

#include <QDateTime>
#include <QString>

namespace store {

// A comment the marketplace keeps beside a rating: the rated member's reply,
// or the giver's follow-up.
struct RatingReply {
    QString text;  // as delivered; decoded when stored
    QString state; // the comment's state ("ENTERED", ...), or ""
    bool operator==(const RatingReply&) const = default;
};

// One rating as the marketplace delivered it, read once from its answer.
struct FetchedRating {
    QString id;             // the marketplace's id of the rating
    qint16 kind{};          // feedback::kPositive ... kNegative, or kUnknownKind
    QString text;           // the comment as delivered; decoded when stored
    QString kv;             // "V": the member sold, "K": the member bought, "" unknown
    QDateTime when;         // local time to the minute; invalid when none could be read
    QString giver;          // may be masked or empty
    QString item;           // item number, often empty
    QString state{};        // the marketplace's feedbackState ("ENTERED", "WITHDRAWN", ...), or ""
    RatingReply reply{};    // empty text when none
    RatingReply followup{}; // empty text when none

    // What an entry lacked that it cannot be stored without: without an id
    // it could never be matched again (id is then made from its content, to
    // tell it apart within a run), without a kind it is no rating.
    enum class Lack { Nothing, Id, Kind };
    Lack lack = Lack::Nothing;

    // The member answered it, or the giver followed up.
    bool hasReply() const { return !reply.text.isEmpty() || !followup.text.isEmpty(); }

    // A rating the marketplace delivered with its kind and date.
    bool complete() const {
        return kind >= feedback::kPositive && kind <= feedback::kNegative && when.isValid();
    }
};

} // namespace store
