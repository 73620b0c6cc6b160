// Files of earlier schema versions are brought up to date when the program
// opens them, with nothing lost: version 1 compared member names exactly,
// version 2 had no full-text index, version 3 no state of a rating, version
// 4 no reply, version 5 no journal of the ratings given to buyers, version 6
// no mark of the ratings the member has seen.
#include "store/backup.h"
#include "store/buyerRatings.h"
#include "store/dataAccess.h"
#include "store/ratingQuery.h"
#include "store/ratingState.h"
#include "store/ratingStoring.h"
#include "store/seenRatings.h"
#include "storeFixture.h"
#include "testDatabase.h"

#include <QtTest>

using namespace modData;

namespace {

// Rows as version 1 stored them: "Anna", "anna" and "ANNA" apart, and one
// rating stored twice under two spellings (feedback id a3).
const QByteArray kVersion1Rows = R"SQL(
INSERT INTO Bewertungeneigen (Bewertungszahl, Bewertungstext, KV, Datum, Ebayuser, Artikel,
    Usereigen, FeedbackID) VALUES
    (1, 'eins', 'V', '2020-01-01 10:00', 'k', '1', 'Anna', 'a1'),
    (2, 'zwei', 'V', '2020-01-02 10:00', 'k', '2', 'Anna', 'a2'),
    (1, 'drei', 'V', '2020-01-03 10:00', 'k', '3', 'Anna', 'a3'),
    (1, 'drei nochmal', 'V', '2020-01-03 10:00', 'k', '3', 'anna', 'a3'),
    (3, 'vier', 'V', '2020-01-04 10:00', 'k', '4', 'anna', 'a4'),
    (1, 'fünf', 'V', '2020-01-05 10:00', 'k', '5', 'ANNA', NULL),
    (1, 'bob', 'V', '2020-01-06 10:00', 'k', '6', 'bob', 'b1');
INSERT INTO BewertungenTemp (Bewertungszahl, Bewertungstext, KV, Datum, Ebayuser, Artikel,
    Usereigen, FeedbackID) VALUES
    (1, 'f1', 'V', '2021-01-01 10:00', 'k', '1', 'Fremd', 'f1'),
    (2, 'f2', 'V', '2021-01-02 10:00', 'k', '2', 'Fremd', 'f2'),
    (1, 'f3', 'V', '2021-01-03 10:00', 'k', '3', 'FREMD', 'f3');
INSERT INTO UebersichtBewertung (Pos1, Gesamt, Prozent, Datum, Ebayuser) VALUES
    (1, 3, '100', '2021-02-01 10:00', 'Fremd'), (2, 3, '100', '2021-02-02 10:00', 'fremd');
)SQL";

// Rows of today's version 3: ratings, a placeholder, a foreign member.
const QByteArray kVersion3Rows = R"SQL(
INSERT INTO Bewertungeneigen (Bewertungszahl, Bewertungstext, KV, Datum, Ebayuser, Artikel,
    Usereigen, FeedbackID) VALUES
    (1, 'eins', 'V', '2020-01-01 10:00', 'k', '1', 'anna', 'a1'),
    (3, 'zwei', 'K', '2020-01-02 10:00', 'k', '2', 'anna', 'a2'),
    (0, 'Bewertung wurde von Ebay nicht geliefert', '???', '1970-01-01 00:00', '???', '???',
     'anna', NULL);
INSERT INTO BewertungenTemp (Bewertungszahl, Bewertungstext, KV, Datum, Ebayuser, Artikel,
    Usereigen, FeedbackID) VALUES (2, 'f1', 'V', '2021-01-01 10:00', 'k', '???', 'Fremd', 'f1');
INSERT INTO UebersichtBewertung (Pos1, Gesamt, Prozent, Datum, Ebayuser) VALUES
    (1, 1, '100', '2021-02-01 10:00', 'Fremd');
)SQL";

// Rows of version 4: one of them withdrawn, one foreign.
const QByteArray kVersion4Rows = R"SQL(
INSERT INTO Bewertungeneigen (Bewertungszahl, Bewertungstext, KV, Datum, Ebayuser, Artikel,
    Usereigen, FeedbackID, Zustand) VALUES
    (1, 'eins', 'V', '2020-01-01 10:00', 'k', '1', 'anna', 'a1', 'ENTERED'),
    (3, 'zwei', 'K', '2020-01-02 10:00', 'k', '2', 'anna', 'a2', 'WITHDRAWN');
INSERT INTO BewertungenTemp (Bewertungszahl, Bewertungstext, KV, Datum, Ebayuser, Artikel,
    Usereigen, FeedbackID) VALUES (2, 'f1', 'V', '2021-01-01 10:00', 'k', '???', 'Fremd', 'f1');
)SQL";

