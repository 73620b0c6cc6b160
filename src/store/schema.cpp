#define SQLITE_HAS_CODEC 1
#include "store/schema.h"

#include "base/privateFiles.h"
#include "store/buyerRatings.h"
#include "store/connection.h"
#include "store/ratingState.h"
#include "store/seenRatings.h"

#include <cerrno>
#include <cstring>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <sqlcipher/sqlite3.h>

namespace store {

QByteArray databasePassword() {
    return QByteArrayLiteral("kranfeld");
}

// Dates are text "yyyy-MM-dd hh:mm", which sorts and compares to the minute.
// FeedbackID is the marketplace's id of a rating where the source delivers
// one; a rating is stored once per member and id. Member names match without
// regard to letter case, as the marketplace treats them; NOCASE is built into
// SQLite, so any sqlcipher shell can still read the file. Zustand is the
// marketplace's feedbackState of the rating, or UNLISTED once a full check no
// longer found it; NULL where nobody said. Antwort is the rated member's reply
// and AntwortZustand its state, Nachtrag the giver's follow-up; NULL when none.
const char* schemaSql() {
    return R"SQL(
CREATE TABLE Bewertungeneigen (
    ID INTEGER PRIMARY KEY,
    Bewertungszahl INTEGER,
    Bewertungstext TEXT,
    KV TEXT,
    Datum TEXT,
    Ebayuser TEXT,
    Artikel TEXT,
    Usereigen TEXT COLLATE NOCASE,
    FeedbackID TEXT,
    Zustand TEXT,
    Antwort TEXT,
    AntwortZustand TEXT,
    Nachtrag TEXT
);
CREATE INDEX Bewertungeneigen_Datum ON Bewertungeneigen (Usereigen, Datum);
CREATE INDEX Bewertungeneigen_Zahl ON Bewertungeneigen (Usereigen, Bewertungszahl, Datum);
CREATE UNIQUE INDEX Bewertungeneigen_FeedbackID ON Bewertungeneigen (Usereigen, FeedbackID)
    WHERE FeedbackID <> '';
)SQL"
           "CREATE INDEX Bewertungeneigen_Zurueck ON Bewertungeneigen (Usereigen, Bewertungszahl) "
           "WHERE " NS_NOT_COUNTED ";"
           R"SQL(

CREATE TABLE BewertungenTemp (
    ID INTEGER PRIMARY KEY,
    Bewertungszahl INTEGER,
    Bewertungstext TEXT,
    KV TEXT,
    Datum TEXT,
    Ebayuser TEXT,
    Artikel TEXT,
    Usereigen TEXT COLLATE NOCASE,
    FeedbackID TEXT,
    Zustand TEXT,
    Antwort TEXT,
    AntwortZustand TEXT,
    Nachtrag TEXT
);
CREATE INDEX BewertungenTemp_Datum ON BewertungenTemp (Usereigen, Datum);
CREATE INDEX BewertungenTemp_Zahl ON BewertungenTemp (Usereigen, Bewertungszahl, Datum);
CREATE UNIQUE INDEX BewertungenTemp_FeedbackID ON BewertungenTemp (Usereigen, FeedbackID)
    WHERE FeedbackID <> '';
)SQL"
           "CREATE INDEX BewertungenTemp_Zurueck ON BewertungenTemp (Usereigen, Bewertungszahl) "
           "WHERE " NS_NOT_COUNTED ";"
           R"SQL(

CREATE TABLE UebersichtBewertung (
    ID INTEGER PRIMARY KEY,
    Pos1 NUMERIC, Pos2 NUMERIC, Pos3 NUMERIC,
    Neu1 NUMERIC, Neu2 NUMERIC, Neu3 NUMERIC,
    Neg1 NUMERIC, Neg2 NUMERIC, Neg3 NUMERIC,
    Gesamt NUMERIC,
    Profil NUMERIC,
    Prozent TEXT,
    Datum TEXT,
    Ebayuser TEXT COLLATE NOCASE
);
CREATE INDEX UebersichtBewertung_Ebayuser ON UebersichtBewertung (Ebayuser);

CREATE TABLE Anzahlen (
    Tabelle TEXT NOT NULL,
    Usereigen TEXT NOT NULL COLLATE NOCASE,
    Bewertungszahl INTEGER NOT NULL,
    Anzahl INTEGER NOT NULL,
    PRIMARY KEY (Tabelle, Usereigen, Bewertungszahl)
) WITHOUT ROWID;
)SQL";
}

