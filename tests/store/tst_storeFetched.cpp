// Storing a load's ratings: new ones go in by the hundred, known and repeated
// ones one at a time; the report, the rows and the full-text index agree.
#include "store/exportWriter.h"
#include "store/ratingQuery.h"
#include "store/ratingStoring.h"
#include "testDatabase.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

namespace {

// "id|kind|dd.MM.yyyy hh:mm" (the date empty for none), comma-separated.
std::vector<store::FetchedRating> ratings(const QString& entries) {
    std::vector<store::FetchedRating> list;
    for (const QString& entry : entries.split(',', Qt::SkipEmptyParts)) {
        const QStringList f = entry.split('|');
        list.push_back({f[0], qint16(f[1].toInt()), "Wort " + f[0], "V",
                        QDateTime::fromString(f[2], "dd.MM.yyyy hh:mm"), "geber", "4711"});
    }
    return list;
}

} // namespace

class StoreFetchedTest : public QObject {
    Q_OBJECT

    std::unique_ptr<storetest::Database> db;

private slots:
    void init() { db = std::make_unique<storetest::Database>(); }
    void cleanup() { db.reset(); }

    void newKnownAndRepeatedRatings() {
        const auto own = modData::Table::Own;
        QVERIFY(store::storeFetched(own, "ich", ratings("k1|1|,k2|1|01.01.2024 10:00"), {}).ok);
        // 150 new ones, then: one known to be completed, one known to be left, one twice.
        QString load = "k1|1|02.01.2024 10:00,k2|3|03.01.2024 10:00,d|1|,d|3|05.01.2024 10:00";
        for (int i = 150; i >= 1; --i)
            load.prepend(QString("n%1|1|01.02.2024 10:00,").arg(i));
        QList<qint32> told;
        const store::StoreReport r =
            store::storeFetched(own, "ich", ratings(load), {}, 0, [&](qint32 n) { told << n; });
        QCOMPARE(QString("%1 + %2 completed, told %3; %4 rows, %5 found, %6 undated, %7 negative")
                     .arg(r.added)
                     .arg(r.completed)
                     .arg(told.size() == told.last() ? told.size() : -1)
                     .arg(store::countRatings(own, "ich", {}))
                     .arg(store::countRatings(own, "ich", {0, {}, "Wort"}))
                     .arg(db->count("SELECT count(*) FROM Bewertungeneigen WHERE Datum IS NULL"))
                     .arg(db->count("SELECT count(*) FROM Bewertungeneigen WHERE "
                                    "Bewertungszahl = 3")),
                 "151 + 2 completed, told 154; 153 rows, 153 found, 0 undated, 1 negative");
    }

    // A reply goes in with a new rating; one arriving on a later load is
    // written into the known row, which stays one rating. Search and export
    // see it.
    void repliesStoredSearchedAndExported() {
        const auto own = modData::Table::Own;
        auto load = ratings("r2|3|02.03.2024 10:00,r1|1|01.03.2024 10:00,r0|1|28.02.2024 10:00");
        load[0].reply = {"Ware kam verspätet", "ENTERED"};
        QCOMPARE(store::storeFetched(own, "ich", load, {}).added, 3);
        load[1].reply = {"Danke &amp; gern wieder", "ENTERED"};
        load[1].followup = {"Alles gut", "ENTERED"};
        load[0].reply = {}; // not delivered this time: the stored one stays
        QStringList told;
        for (int round = 0; round < 2; ++round) {
            const store::StoreReport r = store::storeFetched(own, "ich", load, {});
            told << QString("%1 %2 %3").arg(r.added).arg(r.completed).arg(r.replied);
        }
        QCOMPARE(told, QStringList({"0 0 1", "0 0 0"}));
        QCOMPARE(db->count("SELECT count(*) FROM Bewertungeneigen WHERE FeedbackID = 'r1' AND "
                           "Bewertungstext = 'Wort r1' AND Antwort = 'Danke & gern wieder' AND "
                           "AntwortZustand = 'ENTERED' AND Nachtrag = 'Alles gut'"),
                 1);
        QCOMPARE(store::countRatings(own, "ich", {}), 3);
        QCOMPARE(store::countRatings(own, "ich", {0, {}, "gern"}), 1);
        QCOMPARE(store::countRatings(own, "ich", {0, {}, "verspätet"}), 1);

        QTemporaryDir dir;
        const QString csv = dir.filePath("a.csv"), json = dir.filePath("a.json");
        QVERIFY(store::exportRatings(csv, store::ExportFormat::Csv, own, "ich", {}).ok);
        QVERIFY(store::exportRatings(json, store::ExportFormat::Json, own, "ich", {}).ok);
        const QStringList lines = QString::fromUtf8(storetest::readFile(csv)).split("\r\n");
        QCOMPARE(lines.mid(0, 4),
                 QStringList({"\uFEFFDatum;Art;K/V;Mitglied;Artikel;Text;Antwort",
                              "02.03.2024 10:00;negativ;V;geber;4711;Wort r2;Ware kam verspätet",
                              "01.03.2024 10:00;positiv;V;geber;4711;Wort r1;Danke & gern wieder",
                              "28.02.2024 10:00;positiv;V;geber;4711;Wort r0;"}));
        QStringList replies;
        for (const QJsonValue row : QJsonDocument::fromJson(storetest::readFile(json)).array())
            replies << row["Antwort"].toString("fehlt");
        QCOMPARE(replies, QStringList({"Ware kam verspätet", "Danke & gern wieder", ""}));
    }
};

QTEST_GUILESS_MAIN(StoreFetchedTest)
#include "tst_storeFetched.moc"
