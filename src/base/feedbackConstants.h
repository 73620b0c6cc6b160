#pragma once

#include <optional>
#include <QtGlobal>

// Numbers and names that the store, the feedback source, the view and the
// tools must agree on.
namespace feedback {

// Rows of a page of the list, and entries of a page of the marketplace.
inline constexpr qint32 kPageSize = 200;
// The marketplace refuses a request for fewer entries.
inline constexpr qint32 kSmallestRequest = 25;
// Between the fields of a feedback line.
inline constexpr char kSeparator[] = "#//#";
// A page that held no rating is reported as this line.
inline constexpr char kNoRating[] = "nix";

inline constexpr char kOwnTable[] = "Bewertungeneigen";
inline constexpr char kForeignTable[] = "BewertungenTemp";

// Bewertungszahl: 1 to 3 are the kinds, 0 a placeholder for a rating the
// marketplace counted but did not deliver, 4 a kind the marketplace named in
// a way the program does not know.
inline constexpr qint16 kPlaceholder = 0;
inline constexpr qint16 kPositive = 1;
inline constexpr qint16 kNeutral = 2;
inline constexpr qint16 kNegative = 3;
inline constexpr qint16 kUnknownKind = 4;

// The same kinds as a type, for code that does not have to pass the number.
enum class Kind : qint16 {
    Placeholder = kPlaceholder,
    Positive = kPositive,
    Neutral = kNeutral,
    Negative = kNegative,
    Unknown = kUnknownKind,
};

// The kind a stored number stands for; none for a number no kind has.
constexpr std::optional<Kind> kindOf(qint64 number) {
    if (number < kPlaceholder || number > kUnknownKind)
        return std::nullopt;
    return Kind(number);
}

} // namespace feedback
