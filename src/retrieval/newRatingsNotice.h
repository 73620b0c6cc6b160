#pragma once

#include "app/desktopNotice.h"
#include "store/shownRating.h"

#include <optional>
#include <QSet>
#include <QString>
#include <variant>
#include <vector>

// The desktop notice after a check: which kinds of new ratings call for one
// ([Main] Melden) and what it says.
namespace retrieval {

struct NoticeKinds {
    bool positive = false;
    bool neutral = true;
    bool negative = true;
    bool operator==(const NoticeKinds&) const = default;
};

// "negativ,neutral" (empty: that), any comma list of positiv, neutral and
// negativ, "alle" or "aus"; otherwise the message naming the key and file.
std::variant<NoticeKinds, QString> noticeKindsOf(const QString& value, const QString& configPath);

// The notice for the new ratings of a check, newest first: none when none
// of them is of a kind that calls for one.
std::optional<app::Notice> newRatingsNotice(const std::vector<store::ShownRating>& stored,
                                            const NoticeKinds& kinds);

// The ids of the fetched ratings the member has not stored yet, asked before
// storing: afterwards they are the ratings this check added.
QSet<QString> unstoredIds(const std::vector<store::FetchedRating>& fetched, const QString& member);

// Those ratings as stored, newest first. Throws RuntimeError as the store does.
std::vector<store::ShownRating> storedRatings(const QSet<QString>& ids, const QString& member);

} // namespace retrieval
