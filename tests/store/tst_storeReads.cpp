// The store. Reading: counts, pages of 200 newest first, member lists and
// overviews, and what a reader does with a position outside its result.
// Writing and deleting: what is stored for each kind of input, the silent
// False of the writers, duplicates by feedback id, and batches.
#include "errors/procedure.h"
#include "store/fetchedRating.h"
#include "testDatabase.h"

#include <QtTest>

using namespace modData;
using modGlobal::lSeitenAnfang;

namespace {

const QDateTime kNewest(QDate(2020, 6, 1), QTime(12, 0));

// The caller of read_Bewertungen, whose dialog its errors reach.
qint64 callerOfReadBewertungen(const QString& u) {
    errors::Procedure p("[frmTest] Private Sub cmdalleanzeigen_Click()");
    qint64 rows = -1;
    p.step([&] { rows = read_Bewertungen(u).Count(); });
    return rows;
}

RatingRow firstRow(const QString& user, bool temp = false) {
    modGlobal::lSeitenAnfang = 1;
    const Page page = temp ? read_BewertungenTemp(user) : read_Bewertungen(user);
    return page.Count() ? page.Item(1) : RatingRow();
}

bool save(const QString& text, const QString& datum = "22.11.2004 14:03",
          const QString& user = "ich", const QString& id = {}) {
    return save_Bewerungen(1, text, "KV", datum, "Kaeufer", "123", user, 1, id);
}

bool saveTemp(const QString& user, const QString& id = {}) {
    QString artikel = "1";
    return save_BewertungenTemp(1, "t", "KV", "01.01.2021 00:00", "k", artikel, user, 1, id);
}

} // namespace

class StoreTest : public QObject {
    Q_OBJECT

    std::unique_ptr<storetest::Database> db;

    // n ratings of member u, "Bewertung 1" the newest; kinds cycle 1, 2, 3.
    void add(const QString& u, int n, bool temp = false) {
        db->addRatings(u, n, kNewest, {1, 2, 3}, temp);
    }

private slots:
    void init() { db = std::make_unique<storetest::Database>(); }
    void cleanup() {
        setPageProgress({});
        db.reset();
    }

    void memberWithoutRatings() {
        testsupport::ErrorAnswerer answers;
        QCOMPARE(QList<qint64>({read_Anzahl("niemand"), read_AnzahlTemp("niemand"),
                                read_UserTemp("niemand"),
                                read_BewertungenPosZahl("niemand", 1, "Bewertungeneigen")}),
                 QList<qint64>({0, 0, 0, 0}));
        for (const Page& page :
             {read_Bewertungen("niemand"), read_BewertungenTemp("niemand"),
              read_BewertungenPos("niemand", 1), read_BewertungenPosTemp("niemand", 3)}) {
            QVERIFY(!page.isNothing());
            QCOMPARE(page.Count(), 0);
        }
        // an empty result is empty whatever the position
        lSeitenAnfang = 0;
        QCOMPARE(read_Bewertungen("niemand").Count(), 0);
        QCOMPARE(read_UebersichtBewertungen("niemand").items(), QStringList{"nix"});
        QCOMPARE(answers.reports.size(), 0);
    }

    // The progress counts the rows of each page.
    void pagesOf200NewestFirst() {
        add("ich", 450);
        QCOMPARE(read_Anzahl("ich"), 450);
        QList<qint32> seen;
        setPageProgress([&](qint32 n) { seen << n; });
        for (const auto& [start, size] : {std::pair{1, 200}, {201, 200}, {401, 50}}) {
            seen.clear();
            lSeitenAnfang = start;
            const Page page = read_Bewertungen("ich");
            QCOMPARE(page.Count(), size);
            QCOMPARE(seen.size(), size);
            QCOMPARE(seen.last(), size);
            // row 1 of a page is rating number lSeitenAnfang, counted from the newest
            QCOMPARE(page.Item(1).at(1), "Bewertung " + QString::number(start));
            QCOMPARE(page.Item(page.Count()).at(1),
                     "Bewertung " + QString::number(start + size - 1));
        }
        lSeitenAnfang = 201;
        QCOMPARE(read_Bewertungen("ich").Item(1),
                 QStringList({"3", "Bewertung 201", "V",
                              kNewest.addSecs(-200 * 3600).toString("dd.MM.yyyy hh:mm"), "geber200",
                              "100200"}));
    }

