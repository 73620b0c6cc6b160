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
    markSeen(connection, member);
    return seenUpTo(connection, member);
}

void markSeen(Connection& connection, const QString& member) {
    // The ids grow with each stored row, whoever stored it: the largest of
    // the table is the end of its b-tree, one step, not a scan of the
    // member's rows.
    auto q = connection.cached("INSERT OR REPLACE INTO Gesehen VALUES (?1, (SELECT ifnull(max(ID), "
                               "0) FROM Bewertungeneigen))");
    q->bind(1, member);
    q->run();
}

} // namespace store