// A file of an earlier version: its schema's statements, in the settings that
// version gave its files, then `more`; the folder's config names it.
QString earlierFile(testsupport::ProgramFolder& folder, const char* schema,
                    const QByteArray& more) {
    modGlobal::resetGlobals();
    const QString path = folder.file("noten.db");
    const QByteArray statements = testsupport::readFile(QStringLiteral(STORE_DATA "/") + schema);
    storetest::makeFile(path, "PRAGMA cipher_page_size = 4096;" + statements + more);
    folder.writeConfig("[Main]\nDatabase=" + path.toUtf8() + "\n[User]\nUsername=anna\n");
    return path;
}

QStringList texts(const Page& page) {
    QStringList result;
    for (const RatingRow& row : page)
        result << row.at(1);
    return result;
}

} // namespace

class StoreSchemaTest : public QObject {
    Q_OBJECT

private slots:
    void versionOneFileIsBroughtUpToDate() {
        testsupport::ProgramFolder folder;
        const QString path = earlierFile(folder, "schema-v1.sql", kVersion1Rows);
        modData::InitDB();

        QCOMPARE(modGlobal::cnDB->pragma("PRAGMA user_version"), QStringLiteral("7"));
        modGlobal::lSeitenAnfang = 1;
        for (const char* name : {"anna", "ANNA", "aNnA"}) {
            QCOMPARE(read_Anzahl(name), 5);
            QCOMPARE(read_BewertungenPosZahl(name, 1, "Bewertungeneigen"), 3);
            QCOMPARE(texts(read_Bewertungen(name)),
                     QStringList({QStringLiteral("fünf"), "vier", "drei", "zwei", "eins"}));
            QCOMPARE(read_AnzahlTemp(QString(name).replace("anna", "fremd", Qt::CaseInsensitive)),
                     3);
        }
        QCOMPARE(read_Anzahl("bob"), 1);
        QCOMPARE(read_AllUserTemp().Count(), 1);
        QCOMPARE(read_UebersichtBewertungen("FREMD").Count(), 14);
        QCOMPARE(storetest::countIn(path, "SELECT ID FROM Bewertungeneigen WHERE "
                                          "Bewertungstext = 'vier'"),
                 5);
        // The full-text index came along.
        QCOMPARE(storetest::countIn(path, "SELECT docid FROM BewertungeneigenSuche WHERE "
                                          "BewertungeneigenSuche MATCH 'VIER'"),
                 5);

        // The counts go on without regard to case, and so do ids and deletions.
        QVERIFY(save_Bewerungen(1, "wieder", "V", "01.03.2020 10:00", "k", "1", "ANNA", 1, "a1"));
        QVERIFY(save_Bewerungen(2, "sechs", "V", "01.03.2020 10:00", "k", "1", "aNNA", 1, "a6"));
        QCOMPARE(read_Anzahl("Anna"), 6);
        QCOMPARE(read_BewertungenPosZahl("anna", 2, "Bewertungeneigen"), 2);
        deleteUebersichtUser("fREMD");
        QVERIFY(!read_UserTemp("Fremd"));
        QCOMPARE(read_AllUserTemp().Count(), 0);
        modGlobal::resetGlobals();
        QCOMPARE(storetest::integrity(path), QStringLiteral("ok"));
    }

    void versionThreeFileGetsTheStateColumn() {
        testsupport::ProgramFolder folder;
        const QString path = earlierFile(folder, "schema-v3.sql", kVersion3Rows);
        modData::InitDB();
        QCOMPARE(modGlobal::cnDB->pragma("PRAGMA user_version"), QStringLiteral("7"));

        // Every row kept, none of them taken as withdrawn.
        modGlobal::lSeitenAnfang = 1;
        QCOMPARE(read_Anzahl("anna"), 3);
        QCOMPARE(countsOf(Table::Own, "anna").real, 2);
        QCOMPARE(texts(read_Bewertungen("anna")),
                 QStringList({"zwei", "eins", "Bewertung wurde von Ebay nicht geliefert"}));
        QCOMPARE(read_AnzahlTemp("fremd"), 1);
        QCOMPARE(read_UebersichtBewertungen("Fremd").Count(), 14);
        QCOMPARE(store::notCounted(Table::Own, "anna").all(), 0);
        QCOMPARE(storetest::countIn(path, "SELECT count(*) FROM BewertungeneigenSuche WHERE "
                                          "BewertungeneigenSuche MATCH 'zwei'"),
                 1);
        // The same tables, indexes and triggers as a file made new.
        const QString fresh = folder.file("neu.db");
        store::createDatabase(fresh);
        const char* objects = "SELECT group_concat(name) FROM (SELECT type || ' ' || name AS name "
                              "FROM sqlite_master ORDER BY 1)";
        const auto names = [&](const QString& file) {
            auto c = store::Connection::open(file, store::databasePassword());
            return c->pragma(objects);
        };
        QCOMPARE(names(path), names(fresh));

        // A withdrawn rating stored now is kept out of the counts.
        store::FetchedRating r{
            "a3", feedback::kNegative, "drei", "V", QDateTime(QDate(2020, 1, 3), QTime(10, 0)), "k",
            "3",  "WITHDRAWN"};
        QCOMPARE(saveFetched(Table::Own, "anna", r), Saved::Added);
        QCOMPARE(store::notCounted(Table::Own, "anna").ofKind(feedback::kNegative), 1);
        QCOMPARE(store::monthlyCounts(Table::Own, "anna").at(0).negative, 1);
        QCOMPARE(read_Bewertungen("anna").Item(1).at(1), QStringLiteral("(zurückgezogen) drei"));
        modGlobal::resetGlobals();
        QCOMPARE(storetest::integrity(path), QStringLiteral("ok"));
    }

