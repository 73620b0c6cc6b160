#include "store/seenRatings.h"

namespace store {

const char* seenSql() {
    return "CREATE TABLE Gesehen (Usereigen TEXT PRIMARY KEY COLLATE NOCASE, "
           "BisID INTEGER NOT NULL) WITHOUT ROWID;";
}

const char* seenExistingSql() {
    return "INSERT OR REPLACE INTO Gesehen SELECT Usereigen, max(ID) FROM Bewertungeneigen "
           "WHERE Usereigen IS NOT NULL GROUP BY Usereigen;";
}

qint64 seenUpTo(Connection& connection, const QString& member) {
    {
        auto q = connection.cached("SELECT BisID FROM Gesehen WHERE Usereigen = ?1");
        q->bind(1, member);
        if (q->next())
            return q->int64(0);
    }
    // The ids grow with each stored row, whoever stored it: the largest of
    // the table is the end of its b-tree, one step, not a scan of the
    // member's rows.
    {
        auto q = connection.cached("INSERT OR REPLACE INTO Gesehen VALUES (?1, (SELECT "
                                   "ifnull(max(ID), 0) FROM Bewertungeneigen))");
        q->bind(1, member);
        q->run();
    }
    return seenUpTo(connection, member);
}

QList<qint64> markSeen(Connection& connection, const QString& member,
                       const QList<qint64>& shownIds) {
    // The mark follows the member's new ratings from the oldest on, as far
    // as each was shown.
    const qint64 before = seenUpTo(connection, member);
    qint64 mark = before;
    {
        auto q = connection.cached(
            "SELECT ID FROM Bewertungeneigen WHERE Usereigen = ?1 AND ID > ?2 ORDER BY ID");
        q->bind(1, member).bind(2, before);
        while (q->next() && shownIds.contains(q->int64(0)))
            mark = q->int64(0);
    }
    if (mark > before) {
        auto q = connection.cached("UPDATE Gesehen SET BisID = ?2 WHERE Usereigen = ?1");
        q->bind(1, member).bind(2, mark);
        q->run();
    }
    QList<qint64> stillNew;
    for (const qint64 id : shownIds)
        if (id > mark)
            stillNew << id;
    return stillNew;
}

} // namespace store
