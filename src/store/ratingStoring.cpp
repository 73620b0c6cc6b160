#include "store/ratingStoring.h"

#include "errors/runtimeError.h"
#include "store/batch.h"
#include "store/dataAccess.h"
#include "store/modHTML2Text.h"
#include "store/ratingState.h"
#include "store/schema.h"
#include "store/sqlTexts.h"

#include <algorithm>
#include <cstdio>
#include <QSet>
#include <span>

// The writers of fetched ratings (declared with the other data procedures in
// modData.h), and the batch that stores a load run with them.
namespace modData {

using namespace store::sql;
using store::Connection;

namespace {

// "yyyy-MM-dd hh:mm", put together by hand: a format string is parsed anew
// for every rating, and storing a load formats thousands.
QString storedDate(const QDateTime& when) {
    const QDate d = when.date();
    const QTime t = when.time();
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", d.year(), d.month(), d.day(),
                  t.hour(), t.minute());
    return QString::fromLatin1(text);
}

// A fetched rating's columns as they are stored: text and giver HTML-decoded,
// an empty giver (and an empty item number of a foreign rating) as "???",
// an unreadable date as none.
void bindFetched(store::Statement& q, int first, Table table, const store::FetchedRating& rating) {
    const QString unknown = QStringLiteral("???");
    QString giver = modHTML2Text::HTMLDecode(rating.giver);
    if (giver.isEmpty())
        giver = unknown;
    q.bind(first, qint64(rating.kind))
        .bind(first + 1, modHTML2Text::HTMLDecode(rating.text))
        .bind(first + 2, rating.kv);
    if (rating.when.isValid())
        q.bind(first + 3, storedDate(rating.when));
    else
        q.bindNull(first + 3);
    q.bind(first + 4, giver)
        .bind(first + 5, table == Table::Temp && rating.item.isEmpty() ? unknown : rating.item);
}

// Reply text, its state and the follow-up, each NULL when none.
void bindReply(store::Statement& q, int first, const store::FetchedRating& rating) {
    store::bindState(q, first, modHTML2Text::HTMLDecode(rating.reply.text));
    store::bindState(q, first + 1, rating.reply.state);
    store::bindState(q, first + 2, modHTML2Text::HTMLDecode(rating.followup.text));
}

bool hasReply(const store::FetchedRating& rating) {
    return !rating.reply.text.isEmpty() || !rating.followup.text.isEmpty();
}

constexpr int kValuesPerRow = 12;
static_assert(kNewAtOnce * kValuesPerRow <= 999, "the library takes 999 values at most");

// The insert of up to kNewAtOnce rows in one statement.
QByteArray insertMany(Table table, size_t rows) {
    QByteArray sql = QByteArray("INSERT OR IGNORE INTO ") +
                     (table == Table::Own ? feedback::kOwnTable : feedback::kForeignTable) +
                     " (Bewertungszahl, Bewertungstext, KV, Datum, Ebayuser, Artikel, Usereigen, "
                     "FeedbackID, Zustand, Antwort, AntwortZustand, Nachtrag) VALUES ";
    for (size_t i = 0; i < rows; ++i)
        sql += i == 0 ? "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"
                      : ", (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
    return sql;
}

// A known rating's reply, when this one brings one that differs.
bool updateReply(Connection& c, Table table, const QString& member,
                 const store::FetchedRating& rating) {
    if (!hasReply(rating))
        return false;
    auto q = c.cached(queries(table).reply);
    q->bind(1, member).bind(2, rating.id);
    bindReply(*q, 3, rating);
    store::runWrite(c, *q);
    return c.changes() == 1;
}

} // namespace