    // Equal dates still give every row exactly once over the pages, whether
    // a page is read from the newest or the oldest end.
    void ratingsOfTheSameMinute() {
        auto batch = beginBatch();
        for (int i = 1; i <= 450; ++i)
            QVERIFY(save_Bewerungen(qint16(1 + i % 2), QString::number(i), "KV", "01.01.2020 10:00",
                                    "k", "1", "ich", i));
        QVERIFY(batch.commit());
        QStringList all, ofKind;
        for (qint32 start : {1, 201, 401}) {
            lSeitenAnfang = start;
            for (const RatingRow& r : read_Bewertungen("ich"))
                all << r.at(1);
            if (start < 401)
                for (const RatingRow& r : read_BewertungenPos("ich", 2))
                    ofKind << r.at(1);
        }
        QCOMPARE(all.size(), 450);
        QCOMPARE(QSet<QString>(all.begin(), all.end()).size(), 450);
        QCOMPARE(all.first() + ".." + all.last(), "450..1"); // the later stored first
        QCOMPARE(ofKind.size(), 225);
        QCOMPARE(ofKind.first() + ".." + ofKind.last(), "449..1");
    }

    void kindsAndTables() {
        add("ich", 30);
        add("fremd", 12, true);
        add("ich", 9, true);
        // Table names in any case.
        for (const char* own : {"Bewertungeneigen", "BewertungenEigen"})
            QCOMPARE(read_BewertungenPosZahl("ich", 2, own), 10);
        for (const char* temp : {"BewertungenTemp", "Bewertungentemp"})
            QCOMPARE(read_BewertungenPosZahl("fremd", 2, temp), 4);
        QCOMPARE(QList<qint64>({read_BewertungenPosZahl("ich", 2, "BewertungenTemp"),
                                read_AnzahlTemp("fremd"), read_UserTemp("fremd")}),
                 QList<qint64>({3, 12, 1}));

        const Page neutral = read_BewertungenPos("ich", 2);
        QCOMPARE(neutral.Count(), 10);
        for (const RatingRow& r : neutral)
            QCOMPARE(r.at(0), "2");
        QCOMPARE(neutral.Item(1).at(1), "Bewertung 2"); // newest neutral
        QCOMPARE(read_BewertungenPosTemp("fremd", 3).Count(), 4);
        QCOMPARE(read_BewertungenTemp("fremd").Item(1).at(5), "100000");
        // The table is chosen, never pasted into the statement.
        testsupport::ErrorAnswerer answers;
        answers.answer(errors::NextStatement);
        QCOMPARE(
            read_BewertungenPosZahl("ich", 1, "Bewertungeneigen; DELETE FROM Bewertungeneigen"), 0);
        QCOMPARE(answers.reports.size(), 1);
        QCOMPARE(answers.reports[0].module + "." + answers.reports[0].procedure,
                 "modData.read_BewertungenPosZahl");
        QCOMPARE(read_Anzahl("ich"), 30);
    }

    void positionOutsideTheResult() {
        add("ich", 450);
        add("fremd", 5, true);
        testsupport::ErrorAnswerer answers;

        // read_Bewertungen has no handler: the caller's dialog shows it
        for (qint32 start : {0, 451, -5}) {
            answers.answer(errors::NextStatement);
            lSeitenAnfang = start;
            QCOMPARE(callerOfReadBewertungen("ich"), qint64(-1));
        }
        QCOMPARE(answers.reports.size(), 3);
        for (const auto& r : answers.reports)
            QCOMPARE(r.module + "." + r.procedure, "frmTest.cmdalleanzeigen_Click");
        lSeitenAnfang = 450;
        QCOMPARE(callerOfReadBewertungen("ich"), qint64(1));

        // the others show their own; left, they give back no collection
        answers.reports.clear();
        answers.answer(errors::LeaveProcedure);
        lSeitenAnfang = 6;
        const Page nothing = read_BewertungenTemp("fremd");
        QVERIFY(nothing.isNothing());
        QCOMPARE(answers.reports.size(), 1);
        QCOMPARE(answers.reports[0].procedure, QStringLiteral("read_BewertungenTemp"));
        try {
            nothing.Count();
            QFAIL("a Nothing was counted");
        } catch (const errors::RuntimeError& e) {
            QCOMPARE(e.number(), 91);
        }
        QCOMPARE(answers.unexpected, 0);
    }

