// Storing a load's ratings: new ones go in by the hundred, known and repeated
// ones one at a time; the report, the rows and the full-text index agree.
#include "store/ratingQuery.h"
#include "store/ratingStoring.h"
#include "testDatabase.h"

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
};

QTEST_GUILESS_MAIN(StoreFetchedTest)
#include "tst_storeFetched.moc"