Saved saveFetched(Table table, const QString& member, const store::FetchedRating& rating) {
    Connection& c = store::writeConnection();
    {
        auto q = c.cached(queries(table).insert);
        bindFetched(*q, 1, table, rating);
        q->bind(7, member).bind(8, rating.id);
        store::bindState(*q, 9, rating.state);
        bindReply(*q, 10, rating);
        store::runWrite(c, *q);
    }
    if (c.changes() == 1)
        return Saved::Added;
    bool completed = false;
    if (rating.complete()) {
        auto q = c.cached(queries(table).complete);
        bindFetched(*q, 1, table, rating);
        q->bind(7, member).bind(8, rating.id);
        store::runWrite(c, *q);
        completed = c.changes() == 1;
    }
    const bool replied = updateReply(c, table, member, rating);
    return completed ? Saved::Completed : replied ? Saved::Replied : Saved::Known;
}

qint32 addNewFetched(Table table, const QString& member,
                     std::span<const store::FetchedRating> ratings) {
    static const QByteArray fullOwn = insertMany(Table::Own, kNewAtOnce);
    static const QByteArray fullTemp = insertMany(Table::Temp, kNewAtOnce);
    Connection& c = store::writeConnection();
    qint32 added = 0;
    for (size_t from = 0; from < ratings.size(); from += kNewAtOnce) {
        const auto part = ratings.subspan(from, std::min(kNewAtOnce, ratings.size() - from));
        auto run = [&](store::Statement& q) {
            int column = 1;
            for (const store::FetchedRating& rating : part) {
                bindFetched(q, column, table, rating);
                q.bind(column + 6, member).bind(column + 7, rating.id);
                store::bindState(q, column + 8, rating.state);
                bindReply(q, column + 9, rating);
                column += kValuesPerRow;
            }
            store::runWrite(c, q);
            added += c.changes();
        };
        if (part.size() == kNewAtOnce) {
            run(*c.cached(table == Table::Own ? fullOwn.constData() : fullTemp.constData()));
        } else {
            store::Statement q = c.prepare(insertMany(table, part.size()).constData());
            run(q);
        }
    }
    return added;
}

void removeMember(Table table, const QString& member) {
    Connection& c = store::writeConnection();
    auto q = c.cached(table == Table::Own ? kDeleteOwn : kDeleteTemp);
    q->bind(1, member);
    store::runWrite(c, *q);
}

qint32 setPlaceholders(const QString& member, qint32 wanted) {
    const qint32 now = qint32(store::countOf(kPlaceholderCount, member));
    wanted = std::max(0, wanted);
    Connection& c = store::writeConnection();
    if (wanted < now) {
        auto q = c.cached(kDropPlaceholders);
        q->bind(1, member).bind(2, qint64(now - wanted));
        store::runWrite(c, *q);
    }
    for (qint32 i = now; i < wanted; ++i) {
        auto q = c.cached(kOwn.insert);
        q->bind(1, qint64(feedback::kPlaceholder))
            .bind(2, QStringLiteral("Bewertung wurde von Ebay nicht geliefert"))
            .bind(3, QStringLiteral("???"))
            .bind(4, QStringLiteral("1970-01-01 00:00"))
            .bind(5, QStringLiteral("???"))
            .bind(6, QStringLiteral("???"))
            .bind(7, member)
            .bindNull(8);
        store::runWrite(c, *q);
    }
    return wanted - now;
}

} // namespace modData

namespace store {

namespace {

// Hands a load's ratings to the store in their order. Ratings new to the
// member go in by the hundred; one already stored (it may be completed) or
// twice in the list goes in alone, in its place.
class FetchedWalk {
public:
    FetchedWalk(modData::Table table, const QString& member,
                const std::vector<FetchedRating>& ratings,
                const std::function<void(qint32)>& progress, StoreReport& report)
        : m_table(table), m_member(member), m_ratings(ratings), m_progress(progress),
          m_report(report), m_known(modData::knownRatings(table, member, ratings)) {}

    void run() {
        for (size_t i = 0; i < m_ratings.size(); ++i) {
            if (m_ratings[i].lack != FetchedRating::Lack::Nothing)
                skip(i);
            else if (goesInAlone(m_ratings[i].id))
                storeAlone(i);
        }
        addNewUpTo(m_ratings.size());
    }

private:
    // Whether the rating is stored already or came before in this load; an
    // id met for the first time is remembered.
    bool goesInAlone(const QString& id) {
        if (id.isEmpty())
            return false;
        if (m_known.contains(id) || m_seen.contains(id))
            return true;
        m_seen.insert(id);
        return false;
    }

