// Writing and deleting: what is stored for each kind of input, the silent
// False of the writers, duplicates by feedback id, and batches.
#include "errors/procedure.h"
#include "store/fetchedRating.h"
#include "testDatabase.h"

#include <QtTest>

using namespace modData;

namespace {

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

using storetest::overviewValues;

} // namespace

class StoreWritesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<storetest::Database> db;

private slots:
    void init() { db = std::make_unique<storetest::Database>(); }
    void cleanup() { db.reset(); }

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
        const QStringList good = overviewValues("98,1");
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

    // In place: a caller may hand over the profile's own value.
    void checknullReplacesInPlace() {
        QString t = "Alle erhaltenen Bewertungen";
        QCOMPARE(checknull(t), QStringLiteral("-"));
        QCOMPARE(t, QStringLiteral("-"));
        QString other = "Alle erhaltenen Bewertungen ";
        QCOMPARE(checknull(other), other);
    }

    // Names with quotes were the old failure; now they are stored as given.
    void deletionsOfNamesWithQuotes() {
        modGlobal::sStandardUser = "ich";
        QVERIFY(save("a", "01.01.2020 10:00", "ich"));
        QVERIFY(save("b", "01.01.2020 10:00", "O'Brien"));
        QVERIFY(saveTemp("D'Arcy"));
        QVERIFY(saveTemp("and're"));
        QVERIFY(save_UebersichtBewertungen(overviewValues("99,5%"), 40, "D'Arcy"));

        QCOMPARE(delete_Eigene_Bewertungen(), false);
        QCOMPARE(read_Anzahl("ich"), 0);
        QCOMPARE(read_Anzahl("O'Brien"), 1);

        QCOMPARE(deleteTempUser("and're"), false);
        QCOMPARE(read_AnzahlTemp("and're"), 0);
        QCOMPARE(read_AnzahlTemp("D'Arcy"), 1);
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
        QCOMPARE(read_Anzahl("ich"), 3);
        QCOMPARE(read_Anzahl("du"), 1);
        QCOMPARE(
            db->count("SELECT count(*) FROM Bewertungeneigen WHERE Bewertungstext = 'nochmal'"), 0);
        QVERIFY(saveTemp("f", "F-9"));
        QVERIFY(saveTemp("f", "F-9"));
        QCOMPARE(read_AnzahlTemp("f"), 1);
    }

    void writersWithoutConnectionFailSilently() {
        modGlobal::cnDB.reset();
        testsupport::ErrorAnswerer answers;
        QVERIFY(!save("x"));
        QVERIFY(!saveTemp("f"));
        QVERIFY(!save_UebersichtBewertungen(overviewValues(), 1, "f"));
        QCOMPARE(answers.reports.size(), 0);
    }

    // A committed batch seen from another connection: tst_dbTool
    // backupWhileAnotherConnectionWrites.
    void batchIsStoredOnCommitOnly() {
        {
            auto batch = beginBatch();
            for (int i = 0; i < 50; ++i)
                QVERIFY(save("r", storetest::minuteText(i)));
            QCOMPARE(read_Anzahl("ich"), 50); // the batch sees its own rows
            QCOMPARE(db->count("SELECT count(*) FROM Bewertungeneigen"), 0);
        } // not committed
        QCOMPARE(read_Anzahl("ich"), 0);
    }

    void oneBatchAtATime() {
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

QTEST_GUILESS_MAIN(StoreWritesTest)
#include "tst_storeWrites.moc"
