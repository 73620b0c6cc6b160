#pragma once

#include "store/modData.h"

#include <functional>
#include <optional>
#include <QDate>
#include <QList>
#include <QString>
#include <vector>

// What the history window and the command-line tools ask of the stored
// ratings beyond the main list: ratings of a month, ratings matching words,
// every rating in one go, and the counts of every month. Values in, values
// out; a failure of the database is thrown as RuntimeError.
namespace store {

// Which of a member's ratings.
struct RatingFilter {
    qint16 kind = 0; // 1 to 3 one kind, 0 every one
    QDate month;     // when valid: only that month (local time)
    QString words;   // when not empty: ratings whose comment, giver, item number or
                     // reply hold every one of these words
};

// The words of a search as the full-text index takes them: each word a
// phrase of its own, quotes and operators left out. Empty when no word is left.
QString matchExpression(const QString& words);

qint32 countRatings(modData::Table table, const QString& member, const RatingFilter& filter);

// Up to `count` ratings from firstRow (1-based) on, newest first, as the list
// shows them, each with its id and reply after the six columns.
QList<modData::RatingRow> readRatings(modData::Table table, const QString& member,
                                      const RatingFilter& filter, qint32 firstRow,
                                      qint32 count = feedback::kPageSize);

// Every matching rating, newest first, one at a time without holding them
// all; stops when each returns false.
void forEachRating(modData::Table table, const QString& member, const RatingFilter& filter,
                   const std::function<bool(const modData::RatingRow&)>& each);

struct MonthCounts {
    QDate month; // the first day
    qint32 positive = 0;
    qint32 neutral = 0;
    qint32 negative = 0;
    qint32 total() const { return positive + neutral + negative; }
};

// The member's ratings per month and kind, oldest month first, counted as
// ranges of the index of kind and date. Months without a rating are left out;
// placeholders, ratings of no kind and those that do not count (withdrawn,
// hidden, no longer listed) are not counted.
std::vector<MonthCounts> monthlyCounts(modData::Table table, const QString& member);

// Differs after every write through the program's connection and every
// commit of another process: what was read while it stays the same is still
// what is stored.
struct ChangeStamp {
    quint64 connection = 0; // which opening of the connection
    qint64 writes = 0;      // rows written through this connection since it opened
    qint64 others = 0;      // commits of other connections
    bool operator==(const ChangeStamp&) const = default;
};
ChangeStamp changeStamp();

// Every month from `first` to `last`, those without ratings as zero.
std::vector<MonthCounts> everyMonth(const std::vector<MonthCounts>& counts, QDate first,
                                    QDate last);

// For each month, the share of positive ratings among the positive and
// negative ones of the twelve months up to it, in percent (as the
// marketplace counts it, neutral ones aside); nothing for a stretch
// without such ratings. `months` must hold every month, as everyMonth gives.
std::vector<std::optional<double>> trailingShare(const std::vector<MonthCounts>& months,
                                                 int span = 12);

} // namespace store