namespace {

// The rows per table, member and kind, kept by triggers in the same
// transaction as the rows: a count of a large member is one lookup, not a
// scan of its million index entries.
QByteArray countTriggers(const char* table, const char* key) {
    const QByteArray t(table), k(key);
    const QByteArray add = "INSERT OR IGNORE INTO Anzahlen VALUES ('" + k +
                           "', ifnull(NEW.Usereigen, ''), ifnull(NEW.Bewertungszahl, -1), 0); "
                           "UPDATE Anzahlen SET Anzahl = Anzahl + 1 WHERE Tabelle = '" +
                           k +
                           "' AND Usereigen = ifnull(NEW.Usereigen, '') AND Bewertungszahl = "
                           "ifnull(NEW.Bewertungszahl, -1); ";
    const QByteArray remove = "UPDATE Anzahlen SET Anzahl = Anzahl - 1 WHERE Tabelle = '" + k +
                              "' AND Usereigen = ifnull(OLD.Usereigen, '') AND Bewertungszahl = "
                              "ifnull(OLD.Bewertungszahl, -1); ";
    return "CREATE TRIGGER " + t + "_hinzu AFTER INSERT ON " + t + " BEGIN " + add + "END;\n" +
           "CREATE TRIGGER " + t + "_weg AFTER DELETE ON " + t + " BEGIN " + remove + "END;\n" +
           "CREATE TRIGGER " + t + "_anders AFTER UPDATE OF Usereigen, Bewertungszahl ON " + t +
           " BEGIN " + remove + add + "END;\n";
}

} // namespace

namespace {

// The columns the full-text index holds, in the rating tables' names.
constexpr char kSearched[] = "Bewertungstext, Ebayuser, Artikel, Antwort";

// External content: the index holds the words, the rows stay in their table.
QByteArray searchTable(const char* table) {
    const QByteArray t(table);
    const QByteArray fts = t + "Suche";
    const QByteArray columns = kSearched;
    const QByteArray add = "INSERT INTO " + fts + " (docid, " + columns +
                           ") VALUES (NEW.ID, NEW.Bewertungstext, NEW.Ebayuser, NEW.Artikel, "
                           "NEW.Antwort); ";
    const QByteArray remove = "DELETE FROM " + fts + " WHERE docid = OLD.ID; ";
    return "CREATE VIRTUAL TABLE " + fts + " USING fts4(content=\"" + t + "\", " + columns +
           ", tokenize=unicode61);\n" + "CREATE TRIGGER " + t + "_suche_hinzu AFTER INSERT ON " +
           t + " BEGIN " + add + "END;\n" + "CREATE TRIGGER " + t + "_suche_weg BEFORE DELETE ON " +
           t + " BEGIN " + remove + "END;\n" + "CREATE TRIGGER " + t +
           "_suche_vorher BEFORE UPDATE ON " + t + " BEGIN " + remove + "END;\n" +
           "CREATE TRIGGER " + t + "_suche_nachher AFTER UPDATE ON " + t + " BEGIN " + add +
           "END;\n";
}

std::function<void(qint64, qint64)>& upgradeProgress() {
    static std::function<void(qint64, qint64)> progress;
    return progress;
}

// Fills the index of a file made before it, a slice of rows at a time so
// that the progress can be told.
void buildSearch(Connection& connection) {
    qint64 total = 0;
    for (const char* count :
         {"SELECT count(*) FROM Bewertungeneigen", "SELECT count(*) FROM BewertungenTemp"}) {
        Statement s = connection.prepare(count);
        total += s.next() ? s.int64(0) : 0;
    }
    constexpr qint64 kSlice = 20000;
    qint64 done = 0;
    for (const char* table : {"Bewertungeneigen", "BewertungenTemp"}) {
        const QByteArray t(table);
        Statement bounds = connection.prepare(("SELECT ifnull(min(ID), 0), ifnull(max(ID), -1) "
                                               "FROM " +
                                               t)
                                                  .constData());
        bounds.next();
        const qint64 first = bounds.int64(0);
        const qint64 last = bounds.int64(1);
        Statement fill = connection.prepare(("INSERT INTO " + t + "Suche (docid, " + kSearched +
                                             ") SELECT ID, " + kSearched + " FROM " + t +
                                             " WHERE ID BETWEEN ?1 AND ?2")
                                                .constData());
        for (qint64 from = first; from <= last; from += kSlice) {
            fill.reset();
            fill.bind(1, from).bind(2, from + kSlice - 1);
            fill.run();
            done += connection.changes();
            if (upgradeProgress())
                upgradeProgress()(done, total);
        }
    }
}

} // namespace