    // The reply columns come with every row kept and the index rebuilt; a
    // backup of the old file, taken before, is brought up to date as well.
    void versionFourFileGetsTheReplyColumns() {
        testsupport::ProgramFolder folder;
        const QString path = earlierFile(folder, "schema-v4.sql", kVersion4Rows);
        const QString saved = folder.file("sicherung.db");
        QCOMPARE(store::backupDatabase(path, saved, false).outcome, store::BackupOutcome::Copied);
        modData::InitDB();
        QCOMPARE(modGlobal::cnDB->pragma("PRAGMA user_version"), QStringLiteral("7"));
        QCOMPARE(read_Anzahl("anna"), 2);
        QCOMPARE(store::notCounted(Table::Own, "anna").ofKind(feedback::kNegative), 1);
        QCOMPARE(read_AnzahlTemp("fremd"), 1);
        QCOMPARE(store::countRatings(Table::Own, "anna", {0, {}, "zwei"}), 1);

        // A known rating fetched again with its reply: the reply is searched.
        store::FetchedRating r{"a1",
                               feedback::kPositive,
                               "eins",
                               "V",
                               QDateTime(QDate(2020, 1, 1), QTime(10, 0)),
                               "k",
                               "1",
                               "ENTERED"};
        r.reply = {"Vielen Dank", "ENTERED"};
        const store::StoreReport report = store::storeFetched(Table::Own, "anna", {r}, {});
        QCOMPARE(QString("%1 added, %2 replied").arg(report.added).arg(report.replied),
                 "0 added, 1 replied");
        QCOMPARE(store::countRatings(Table::Own, "anna", {0, {}, "dank"}), 1);
        modGlobal::resetGlobals();
        QCOMPARE(storetest::integrity(path), QStringLiteral("ok"));

        for (const QString& file : {path, saved}) {
            QCOMPARE(storetest::countIn(file, "PRAGMA user_version"), 7);
            QCOMPARE(storetest::countIn(file, "SELECT count(*) FROM Bewertungeneigen WHERE "
                                              "Antwort IS NULL AND Nachtrag IS NULL"),
                     file == path ? 1 : 2);
            QCOMPARE(storetest::countIn(file, "SELECT count(*) FROM BewertungenTempSuche WHERE "
                                              "BewertungenTempSuche MATCH 'f1'"),
                     1);
        }
    }

    // The journal comes with every rating and reply kept, and takes entries.
    void versionFiveFileGetsTheJournal() {
        testsupport::ProgramFolder folder;
        const QString path =
            earlierFile(folder, "schema-v5.sql",
                        kVersion4Rows + "UPDATE Bewertungeneigen SET Antwort = 'Danke schön', "
                                        "AntwortZustand = 'ENTERED' WHERE FeedbackID = 'a1';");
        modData::InitDB();
        QCOMPARE(modGlobal::cnDB->pragma("PRAGMA user_version"), QStringLiteral("7"));
        QCOMPARE(read_Anzahl("anna"), 2);
        QCOMPARE(store::notCounted(Table::Own, "anna").ofKind(feedback::kNegative), 1);
        QCOMPARE(read_AnzahlTemp("fremd"), 1);
        QCOMPARE(store::countRatings(Table::Own, "anna", {0, {}, "schön"}), 1);
        store::recordBuyerRating(store::openConnection(),
                                 {"11-22", "anna", "11", "Lampe", "Danke", {}, {}, {}});
        QCOMPARE(store::buyerRating(store::openConnection(), "11-22")->comment, QString("Danke"));
        QCOMPARE(store::buyerRatingCount(store::openConnection(), "ANNA"), 1);
        modGlobal::resetGlobals();
        QCOMPARE(storetest::integrity(path), QStringLiteral("ok"));
        const QString fresh = folder.file("neu.db");
        store::createDatabase(fresh);
        const char* objects = "SELECT group_concat(name) FROM (SELECT type || ' ' || name AS name "
                              "FROM sqlite_master ORDER BY 1)";
        QCOMPARE(store::Connection::open(path, store::databasePassword())->pragma(objects),
                 store::Connection::open(fresh, store::databasePassword())->pragma(objects));
    }

