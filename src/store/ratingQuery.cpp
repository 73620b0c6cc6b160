#define SQLITE_HAS_CODEC 1
#include "store/ratingQuery.h"

#include "app/modGlobal.h"
#include "store/connection.h"
#include "store/dataAccess.h"
#include "store/pageReader.h"
#include "store/ratingState.h"

#include <algorithm>
#include <map>
#include <QRegularExpression>
#include <sqlcipher/sqlite3.h>

namespace store {

namespace {

const char* tableName(modData::Table table) {
    return table == modData::Table::Own ? feedback::kOwnTable : feedback::kForeignTable;
}

// Which index finds a search's rows: the member's, walked in date order and
// each row tested against the words' hits, or the hits themselves, each
// looked up by its row id. The planner cannot tell a rare word from a common
// one; the number of hits can.
enum class Plan { ByMember, ByHits };

// More hits than this: the member's index finds the newest of them sooner
// than looking all of them up.
constexpr qint64 kFewHits = 50000;

// The statement for a filter; the values are bound by bindFilter.
QByteArray whereClause(modData::Table table, const RatingFilter& filter,
                       Plan plan = Plan::ByMember) {
    const QByteArray t(tableName(table));
    // The unary plus keeps the planner off the member's indexes.
    QByteArray where =
        " FROM " + t + (plan == Plan::ByHits ? " WHERE +Usereigen = ?1" : " WHERE Usereigen = ?1");
    if (filter.kind != 0)
        where += " AND Bewertungszahl = ?2";
    if (filter.month.isValid())
        where += " AND Datum >= ?3 AND Datum < ?4";
    if (!filter.words.isEmpty())
        where += plan == Plan::ByHits
                     ? " AND ID IN (SELECT docid FROM " + t + "Suche WHERE " + t + "Suche MATCH ?5)"
                     : QByteArray(" AND notenschau_treffer(ID)");
    return where;
}

void bindFilter(Statement& s, const QString& member, const RatingFilter& filter,
                Plan plan = Plan::ByMember) {
    s.bind(1, member);
    if (filter.kind != 0)
        s.bind(2, qint64(filter.kind));
    if (filter.month.isValid()) {
        const QDate first(filter.month.year(), filter.month.month(), 1);
        s.bind(3, first.toString(QStringLiteral("yyyy-MM-dd 00:00")));
        s.bind(4, first.addMonths(1).toString(QStringLiteral("yyyy-MM-dd 00:00")));
    }
    if (!filter.words.isEmpty() && plan == Plan::ByHits)
        s.bind(5, matchExpression(filter.words));
}

// How a filter's rows are found; none at all when its words match nothing.
struct Search {
    bool none = false;
    Plan plan = Plan::ByMember;
    qint64 hits = 0; // rows of the whole table holding every word
};

// A search's hits, ascending, kept until something is written: its count,
// its pages and its export ask for the same words.
struct Hits {
    modData::Table table{};
    QString expression;
    ChangeStamp stamp;
    bool read = false;
    std::vector<qint64> ids;
};

Hits& lastHits() {
    static Hits hits;
    return hits;
}

// notenschau_treffer(ID): whether the row is among the last search's hits.
// Walking the member's rows newest first and testing each stops after a page
// of a common word; "ID IN (SELECT docid ...)" first copied every hit into a
// temporary index.
void isHit(sqlite3_context* context, int, sqlite3_value** values) {
    const std::vector<qint64>& ids = static_cast<const Hits*>(sqlite3_user_data(context))->ids;
    sqlite3_result_int(context,
                       std::binary_search(ids.begin(), ids.end(), sqlite3_value_int64(values[0])));
}

void registerHitTest(Connection& c) {
    static quint64 registered = 0;
    if (registered == c.opening())
        return;
    const int rc = sqlite3_create_function_v2(c.handle(), "notenschau_treffer", 1, SQLITE_UTF8,
                                              &lastHits(), isHit, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw DatabaseError(rc, QString::fromUtf8(sqlite3_errmsg(c.handle())));
    registered = c.opening();
}

Search searchFor(modData::Table table, const RatingFilter& filter) {
    if (filter.words.isEmpty())
        return {};
    const QString expression = matchExpression(filter.words);
    if (expression.isEmpty())
        return {true};
    Connection& c = openConnection();
    registerHitTest(c);
    Hits& last = lastHits();
    const ChangeStamp stamp = changeStamp();
    if (!last.read || last.table != table || last.expression != expression ||
        !(last.stamp == stamp)) {
        last.read = false;
        last.ids.clear();
        const QByteArray t(tableName(table));
        Statement q = c.prepare(
            ("SELECT docid FROM " + t + "Suche WHERE " + t + "Suche MATCH ?1 ORDER BY docid")
                .constData());
        q.bind(1, expression);
        while (q.next())
            last.ids.push_back(q.int64(0));
        last.table = table;
        last.expression = expression;
        last.stamp = stamp;
        last.read = true;
    }
    const auto hits = qint64(last.ids.size());
    return {hits == 0, hits <= kFewHits ? Plan::ByHits : Plan::ByMember, hits};
}

// The rows of a member (every member when empty) and kind (0 every kind)
// from the counts the triggers keep: one look-up, not a scan.
qint64 storedCount(modData::Table table, const QString& member, qint16 kind) {
    QByteArray sql = "SELECT ifnull(sum(Anzahl), 0) FROM Anzahlen WHERE Tabelle = ?1";
    if (!member.isEmpty())
        sql += " AND Usereigen = ?2";
    if (kind != 0)
        sql += " AND Bewertungszahl = ?3";
    Statement q = openConnection().prepare(sql.constData());
    q.bind(1, QString::fromLatin1(table == modData::Table::Own ? "eigen" : "temp"));
    if (!member.isEmpty())
        q.bind(2, member);
    if (kind != 0)
        q.bind(3, qint64(kind));
    return q.next() ? q.int64(0) : 0;
}

// Ratings that do not count are few: taken off afterwards, the month counts
// stay plain index ranges.
void takeOffNotCounted(std::map<QDate, MonthCounts>& months, modData::Table table,
                       const QString& member) {
    for (const MonthKind& off : notCountedByMonth(table, member)) {
        const auto it = months.find(off.month);
        if (it == months.end() || off.kind < feedback::kPositive || off.kind > feedback::kNegative)
            continue;
        MonthCounts& counts = it->second;
        (off.kind == feedback::kPositive  ? counts.positive
         : off.kind == feedback::kNeutral ? counts.neutral
                                          : counts.negative) -= off.count;
    }
}

constexpr char kColumns[] =
    "SELECT Bewertungszahl, " NS_SHOWN_TEXT ", KV, Datum, Ebayuser, Artikel, FeedbackID, Antwort";
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
    const Search search = searchFor(table, filter);
    if (search.none)
        return 0;
    if (!filter.month.isValid() && filter.words.isEmpty())
        return qint32(storedCount(table, member, filter.kind));
    // Every row of the table the member's: the hits are the member's.
    if (!filter.month.isValid() && filter.kind == 0 &&
        storedCount(table, member, 0) == storedCount(table, {}, 0))
        return qint32(search.hits);
    Statement q =
        openConnection().prepare("SELECT count(*)" + whereClause(table, filter, search.plan));
    bindFilter(q, member, filter, search.plan);
    return q.next() ? qint32(q.int64(0)) : 0;
}

QList<modData::RatingRow> readRatings(modData::Table table, const QString& member,
                                      const RatingFilter& filter, qint32 firstRow, qint32 count) {
    QList<modData::RatingRow> rows;
    if (count <= 0)
        return rows;
    const Search search = searchFor(table, filter);
    if (search.none)
        return rows;
    if (!filter.month.isValid() && filter.words.isEmpty())
        return readRatingPage(
            {table, member, filter.kind != 0 ? std::optional<qint16>(filter.kind) : std::nullopt,
             std::max(1, firstRow), count, std::nullopt, RowTexts::Columns, true});
    Statement q = openConnection().prepare(kColumns + whereClause(table, filter, search.plan) +
                                           kNewestFirst + " LIMIT ?6 OFFSET ?7");
    bindFilter(q, member, filter, search.plan);
    q.bind(6, qint64(count)).bind(7, qint64(std::max(1, firstRow) - 1));
    while (q.next())
        rows << rowOf(q, RowTexts::Columns, true);
    return rows;
}

void forEachRating(modData::Table table, const QString& member, const RatingFilter& filter,
                   const std::function<bool(const modData::RatingRow&)>& each) {
    const Search search = searchFor(table, filter);
    if (search.none)
        return;
    Statement q =
        openConnection().prepare(kColumns + whereClause(table, filter, search.plan) + kNewestFirst);
    bindFilter(q, member, filter, search.plan);
    while (q.next())
        if (!each(rowOf(q, RowTexts::Columns, true)))
            return;
}

std::vector<MonthCounts> monthlyCounts(modData::Table table, const QString& member) {
    // Each kind's months are a range of the index of member, kind and date:
    // counting a range steps over its entries inside the library, which costs
    // a fraction of handing a million rows out to be counted here.
    const QByteArray t(tableName(table));
    const QByteArray dated = " FROM " + t +
                             " WHERE Usereigen = ?1 AND Bewertungszahl = ?2 AND Datum GLOB "
                             "'[0-9][0-9][0-9][0-9]-[0-9][0-9]-*' ORDER BY Datum ";
    Connection& c = openConnection();
    Statement oldest = c.prepare(("SELECT Datum" + dated + "LIMIT 1").constData());
    Statement newest = c.prepare(("SELECT Datum" + dated + "DESC LIMIT 1").constData());
    Statement count = c.prepare(("SELECT count(*) FROM " + t +
                                 " WHERE Usereigen = ?1 AND Bewertungszahl = ?2 AND Datum >= ?3 "
                                 "AND Datum < ?4")
                                    .constData());
    const auto monthOf = [&](Statement& q, qint64 kind) {
        q.reset();
        q.bind(1, member).bind(2, kind);
        return q.next() ? QDate::fromString(q.text(0).left(7) + QStringLiteral("-01"), Qt::ISODate)
                        : QDate();
    };
    std::map<QDate, MonthCounts> months;
    for (const qint64 kind : {feedback::kPositive, feedback::kNeutral, feedback::kNegative}) {
        const QDate first = monthOf(oldest, kind);
        const QDate last = monthOf(newest, kind);
        if (!first.isValid() || !last.isValid())
            continue;
        for (QDate m = first; m <= last; m = m.addMonths(1)) {
            count.reset();
            count.bind(1, member)
                .bind(2, kind)
                .bind(3, m.toString(QStringLiteral("yyyy-MM-01")))
                .bind(4, m.addMonths(1).toString(QStringLiteral("yyyy-MM-01")));
            const qint32 n = count.next() ? qint32(count.int64(0)) : 0;
            if (n == 0)
                continue;
            MonthCounts& counts = months[m];
            counts.month = m;
            (kind == feedback::kPositive  ? counts.positive
             : kind == feedback::kNeutral ? counts.neutral
                                          : counts.negative) = n;
        }
    }
    takeOffNotCounted(months, table, member);
    std::vector<MonthCounts> result;
    result.reserve(months.size());
    for (const auto& [first, counts] : months)
        if (counts.total() > 0)
            result.push_back(counts);
    return result;
}

ChangeStamp changeStamp() {
    Connection& c = openConnection();
    return {c.opening(), sqlite3_total_changes(c.handle()),
            c.pragma("PRAGMA data_version").toLongLong()};
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
