#include "store/ratingQuery.h"

#include "app/modGlobal.h"
#include "base/dateText.h"
#include "store/connection.h"

#include <map>
#include <QRegularExpression>

namespace store {

namespace {

Connection& connection() {
    if (!modGlobal::cnDB)
        errors::raise(errors::RuntimeError::ObjectNotSet);
    if (!modGlobal::cnDB->isOpen())
        modGlobal::cnDB->reopen();
    return *modGlobal::cnDB;
}

const char* tableName(modData::Table table) {
    return table == modData::Table::Own ? feedback::kOwnTable : feedback::kForeignTable;
}

// The statement for a filter; the values are bound by bindFilter.
QByteArray whereClause(modData::Table table, const RatingFilter& filter) {
    const QByteArray t(tableName(table));
    QByteArray where = " FROM " + t + " WHERE Usereigen = ?1";
    if (filter.kind != 0)
        where += " AND Bewertungszahl = ?2";
    if (filter.month.isValid())
        where += " AND Datum >= ?3 AND Datum < ?4";
    if (!filter.words.isEmpty())
        where += " AND ID IN (SELECT docid FROM " + t + "Suche WHERE " + t + "Suche MATCH ?5)";
    return where;
}

void bindFilter(Statement& s, const QString& member, const RatingFilter& filter) {
    s.bind(1, member);
    if (filter.kind != 0)
        s.bind(2, qint64(filter.kind));
    if (filter.month.isValid()) {
        const QDate first(filter.month.year(), filter.month.month(), 1);
        s.bind(3, first.toString(QStringLiteral("yyyy-MM-dd 00:00")));
        s.bind(4, first.addMonths(1).toString(QStringLiteral("yyyy-MM-dd 00:00")));
    }
    if (!filter.words.isEmpty())
        s.bind(5, matchExpression(filter.words));
}

// No words that the index could take: nothing matches.
bool matchesNothing(const RatingFilter& filter) {
    return !filter.words.isEmpty() && matchExpression(filter.words).isEmpty();
}

modData::RatingRow rowOf(const Statement& q) {
    modData::RatingRow row;
    row.reserve(6);
    row << (q.isNull(0) ? QString() : QString::number(q.int64(0))) << q.text(1) << q.text(2)
        << (q.isNull(3) ? QString() : shownDate(q.text(3))) << q.text(4) << q.text(5);
    return row;
}

constexpr char kColumns[] = "SELECT Bewertungszahl, Bewertungstext, KV, Datum, Ebayuser, Artikel";
constexpr char kNewestFirst[] = " ORDER BY Datum DESC, ID DESC";

} // namespace

QString matchExpression(const QString& words) {
    static const QRegularExpression separators(QStringLiteral("[^\\p{L}\\p{N}]+"));
    QStringList phrases;
    for (const QString& word : words.split(separators, Qt::SkipEmptyParts))
        phrases << QLatin1Char('"') + word + QLatin1Char('"');
    return phrases.join(QLatin1Char(' '));
}

qint32 countRatings(modData::Table table, const QString& member, const RatingFilter& filter) {
    if (matchesNothing(filter))
        return 0;
    Statement q = connection().prepare("SELECT count(*)" + whereClause(table, filter));
    bindFilter(q, member, filter);
    return q.next() ? qint32(q.int64(0)) : 0;
}

QList<modData::RatingRow> readRatings(modData::Table table, const QString& member,
                                      const RatingFilter& filter, qint32 firstRow, qint32 count) {
    QList<modData::RatingRow> rows;
    if (matchesNothing(filter) || count <= 0)
        return rows;
    Statement q = connection().prepare(kColumns + whereClause(table, filter) + kNewestFirst +
                                       " LIMIT ?6 OFFSET ?7");
    bindFilter(q, member, filter);
    q.bind(6, qint64(count)).bind(7, qint64(std::max(1, firstRow) - 1));
    while (q.next())
        rows << rowOf(q);
    return rows;
}

void forEachRating(modData::Table table, const QString& member, const RatingFilter& filter,
                   const std::function<bool(const modData::RatingRow&)>& each) {
    if (matchesNothing(filter))
        return;
    Statement q = connection().prepare(kColumns + whereClause(table, filter) + kNewestFirst);
    bindFilter(q, member, filter);
    while (q.next())
        if (!each(rowOf(q)))
            return;
}

std::vector<MonthCounts> monthlyCounts(modData::Table table, const QString& member) {
    // Kind first: the index of member, kind and date serves the grouping
    // without sorting.
    const QByteArray sql = "SELECT substr(Datum, 1, 7), Bewertungszahl, count(*) FROM " +
                           QByteArray(tableName(table)) +
                           " WHERE Usereigen = ?1 AND Bewertungszahl BETWEEN 1 AND 3 AND "
                           "Datum IS NOT NULL GROUP BY Bewertungszahl, substr(Datum, 1, 7)";
    Statement q = connection().prepare(sql.constData());
    q.bind(1, member);
    std::map<QDate, MonthCounts> months;
    while (q.next()) {
        const QDate month = QDate::fromString(q.text(0) + QStringLiteral("-01"), Qt::ISODate);
        if (!month.isValid())
            continue;
        MonthCounts& m = months[month];
        m.month = month;
        const qint32 n = qint32(q.int64(2));
        switch (q.int64(1)) {
        case feedback::kPositive:
            m.positive += n;
            break;
        case feedback::kNeutral:
            m.neutral += n;
            break;
        default:
            m.negative += n;
            break;
        }
    }
    std::vector<MonthCounts> result;
    result.reserve(months.size());
    for (const auto& [month, counts] : months)
        result.push_back(counts);
    return result;
}

std::vector<MonthCounts> everyMonth(const std::vector<MonthCounts>& counts, QDate first,
                                    QDate last) {
    std::vector<MonthCounts> months;
    first = QDate(first.year(), first.month(), 1);
    auto it = counts.begin();
    for (QDate m = first; m <= last; m = m.addMonths(1)) {
        while (it != counts.end() && it->month < m)
            ++it;
        if (it != counts.end() && it->month == m)
            months.push_back(*it);
        else
            months.push_back({m, 0, 0, 0});
    }
    return months;
}

std::vector<std::optional<double>> trailingShare(const std::vector<MonthCounts>& months, int span) {
    std::vector<std::optional<double>> shares;
    shares.reserve(months.size());
    qint64 positive = 0;
    qint64 negative = 0;
    for (size_t i = 0; i < months.size(); ++i) {
        positive += months[i].positive;
        negative += months[i].negative;
        if (i >= size_t(span)) {
            positive -= months[i - size_t(span)].positive;
            negative -= months[i - size_t(span)].negative;
        }
        if (positive + negative > 0)
            shares.push_back(100.0 * double(positive) / double(positive + negative));
        else
            shares.push_back(std::nullopt);
    }
    return shares;
}

} // namespace store
