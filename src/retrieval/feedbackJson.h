#pragma once

#include "store/fetchedRating.h"

#include <optional>
#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

// Reading the marketplace's feedback answers. Every function checks the shape
// it relies on and reports an answer it cannot use as nullopt; fields that may
// be absent read as empty.
namespace feedbackJson {

// A field of a feedback line never holds "#//" or "//#": either would let a
// split at the separator "#//#" cut the line in the wrong place, together
// with the separator beside it. Each becomes "#/ /" or "/ /#".
QString maskField(QString field);

// One entry, read once: its kind, text, K/V mark, date in local time, giver,
// item number, id and state, and the reply and follow-up with their states
// where the entry has them. Texts with a lone surrogate get U+FFFD in its
// place. An entry without an id or a kind says so in its lack.
store::FetchedRating parseRating(const QJsonObject& entry);

// The rating as a feedback line: kind, text, K/V mark, date as
// "dd.MM.yyyy hh:mm" (empty when unknown), giver, item number, and the id as
// a seventh field.
QString feedbackLine(const store::FetchedRating& rating);

struct EntriesAnswer {
    QJsonArray entries;               // objects only
    std::optional<qint64> total;      // pagination.total
    std::optional<qint64> firstScore; // feedbackScore of the first entry
};
std::optional<EntriesAnswer> parseEntries(const QByteArray& body);

struct ErrorAnswer {
    int errorId = 0;
    QString message;
    QString oauthError; // the token endpoint's "error" code
};
// The first error of an error envelope, or of an OAuth error; empty when none.
ErrorAnswer parseError(const QByteArray& body);

struct SummaryAnswer {
    qint64 positive = 0;
    qint64 neutral = 0;
    qint64 negative = 0;
    std::optional<double> percent; // from the marketplace, when exactly one role gave it
};
std::optional<SummaryAnswer> parseSummary(const QByteArray& body);

// One decimal, decimal comma: "99,3".
QString prozentText(double percent);

struct TokenAnswer {
    QString accessToken;
    qint64 expiresIn = 7200;
    QString refreshToken;        // only an authorization code's answer has one
    qint64 refreshExpiresIn = 0; // seconds, with refreshToken
};
std::optional<TokenAnswer> parseToken(const QByteArray& body);

} // namespace feedbackJson