const char* searchSql() {
    static const QByteArray sql = searchTable("Bewertungeneigen") + searchTable("BewertungenTemp");
    return sql.constData();
}

void setUpgradeProgress(std::function<void(qint64 done, qint64 total)> progress) {
    upgradeProgress() = std::move(progress);
}

const char* countSql() {
    static const QByteArray sql =
        countTriggers("Bewertungeneigen", "eigen") + countTriggers("BewertungenTemp", "temp");
    return sql.constData();
}

void createDatabase(const QString& path, const QByteArray& key) {
    if (QFileInfo::exists(path))
        throw DatabaseError(0, QStringLiteral("Datei existiert bereits: ") + path);
    // Made empty with mode 0600 first: the library keeps the mode, and gives
    // it to the journal and the WAL files it makes beside.
    if (!base::createPrivateFile(path)) {
        const int why = errno;
        if (why == EEXIST)
            throw DatabaseError(0, QStringLiteral("Datei existiert bereits: ") + path);
        if (why == ENOSPC)
            throw DatabaseError(SQLITE_FULL, diskFullText(path));
        throw DatabaseError(SQLITE_CANTOPEN, QString::fromLocal8Bit(std::strerror(why)) +
                                                 QStringLiteral(": ") + path);
    }
    try {
        auto connection = Connection::openRaw(path, key, false);
        connection->exec("PRAGMA journal_mode = WAL");
        {
            Transaction t(*connection);
            connection->exec(schemaSql());
            connection->exec(countSql());
            connection->exec(searchSql());
            connection->exec(buyerRatingSql());
            connection->exec(seenSql());
            const QByteArray version =
                "PRAGMA user_version = " + QByteArray::number(kSchemaVersion);
            connection->exec(version.constData());
            t.commit();
        }
        checkSchema(*connection);
    } catch (...) {
        for (const char* suffix : {"", "-journal", "-wal", "-shm"})
            QFile::remove(path + QLatin1String(suffix));
        throw;
    }
}

void checkSchema(Connection& connection) {
    // Preparing names every column the program uses; a missing table or
    // column fails here.
    connection.prepare("SELECT Bewertungszahl, Bewertungstext, KV, Datum, Ebayuser, Artikel, "
                       "Usereigen, FeedbackID FROM Bewertungeneigen LIMIT 0");
    connection.prepare("SELECT Bewertungszahl, Bewertungstext, KV, Datum, Ebayuser, Artikel, "
                       "Usereigen, FeedbackID FROM BewertungenTemp LIMIT 0");
    if (connection.pragma("PRAGMA user_version").toInt() >= 5) {
        connection.prepare("SELECT Zustand, Antwort, AntwortZustand, Nachtrag FROM "
                           "Bewertungeneigen LIMIT 0");
        connection.prepare("SELECT Zustand, Antwort, AntwortZustand, Nachtrag FROM "
                           "BewertungenTemp LIMIT 0");
    }
    if (connection.pragma("PRAGMA user_version").toInt() >= 6)
        connection.prepare("SELECT Schluessel, Usereigen, Artikel, Titel, Kommentar, Zustand, "
                           "Zeit, Meldung FROM Kaeuferbewertungen LIMIT 0");
    if (connection.pragma("PRAGMA user_version").toInt() >= 7)
        connection.prepare("SELECT Usereigen, BisID FROM Gesehen LIMIT 0");
    connection.prepare("SELECT Pos1, Pos2, Pos3, Neu1, Neu2, Neu3, Neg1, Neg2, Neg3, Gesamt, "
                       "Profil, Prozent, Datum, Ebayuser FROM UebersichtBewertung LIMIT 0");
    connection.prepare("SELECT Tabelle, Usereigen, Bewertungszahl, Anzahl FROM Anzahlen LIMIT 0");
    Statement triggers = connection.prepare(
        "SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND tbl_name IN "
        "('Bewertungeneigen', 'BewertungenTemp')");
    if (!triggers.next() || triggers.int64(0) < 6)
        throw DatabaseError(1, QStringLiteral("Zählung der Bewertungen fehlt"));
}

