#pragma once

#include "base/feedbackConstants.h"

#include <QDateTime>
#include <QString>

namespace store {

// One rating as the marketplace delivered it, read once from its answer.
struct FetchedRating {
    QString id;      // the marketplace's id of the rating
    qint16 kind{};   // feedback::kPositive ... kNegative, or kUnknownKind
    QString text;    // the comment as delivered; decoded when stored
    QString kv;      // "V": the member sold, "K": the member bought, "" unknown
    QDateTime when;  // local time to the minute; invalid when none could be read
    QString giver;   // may be masked or empty
    QString item;    // item number, often empty
    QString state{}; // the marketplace's feedbackState ("ENTERED", "WITHDRAWN", ...), or ""

    // What an entry lacked that it cannot be stored without: without an id
    // it could never be matched again (id is then made from its content, to
    // tell it apart within a run), without a kind it is no rating.
    enum class Lack { Nothing, Id, Kind };
    Lack lack = Lack::Nothing;

    // A rating the marketplace delivered with its kind and date.
    bool complete() const {
        return kind >= feedback::kPositive && kind <= feedback::kNegative && when.isValid();
    }
};

} // namespace store
