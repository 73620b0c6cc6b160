#include "store/ratingState.h"

#include "app/modGlobal.h"
#include "store/connection.h"

namespace store {

namespace {

Connection& connection() {
    if (!modGlobal::cnDB)
        errors::raise(errors::RuntimeError::ObjectNotSet);
    if (!modGlobal::cnDB->isOpen())
        modGlobal::cnDB->reopen();
    return *modGlobal::cnDB;
}

QByteArray tableName(modData::Table table) {
    return table == modData::Table::Own ? feedback::kOwnTable : feedback::kForeignTable;
}

} // namespace

void bindState(Statement& q, int index, const QString& state) {
    if (state.isEmpty())
        q.bindNull(index);
    else
        q.bind(index, state);
}

NotCounted notCounted(modData::Table table, const QString& member) {
    NotCounted result;
    // The partial index holds just these rows.
    Statement q = connection().prepare(
        ("SELECT Bewertungszahl, Zustand = 'UNLISTED', count(*) FROM " + tableName(table) +
         " WHERE Usereigen = ?1 AND " NS_NOT_COUNTED " GROUP BY 1, 2")
            .constData());
    q.bind(1, member);
    while (q.next()) {
        const qint64 kind = q.isNull(0) ? 4 : q.int64(0);
        const auto n = qint32(q.int64(2));
        result.byKind[kind >= 0 && kind <= 3 ? kind : 4] += n;
        if (q.int64(1) != 0)
            result.unlisted += n;
    }
    return result;
}

std::vector<MonthKind> notCountedByMonth(modData::Table table, const QString& member) {
    std::vector<MonthKind> result;
    Statement q = connection().prepare(
        ("SELECT substr(Datum, 1, 7), Bewertungszahl, count(*) FROM " + tableName(table) +
         " WHERE Usereigen = ?1 AND " NS_NOT_COUNTED " AND Datum IS NOT NULL GROUP BY 1, 2")
            .constData());
    q.bind(1, member);
    while (q.next()) {
        const QDate month = QDate::fromString(q.text(0) + QStringLiteral("-01"), Qt::ISODate);
        if (month.isValid())
            result.push_back({month, qint16(q.int64(1)), qint32(q.int64(2))});
    }
    return result;
}

ListingReport applyListing(modData::Table table, const QString& member,
                           const QHash<QString, QString>& listed) {
    ListingReport report;
    auto batch = modData::beginBatch();
    try {
        Connection& c = connection();
        c.exec("CREATE TEMP TABLE IF NOT EXISTS Gelistet (FeedbackID TEXT PRIMARY KEY, "
               "Zustand TEXT NOT NULL) WITHOUT ROWID; DELETE FROM temp.Gelistet;");
        Statement add = c.prepare("INSERT OR REPLACE INTO temp.Gelistet VALUES (?1, ?2)");
        for (auto it = listed.cbegin(); it != listed.cend(); ++it) {
            add.reset();
            add.bind(1, it.key()).bind(2, it.value());
            add.run();
        }
        const QByteArray t = tableName(table);
        // The state a stored rating takes: "" (none given) is stored as NULL.
        const QByteArray fresh = "nullif(ifnull((SELECT g.Zustand FROM temp.Gelistet g WHERE "
                                 "g.FeedbackID = " +
                                 t + ".FeedbackID), 'UNLISTED'), '')";
        const QByteArray rows = " FROM " + t + " WHERE Usereigen = ?1 AND FeedbackID <> ''";
        const QByteArray was = "ifnull(" NS_NOT_COUNTED ", 0)";
        const QByteArray will = "ifnull(" + fresh + " IN " NS_NOT_COUNTED_STATES ", 0)";
        Statement count =
            c.prepare(("SELECT ifnull(sum(" + will + " AND NOT " + was + "), 0), ifnull(sum(" +
                       was + " AND NOT " + will + "), 0)" + rows)
                          .constData());
        count.bind(1, member);
        if (count.next()) {
            report.withdrawn = qint32(count.int64(0));
            report.restored = qint32(count.int64(1));
        }
        Statement update = c.prepare(("UPDATE " + t + " SET Zustand = " + fresh +
                                      " WHERE Usereigen = ?1 AND FeedbackID <> '' AND Zustand IS "
                                      "NOT " +
                                      fresh)
                                         .constData());
        update.bind(1, member);
        update.run();
        c.exec("DELETE FROM temp.Gelistet");
    } catch (const errors::RuntimeError& e) {
        report.fault = e.description();
        batch.rollback();
    }
    report.ok = report.fault.isEmpty() && batch.commit();
    if (!report.ok) {
        if (report.fault.isEmpty())
            report.fault = batch.fault();
        report.withdrawn = report.restored = 0;
    }
    return report;
}

} // namespace store
