#pragma once

#include <optional>
#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

// Reading the marketplace's feedback answers. Every function checks the shape
// it relies on and reports an answer it cannot use as nullopt; fields that may
// be absent read as empty.
namespace feedbackJson {

// The separator of a feedback line's fields.
inline constexpr char kTrenner[] = "#//#";

// A field that holds the separator itself would be split apart later: every
// "#//#" inside it becomes "#/ /#".
QString maskTrenner(QString field);

// One entry as a feedback line: kind, text, K/V mark, local date as
// "dd.MM.yyyy hh:mm", giver, item number, and the rating's id as a seventh field.
QString feedbackLine(const QJsonObject& entry);

// "1", "2", "3" for POSITIVE, NEUTRAL, NEGATIVE; "0" when the kind is missing.
QString kindDigit(const QJsonObject& entry);

struct EntriesAnswer {
    QJsonArray entries;               // objects only
    std::optional<qint64> total;      // pagination.total
    std::optional<qint64> firstScore; // feedbackScore of the first entry
};
std::optional<EntriesAnswer> parseEntries(const QByteArray& body);

struct ErrorAnswer {
    int errorId = 0;
    QString message;
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
};
std::optional<TokenAnswer> parseToken(const QByteArray& body);

} // namespace feedbackJson