namespace {

// The objects the making of an empty database creates, read from the same
// statements, as (type in sqlite_master, name).
QList<std::pair<QString, QString>> createdObjects() {
    static const QRegularExpression create(QStringLiteral(
        "CREATE\\s+(?:UNIQUE\\s+)?(TABLE|INDEX|VIRTUAL\\s+TABLE|TRIGGER)\\s+(\\w+)"));
    const QString sql = QString::fromUtf8(schemaSql()) + QString::fromUtf8(countSql()) +
                        QString::fromUtf8(searchSql()) + QString::fromUtf8(buyerRatingSql()) +
                        QString::fromUtf8(seenSql());
    QList<std::pair<QString, QString>> objects;
    for (const QRegularExpressionMatch& m : create.globalMatch(sql)) {
        const QString kind = m.captured(1);
        objects.append(
            {kind.endsWith(QLatin1String("TABLE")) ? QStringLiteral("table") : kind.toLower(),
             m.captured(2)});
    }
    return objects;
}

void rebuildWithoutLetterCase(Connection& connection);

// Version 3 had no state of a rating; the index keeps the few that do not
// count apart, so that counting them is a look-up.
const char* stateColumnSql() {
    return "ALTER TABLE Bewertungeneigen ADD COLUMN Zustand TEXT;"
           "ALTER TABLE BewertungenTemp ADD COLUMN Zustand TEXT;"
           "CREATE INDEX Bewertungeneigen_Zurueck ON Bewertungeneigen (Usereigen, Bewertungszahl) "
           "WHERE " NS_NOT_COUNTED ";"
           "CREATE INDEX BewertungenTemp_Zurueck ON BewertungenTemp (Usereigen, Bewertungszahl) "
           "WHERE " NS_NOT_COUNTED ";";
}
// Version 4 had no reply. The index is made anew with the reply among its
// columns: an external-content index cannot gain a column in place.
void replyColumns(Connection& connection, int from) {
    if (from >= 2)
        connection.exec("ALTER TABLE Bewertungeneigen ADD COLUMN Antwort TEXT;"
                        "ALTER TABLE Bewertungeneigen ADD COLUMN AntwortZustand TEXT;"
                        "ALTER TABLE Bewertungeneigen ADD COLUMN Nachtrag TEXT;"
                        "ALTER TABLE BewertungenTemp ADD COLUMN Antwort TEXT;"
                        "ALTER TABLE BewertungenTemp ADD COLUMN AntwortZustand TEXT;"
                        "ALTER TABLE BewertungenTemp ADD COLUMN Nachtrag TEXT;");
    if (from >= 3) {
        for (const char* table : {"Bewertungeneigen", "BewertungenTemp"}) {
            const QByteArray t(table);
            for (const char* trigger : {"hinzu", "weg", "vorher", "nachher"})
                connection.exec(("DROP TRIGGER " + t + "_suche_" + trigger).constData());
            connection.exec(("DROP TABLE " + t + "Suche").constData());
        }
    }
}
} // namespace

QStringList schemaProblems(Connection& connection) {
    QStringList problems;
    bool missing = false;
    const int version = connection.pragma("PRAGMA user_version").toInt();
    if (version < 1 || version > kSchemaVersion)
        problems << QStringLiteral("Schemaversion %1, dieses Programm braucht 1 bis %2")
                        .arg(version)
                        .arg(kSchemaVersion);
    // An older version lacks what a later one added; opening it adds that.
    if (version < 1 || version >= kSchemaVersion) {
        static const QHash<QString, QString> words{
            {QStringLiteral("table"), QStringLiteral("Tabelle")},
            {QStringLiteral("index"), QStringLiteral("Index")},
            {QStringLiteral("trigger"), QStringLiteral("Trigger")}};
        Statement present =
            connection.prepare("SELECT 1 FROM sqlite_master WHERE type = ?1 AND name = ?2");
        for (const auto& [type, name] : createdObjects()) {
            present.reset();
            present.bind(1, type).bind(2, name);
            if (!present.next()) {
                problems << QStringLiteral("%1 %2 fehlt").arg(words.value(type), name);
                missing = true;
            }
        }
    }
    // The columns of tables that are there.
    if (!missing) {
        try {
            checkSchema(connection);
        } catch (const DatabaseError& e) {
            problems << e.description();
        }
    }
    return problems;
}

