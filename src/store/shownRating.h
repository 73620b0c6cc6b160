#pragma once

#include "base/feedbackConstants.h"
#include "store/modData.h"

#include <optional>
#include <QString>

namespace store {

// A row of the list (modData::RatingRow) with its columns named.
struct ShownRating {
    QString number;                     // Bewertungszahl as read
    std::optional<feedback::Kind> kind; // none unless the number is a kind's
    QString text;
    QString kv;
    QString date; // "dd.MM.yyyy hh:mm", empty for none
    QString member;
    QString item;
    QString id;         // the marketplace's id, where the row has it
    QString reply;      // the member's reply, empty for none
    bool isNew = false; // stored since the member last looked
};

ShownRating shownRating(const modData::RatingRow& row);

} // namespace store