    void membersWithQuotesAndOtherCharacters() {
        const QStringList names{"O'Brien",      "a\\b", "100%", "_x_", QStringLiteral("Jürgen ß"),
                                "x' OR '1'='1", "\"q\""};
        for (const QString& n : names)
            QVERIFY(save_Bewerungen(1, "t", "KV", "01.02.2020 10:00", "k", "1", n, 1));
        QCOMPARE(read_Anzahl("ich"), 0);
        for (const QString& n : names) {
            QCOMPARE(read_Anzahl(n), 1);
            QCOMPARE(read_Bewertungen(n).Count(), 1);
        }
        // like-patterns are not patterns here
        QCOMPARE(read_Anzahl("%"), 0);
        QCOMPARE(read_Anzahl("_x%"), 0);
    }

    void overview() {
        testsupport::FixedClock clock(QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)));
        QStringList values = storetest::overviewValues("Alle erhaltenen Bewertungen");
        values[9] = "77";
        QVERIFY(save_UebersichtBewertungen(values, 1234, "fremd"));
        QVERIFY(save_UebersichtBewertungen(values, 5, "zweiter"));
        QVERIFY(save_UebersichtBewertungen(values, 6, "fremd"));
        const QStringList got = read_UebersichtBewertungen("fremd").items();
        QCOMPARE(got, QStringList({"1", "2", "3", "4", "5", "6", "7", "8", "9", "77", "-", "1234",
                                   "06.05.2024 07:08", "nix"}));
        QCOMPARE(read_UebersichtBewertungen("dritter").items(), QStringList{"nix"});
        QStringList users = read_AllUserTemp().items();
        users.sort();
        QCOMPARE(users, QStringList({"fremd", "zweiter"}));
    }

    void nullTexts() {
        QCOMPARE(
            QStringList({funcCheckNull(QVariant()), funcCheckNull(QVariant::fromValue<qint64>(0)),
                         funcCheckNull(QString("Text")), funcCheckNull(2.5)}),
            QStringList({"", "0", "Text", "2,5"}));
        // In place: a caller may hand over the profile's own value.
        QString t = "Alle erhaltenen Bewertungen";
        QCOMPARE(checknull(t), QStringLiteral("-"));
        QCOMPARE(t, QStringLiteral("-"));
        QString other = "Alle erhaltenen Bewertungen ";
        QCOMPARE(checknull(other), other);
    }

    // Closed behind the program's back, the connection is opened again.
    void readsReopenAClosedConnection() {
        add("ich", 2);
        modGlobal::cnDB->close();
        QCOMPARE(read_Anzahl("ich"), 2);
        QVERIFY(modGlobal::cnDB->isOpen());
    }

    // ---- writing

    // What a run stores: text and giver decoded, the date to the minute, and
    // "???" for a foreign rating without its item. (The older writers
    // save_Bewerungen and save_BewertungenTemp have no caller in the program;
    // the fixtures store through them.)
    void storesWhatARunFetched() {
        store::FetchedRating r{"F-1",
                               3,
                               "it's &amp;  gut%21",
                               "K",
                               QDateTime(QDate(2004, 11, 22), QTime(14, 3, 59)),
                               "O'Ne%FCl",
                               {}};
        QVERIFY(saveFetched(Table::Own, "ich", r) == Saved::Added);
        QCOMPARE(firstRow("ich"), QStringList({"3", "it`s & gut!", "K", "22.11.2004 14:03",
                                               QStringLiteral("O`Neül"), ""}));
        QVERIFY(saveFetched(Table::Temp, "fremd", r) == Saved::Added);
        QCOMPARE(firstRow("fremd", true).at(5), QStringLiteral("???"));
    }

    // A NUL inside, 100,000 characters and nothing are stored whole; a lone
    // surrogate is no character, the one after it stays. Of equal dates the
    // later stored is read first.
    void unusualTextIsStoredWhole() {
        QString big;
        for (int i = 0; i < 100000; ++i)
            big += QChar(u'a' + i % 26);
        const QString nul = QString("a") + QChar(0) + "b";
        const QList<QPair<QString, QString>> texts{
            {nul, nul},
            {QString::fromStdU16String(u"x\xd800yz"), "x\uFFFDyz"},
            {big, big},
            {"", ""}};
        for (const auto& [in, out] : texts) {
            QVERIFY(save(in));
            QCOMPARE(firstRow("ich").at(1), out);
        }
    }

    void overviewNeedsNumbers() {
        const QStringList good = storetest::overviewValues("98,1");
        testsupport::ErrorAnswerer answers;
        for (const auto& [at, value] : {std::pair{4, "fünf"}, {0, ""}, {9, "inf"}}) {
            QStringList bad = good;
            bad[at] = QString::fromUtf8(value);
            QVERIFY2(!save_UebersichtBewertungen(bad, 1, "a"), value);
        }
        QVERIFY(!save_UebersichtBewertungen(good.mid(0, 10), 1, "a"));
        QCOMPARE(answers.reports.size(), 0);
        QCOMPARE(read_UebersichtBewertungen("a").Count(), 1);
        QVERIFY(save_UebersichtBewertungen(good, 1, "a"));
        QCOMPARE(read_UebersichtBewertungen("a").Item(11), QStringLiteral("98,1"));
    }

    // Names with quotes were the old failure; now they are stored as given.
    void deletionsOfNamesWithQuotes() {
        modGlobal::sStandardUser = "ich";
        QVERIFY(save("a", "01.01.2020 10:00", "ich"));
        QVERIFY(save("b", "01.01.2020 10:00", "O'Brien"));
        QVERIFY(saveTemp("D'Arcy"));
        QVERIFY(saveTemp("and're"));
        QVERIFY(save_UebersichtBewertungen(storetest::overviewValues("99,5%"), 40, "D'Arcy"));

        QCOMPARE(delete_Eigene_Bewertungen(), false);
        QCOMPARE(QPair(read_Anzahl("ich"), read_Anzahl("O'Brien")), QPair(0, 1));
        QCOMPARE(deleteTempUser("and're"), false);
        QCOMPARE(QPair(read_AnzahlTemp("and're"), read_AnzahlTemp("D'Arcy")), QPair(0, 1));
        QCOMPARE(deleteUebersichtUser("D'Arcy"), false);
        QCOMPARE(read_AnzahlTemp("D'Arcy"), 0);
        QCOMPARE(read_UebersichtBewertungen("D'Arcy").items(), QStringList{"nix"});
    }

    // A rating with the marketplace's id is stored once per member; storing
    // it again changes nothing and still succeeds.
    void duplicatesByFeedbackId() {
        QVERIFY(save("erst", "01.01.2020 10:00", "ich", "F-1"));
        QVERIFY(save("nochmal", "02.01.2020 10:00", "ich", "F-1"));
        QVERIFY(save("andere", "01.01.2020 10:00", "du", "F-1"));
        QVERIFY(save("ohne", "01.01.2020 10:00", "ich"));
        QVERIFY(save("ohne", "01.01.2020 10:00", "ich"));
        QCOMPARE(QPair(read_Anzahl("ich"), read_Anzahl("du")), QPair(3, 1));
        QCOMPARE(
            db->count("SELECT count(*) FROM Bewertungeneigen WHERE Bewertungstext = 'nochmal'"), 0);
        QVERIFY(saveTemp("f", "F-9"));
        QVERIFY(saveTemp("f", "F-9"));
        QCOMPARE(read_AnzahlTemp("f"), 1);
    }

    void writersWithoutConnectionFailSilently() {
        modGlobal::cnDB.reset();
        testsupport::ErrorAnswerer answers;
        QVERIFY(!save("x") && !saveTemp("f") &&
                !save_UebersichtBewertungen(storetest::overviewValues(), 1, "f"));
        QCOMPARE(answers.reports.size(), 0);
    }

    // Stored on commit only, one batch at a time. A committed batch seen from
    // another connection: tst_dbTool backupWhileAnotherConnectionWrites.
    void batches() {
        {
            auto batch = beginBatch();
            for (int i = 0; i < 50; ++i)
                QVERIFY(save("r", storetest::minuteText(i)));
            QCOMPARE(read_Anzahl("ich"), 50); // the batch sees its own rows
            QCOMPARE(db->count("SELECT count(*) FROM Bewertungeneigen"), 0);
        } // not committed
        QCOMPARE(read_Anzahl("ich"), 0);
        // One batch at a time.
        testsupport::ErrorAnswerer answers;
        answers.answer(errors::LeaveProcedure);
        auto first = beginBatch();
        QVERIFY(save("a"));
        {
            auto second = beginBatch();
            QVERIFY(second.failed());
            QCOMPARE(answers.reports.size(), 1);
            QCOMPARE(answers.reports[0].procedure, QStringLiteral("beginBatch"));
        }
        QVERIFY(save("b"));
        QVERIFY(first.commit());
        QCOMPARE(db->count("SELECT count(*) FROM Bewertungeneigen"), 2);
    }
};

QTEST_GUILESS_MAIN(StoreTest)
#include "tst_storeReads.moc"