void upgradeSchema(Connection& connection) {
    Transaction t(connection);
    const int from = connection.pragma("PRAGMA user_version").toInt();
    if (from < 2)
        rebuildWithoutLetterCase(connection);
    // The rebuild of version 1 made today's tables, with the columns.
    if (from < 4 && from >= 2)
        connection.exec(stateColumnSql());
    if (from < 5) {
        replyColumns(connection, from);
        connection.exec(searchSql());
        buildSearch(connection);
    }
    // Version 5 kept no journal of the ratings given to buyers.
    if (from < 6)
        connection.exec(buyerRatingSql());
    // Version 6 kept no mark of the ratings seen: what the file holds was
    // there before, so none of it is shown as new.
    connection.exec(seenSql());
    connection.exec(seenExistingSql());
    const QByteArray version = "PRAGMA user_version = " + QByteArray::number(kSchemaVersion);
    connection.exec(version.constData());
    checkSchema(connection);
    t.commit();
}

namespace {

// Version 1 compared member names exactly.
void rebuildWithoutLetterCase(Connection& connection) {
    // Version 1 compared member names exactly. The tables are made anew with
    // the new columns and the rows copied over with their IDs; where two rows
    // of one member now share a feedback id, the first stored stays.
    QList<QByteArray> drops;
    {
        Statement s = connection.prepare(
            "SELECT type, name FROM sqlite_master WHERE type IN ('index', 'trigger') AND sql IS "
            "NOT NULL AND tbl_name IN ('Bewertungeneigen', 'BewertungenTemp', "
            "'UebersichtBewertung')");
        while (s.next())
            drops << "DROP " + s.text(0).toUtf8() + " \"" + s.text(1).toUtf8() + "\"";
    }
    for (const QByteArray& drop : drops)
        connection.exec(drop.constData());
    connection.exec(R"SQL(
ALTER TABLE Bewertungeneigen RENAME TO alt_Bewertungeneigen;
ALTER TABLE BewertungenTemp RENAME TO alt_BewertungenTemp;
ALTER TABLE UebersichtBewertung RENAME TO alt_UebersichtBewertung;
DROP TABLE Anzahlen;
)SQL");
    connection.exec(schemaSql());
    connection.exec(R"SQL(
INSERT OR IGNORE INTO Bewertungeneigen (ID, Bewertungszahl, Bewertungstext, KV, Datum, Ebayuser,
    Artikel, Usereigen, FeedbackID)
    SELECT ID, Bewertungszahl, Bewertungstext, KV, Datum, Ebayuser, Artikel, Usereigen, FeedbackID
    FROM alt_Bewertungeneigen ORDER BY ID;
INSERT OR IGNORE INTO BewertungenTemp (ID, Bewertungszahl, Bewertungstext, KV, Datum, Ebayuser,
    Artikel, Usereigen, FeedbackID)
    SELECT ID, Bewertungszahl, Bewertungstext, KV, Datum, Ebayuser, Artikel, Usereigen, FeedbackID
    FROM alt_BewertungenTemp ORDER BY ID;
INSERT INTO UebersichtBewertung (ID, Pos1, Pos2, Pos3, Neu1, Neu2, Neu3, Neg1, Neg2, Neg3, Gesamt,
    Profil, Prozent, Datum, Ebayuser)
    SELECT ID, Pos1, Pos2, Pos3, Neu1, Neu2, Neu3, Neg1, Neg2, Neg3, Gesamt, Profil, Prozent, Datum,
    Ebayuser FROM alt_UebersichtBewertung;
INSERT INTO Anzahlen
    SELECT 'eigen', ifnull(Usereigen, '') COLLATE NOCASE, ifnull(Bewertungszahl, -1), count(*)
    FROM Bewertungeneigen GROUP BY 2, 3;
INSERT INTO Anzahlen
    SELECT 'temp', ifnull(Usereigen, '') COLLATE NOCASE, ifnull(Bewertungszahl, -1), count(*)
    FROM BewertungenTemp GROUP BY 2, 3;
DROP TABLE alt_Bewertungeneigen;
DROP TABLE alt_BewertungenTemp;
DROP TABLE alt_UebersichtBewertung;
)SQL");
    connection.exec(countSql());
}

} // namespace

} // namespace store
