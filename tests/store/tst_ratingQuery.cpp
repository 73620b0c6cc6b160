// Ratings by month, by words and all of them, from a real database: month
// edges in local time, months without ratings, the twelve-month share, and
// words as the full-text index matches them.
#include "app/modGlobal.h"
#include "store/modData.h"
#include "store/ratingQuery.h"
#include "store/ratingStoring.h"
#include "storeFixture.h"

#include <QtTest>

using namespace store;
using modData::Table;

namespace {

store::FetchedRating rating(const QString& id, qint16 kind, const QDateTime& when,
                            const QString& text, const QString& giver = QStringLiteral("k"),
                            const QString& item = {}) {
    store::FetchedRating r;
    r.id = id;
    r.kind = kind;
    r.when = when;
    r.text = text;
    r.giver = giver;
    r.item = item;
    return r;
}

} // namespace

class RatingQueryTest : public QObject {
    Q_OBJECT
    std::unique_ptr<testsupport::StoreFixture> store;

private slots:
    void init() {
        store = std::make_unique<testsupport::StoreFixture>(QStringLiteral("anna"));
        const auto at = [](int y, int m, int d, int h, int min) {
            return QDateTime(QDate(y, m, d), QTime(h, min)); // local time
        };
        const std::vector<FetchedRating> ratings{
            rating("1", 1, at(2026, 3, 31, 23, 30), "Versand war schnell", "müller"),
            rating("2", 3, at(2026, 4, 1, 0, 10), "Grüße aus München, nie wieder"),
            rating("3", 2, at(2026, 4, 15, 12, 0), "geht so", "k", "110012345678"),
            rating("4", 1, at(2026, 6, 2, 9, 0), "VERSANDKOSTEN ok"),
            rating("5", 1, at(2025, 1, 1, 9, 0), "alt aber gut"),
        };
        QVERIFY(storeFetched(Table::Own, QStringLiteral("anna"), ratings, StoreMode::Add).ok);
    }
    void cleanup() { store.reset(); }

    void monthsInLocalTimeWithEmptyOnesAsZero() {
        const auto counts = monthlyCounts(Table::Own, QStringLiteral("ANNA"));
        QCOMPARE(counts.size(), size_t(4)); // 2025-01, 2026-03, 2026-04, 2026-06
        const auto months = everyMonth(counts, QDate(2026, 3, 1), QDate(2026, 6, 30));
        QCOMPARE(months.size(), size_t(4));
        QCOMPARE(months[0].positive, 1); // 31.03. 23:30 is March here
        QCOMPARE(months[1].negative, 1);
        QCOMPARE(months[1].neutral, 1);
        QCOMPARE(months[2].total(), 0); // May
        QCOMPARE(months[3].month, QDate(2026, 6, 1));
    }

    void theTrailingShare() {
        std::vector<MonthCounts> months;
        for (int m = 0; m < 14; ++m)
            months.push_back({QDate(2025, 1, 1).addMonths(m), m == 0 ? 3 : 1, 5, m == 1 ? 1 : 0});
        months[5] = {months[5].month, 0, 0, 0};
        const auto shares = trailingShare(months);
        QCOMPARE(*shares[0], 100.0);
        QCOMPARE(*shares[1], 80.0);             // 4 of 5, neutral aside
        QCOMPARE(*shares[11], 13.0 / 14 * 100); // 13 positive, 1 negative
        QCOMPARE(*shares[12], 11.0 / 12 * 100); // the first month has left the window
        QCOMPARE(*shares[13], 100.0);           // and so has the negative one
        QVERIFY(!trailingShare({{QDate(2025, 1, 1), 0, 2, 0}})[0]);
    }

    void words_data() {
        QTest::addColumn<QString>("words");
        QTest::addColumn<QStringList>("found"); // ids, newest first
        QTest::newRow("a word in any case") << "versand" << QStringList{"1"};
        QTest::newRow("whole words only") << "VERSAND" << QStringList{"1"};
        QTest::newRow("umlauts") << "GRÜSSE münchen" << QStringList{};
        QTest::newRow("umlauts, written alike") << "grüße MÜNCHEN" << QStringList{"2"};
        QTest::newRow("the giver") << "Müller" << QStringList{"1"};
        QTest::newRow("an item number") << "110012345678" << QStringList{"3"};
        QTest::newRow("every word must be there") << "versand nie" << QStringList{};
        QTest::newRow("operators are words") << "NOT OR versand*" << QStringList{};
        QTest::newRow("nothing found") << "Fahrrad" << QStringList{};
    }
    void words() {
        QFETCH(QString, words);
        QFETCH(QStringList, found);
        RatingFilter filter;
        filter.words = words;
        QCOMPARE(countRatings(Table::Own, QStringLiteral("anna"), filter), found.size());
        QStringList texts;
        forEachRating(Table::Own, QStringLiteral("anna"), filter, [&](const auto& row) {
            texts << row.at(1);
            return true;
        });
        QCOMPARE(texts.size(), found.size());
    }

    void aMonthOrAKindPagedNewestFirst() {
        RatingFilter april;
        april.month = QDate(2026, 4, 20);
        const auto rows = readRatings(Table::Own, QStringLiteral("anna"), april, 1);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].at(1), QStringLiteral("geht so"));
        QCOMPARE(rows[1].at(3), QStringLiteral("01.04.2026 00:10"));
        april.kind = 3;
        QCOMPARE(countRatings(Table::Own, QStringLiteral("anna"), april), 1);
        RatingFilter all;
        QCOMPARE(readRatings(Table::Own, QStringLiteral("anna"), all, 5).size(), 1);
        int seen = 0;
        forEachRating(Table::Own, QStringLiteral("anna"), all, [&](const auto&) {
            return ++seen < 2; // stops when told
        });
        QCOMPARE(seen, 2);
    }
};

QTEST_GUILESS_MAIN(RatingQueryTest)
#include "tst_ratingQuery.moc"