    // Every rating kept and none of them new; one stored after is new to its
    // member only, and never in the foreign table. A backup of the old file,
    // taken before, comes up with its ratings seen as well.
    void versionSixFileMarksItsRatingsSeen() {
        testsupport::ProgramFolder folder;
        const QString path = earlierFile(
            folder, "schema-v6.sql",
            kVersion4Rows + "INSERT INTO Bewertungeneigen (Bewertungszahl, Bewertungstext, Datum, "
                            "Usereigen, FeedbackID) VALUES (1, 'bob', '2020-01-06 10:00', 'bob', "
                            "'b1');");
        const QString saved = folder.file("sicherung.db");
        QCOMPARE(store::backupDatabase(path, saved, false).outcome, store::BackupOutcome::Copied);
        modData::InitDB();
        QCOMPARE(modGlobal::cnDB->pragma("PRAGMA user_version"), QStringLiteral("7"));
        QCOMPARE(read_Anzahl("anna"), 2);
        QCOMPARE(read_Anzahl("bob"), 1);
        QVERIFY(save_Bewerungen(1, "neu", "V", "01.03.2019 10:00", "k", "1", "ANNA", 1, "a9"));
        QString item = "4";
        QVERIFY(
            save_BewertungenTemp(1, "f4", "V", "01.03.2022 10:00", "k", item, "fremd", 1, "f4"));
        modGlobal::lSeitenAnfang = 1;
        const auto marked = [](const Page& page) {
            QStringList rows;
            for (const RatingRow& row : page)
                rows << row.at(1) + row.value(8);
            return rows;
        };
        QCOMPARE(marked(read_Bewertungen("anna", true)),
                 QStringList({QStringLiteral("(zurückgezogen) zwei"), "eins", "neu4"}));
        QCOMPARE(marked(read_Bewertungen("bob", true)), QStringList({"bob"}));
        QCOMPARE(marked(read_BewertungenTemp("fremd", true)), QStringList({"f4", "f1"}));

        // Seen, the mark stays with the file.
        QCOMPARE(store::markSeen(store::openConnection(), "Anna", {4}), QList<qint64>());
        modGlobal::resetGlobals();
        for (const QString& file : {path, saved})
            QCOMPARE(storetest::countIn(file, "SELECT count(*) FROM Bewertungeneigen JOIN Gesehen "
                                              "USING (Usereigen) WHERE ID > BisID"),
                     0);
        QCOMPARE(storetest::countIn(saved, "SELECT count(*) FROM Gesehen"), 2);
        QCOMPARE(storetest::integrity(path), QStringLiteral("ok"));
    }

    // A file of the version before the full-text index gets one, built once,
    // with its progress told.
    void aFileWithoutTheIndexGetsIt() {
        // What a file of version 2 lacks: the index tables and their triggers.
        QByteArray v2 = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE "
                        "i < 30) INSERT INTO Bewertungeneigen (Bewertungszahl, Bewertungstext, "
                        "Datum, Usereigen, FeedbackID) SELECT 1, 'Bewertung ' || i, "
                        "'2026-01-01 09:00', 'anna', 'id' || i FROM n;";
        for (const char* table : {"Bewertungeneigen", "BewertungenTemp"})
            for (const char* trigger : {"hinzu", "weg", "vorher", "nachher"})
                v2 += QByteArray("DROP TRIGGER ") + table + "_suche_" + trigger + ";";
        testsupport::ProgramFolder folder;
        const QString path = earlierFile(folder, "schema-v3.sql",
                                         v2 + "DROP TABLE BewertungeneigenSuche; DROP TABLE "
                                              "BewertungenTempSuche; PRAGMA user_version = 2;");
        QList<qint64> told;
        store::setUpgradeProgress([&](qint64 done, qint64 total) { told << done << total; });
        modData::InitDB();
        store::setUpgradeProgress({});
        QCOMPARE(modGlobal::cnDB->pragma("PRAGMA user_version"), QStringLiteral("7"));
        QCOMPARE(told.mid(told.size() - 2), (QList<qint64>{30, 30}));
        QCOMPARE(storetest::countIn(path, "SELECT count(*) FROM BewertungeneigenSuche WHERE "
                                          "BewertungeneigenSuche MATCH 'Bewertung'"),
                 30);
    }
};

QTEST_GUILESS_MAIN(StoreSchemaTest)
#include "tst_storeSchema.moc"