    // Never stored: counted once, for the run's outcome.
    void skip(size_t i) {
        addNewUpTo(i);
        const FetchedRating& rating = m_ratings[i];
        if (!m_seen.contains(rating.id))
            ++(rating.lack == FetchedRating::Lack::Id ? m_report.withoutId : m_report.withoutKind);
        m_seen.insert(rating.id);
        m_newFrom = i + 1;
    }

    void storeAlone(size_t i) {
        addNewUpTo(i);
        switch (modData::saveFetched(m_table, m_member, m_ratings[i])) {
        case modData::Saved::Added:
            ++m_report.added;
            break;
        case modData::Saved::Completed:
            ++m_report.completed;
            break;
        case modData::Saved::Replied:
            ++m_report.replied;
            break;
        case modData::Saved::Known:
            break;
        }
        if (m_progress)
            m_progress(++m_handed);
        m_newFrom = i + 1;
    }

    // The new ratings since the last one stored alone or skipped.
    void addNewUpTo(size_t end) {
        m_report.added += modData::addNewFetched(
            m_table, m_member, std::span(m_ratings).subspan(m_newFrom, end - m_newFrom));
        for (; m_progress && m_newFrom < end; ++m_newFrom)
            m_progress(++m_handed);
        m_newFrom = end;
    }

    const modData::Table m_table;
    const QString& m_member;
    const std::vector<FetchedRating>& m_ratings;
    const std::function<void(qint32)>& m_progress;
    StoreReport& m_report;
    const QHash<QString, bool> m_known;
    QSet<QString> m_seen;
    qint32 m_handed = 0;  // ratings handed to the store so far
    size_t m_newFrom = 0; // the first rating not yet handed
};

// Counted inside the batch: another process may have stored some of these
// ratings since the run began.
void settleCounts(modData::Table table, const QString& member, StoreMode mode, qint32 reportedTotal,
                  StoreReport& report) {
    const modData::MemberCounts counts = modData::countsOf(table, member);
    report.realAfter = counts.real;
    if (mode == StoreMode::ReplaceArrived)
        report.placeholders = modData::setPlaceholders(member, counts.placeholders - report.added);
    else if (mode == StoreMode::MakeUpTotal)
        report.placeholders = modData::setPlaceholders(member, reportedTotal - counts.real);
}

} // namespace

StoreReport storeFetched(modData::Table table, const QString& member,
                         const std::vector<FetchedRating>& ratings, StoreMode mode,
                         qint32 reportedTotal, const std::function<void(qint32)>& progress) {
    StoreReport report;
    auto batch = modData::beginBatch();
    try {
        if (mode == StoreMode::ReplaceMember)
            modData::removeMember(table, member);
        FetchedWalk(table, member, ratings, progress, report).run();
        settleCounts(table, member, mode, reportedTotal, report);
    } catch (const errors::RuntimeError& e) {
        report.fault = e.description();
        batch.rollback();
    }
    report.ok = report.fault.isEmpty() && batch.commit();
    if (!report.ok) {
        if (report.fault.isEmpty())
            report.fault = batch.fault();
        report.added = report.completed = report.replied = report.placeholders = 0;
    }
    return report;
}

bool storeProfile(const QString& member, const QStringList& profile, qint32 total) {
    auto batch = modData::beginBatch();
    modData::deleteUebersichtUser(member);
    if (batch.failed() || !modData::save_UebersichtBewertungen(profile, total, member))
        return false;
    return batch.commit();
}

QString storeFailureMessage() {
    return QStringLiteral("Die neuen Bewertungen konnten nicht in die Datenbank geschrieben "
                          "werden. Es wurde nichts davon gespeichert; die gespeicherten "
                          "Bewertungen sind unverändert.");
}

} // namespace store
