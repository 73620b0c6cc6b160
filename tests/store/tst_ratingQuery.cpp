// Ratings by words, by month and all of them, from a real database: words as
// the full-text index matches them, a month or a kind paged newest first. The
// months of the chart and their share are tst_verlauf's.
#include "store/ratingQuery.h"
#include "store/ratingStoring.h"
#include "storeFixture.h"
#include "testData.h"

#include <QtTest>

using namespace store;
using modData::Table;

using testsupport::fetch;

namespace {

const QString kAnna = QStringLiteral("anna");

FetchedRating rating(const QString& id, qint16 kind, const QDateTime& when, const QString& text,
                     const QString& giver = QStringLiteral("k"), const QString& item = {}) {
    return {id, kind, text, {}, when, giver, item};
}

bool add(const QString& member, const std::vector<FetchedRating>& ratings) {
    return storeFetched(Table::Own, member, ratings, StoreMode::Add).ok;
}

// The text of the first of the member's ratings the filter finds.
QString firstText(const RatingFilter& filter) {
    return readRatings(Table::Own, kAnna, filter, 1, 1).front().at(1);
}

} // namespace

class RatingQueryTest : public QObject {
    Q_OBJECT
    std::unique_ptr<testsupport::StoreFixture> store;

private slots:
    void init() {
        store = std::make_unique<testsupport::StoreFixture>(kAnna);
        const auto at = [](int y, int m, int d, int h, int min) {
            return QDateTime(QDate(y, m, d), QTime(h, min)); // local time
        };
        QVERIFY(
            add(kAnna, {
                           rating("1", 1, at(2026, 3, 31, 23, 30), "Versand war schnell", "müller"),
                           rating("2", 3, at(2026, 4, 1, 0, 10), "Grüße aus München, nie wieder"),
                           rating("3", 2, at(2026, 4, 15, 12, 0), "geht so", "k", "110012345678"),
                           rating("4", 1, at(2026, 6, 2, 9, 0), "VERSANDKOSTEN ok"),
                           rating("5", 1, at(2025, 1, 1, 9, 0), "alt aber gut"),
                       }));
    }
    void cleanup() { store.reset(); }

    void words_data() {
        QTest::addColumn<QString>("words");
        QTest::addColumn<QStringList>("found"); // texts, newest first
        // Case, umlauts, givers, item numbers and every word: tst_verlauf's searching.
        QTest::newRow("whole words only") << "VERSAND" << QStringList{"Versand war schnell"};
        QTest::newRow("umlauts") << "GRÜSSE münchen" << QStringList{};
        QTest::newRow("operators are words") << "NOT OR versand*" << QStringList{};
    }
    void words() {
        QFETCH(QStringList, found);
        RatingFilter filter;
        filter.words = fetch<QString>("words");
        QCOMPARE(countRatings(Table::Own, kAnna, filter), found.size());
        QStringList texts;
        forEachRating(Table::Own, kAnna, filter, [&](const auto& row) {
            texts << row.at(1);
            return true;
        });
        QCOMPARE(texts, found);
    }

    void aMonthOrAKindPagedNewestFirst() {
        RatingFilter april;
        april.month = QDate(2026, 4, 20);
        const auto rows = readRatings(Table::Own, kAnna, april, 1);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].at(1), QStringLiteral("geht so"));
        QCOMPARE(rows[1].at(3), QStringLiteral("01.04.2026 00:10"));
        april.kind = 3;
        QCOMPARE(countRatings(Table::Own, kAnna, april), 1);
        RatingFilter all;
        QCOMPARE(readRatings(Table::Own, kAnna, all, 5).size(), 1);
        int seen = 0;
        forEachRating(Table::Own, kAnna, all, [&](const auto&) {
            return ++seen < 2; // stops when told
        });
        QCOMPARE(seen, 2);
    }

    // A word in more ratings than are looked up one by one: the member's rows
    // are walked newest first and tested against the hits instead.
    void aCommonWordWalksTheMembersRows() {
        constexpr int kMany = 50100;
        std::vector<FetchedRating> many;
        many.reserve(kMany);
        const QDateTime first(QDate(2020, 1, 1), QTime(0, 0));
        for (int i = 0; i < kMany; ++i)
            many.push_back(rating(QString("m%1").arg(i), i % 10 == 0 ? 3 : 1, first.addSecs(i * 60),
                                  QString("Alles bestens Nr %1").arg(i)));
        QVERIFY(add(kAnna, many));
        QVERIFY(add("bert", {rating("b1", 1, first, "bestens"),
                             rating("b2", 3, first.addDays(1), "auch bestens")}));

        RatingFilter filter;
        filter.words = QStringLiteral("bestens");
        const auto counted = [&](const QString& member) {
            return countRatings(Table::Own, member, filter);
        };
        QCOMPARE(counted("anna"), kMany);
        QCOMPARE(counted("bert"), 2);
        const auto last = readRatings(Table::Own, kAnna, filter, 50001);
        QCOMPARE(last.size(), 100);
        QCOMPARE(last.front().at(1), QStringLiteral("Alles bestens Nr 99"));
        filter.kind = 3;
        QCOMPARE(counted("anna"), kMany / 10);
        QCOMPARE(firstText(filter), QStringLiteral("Alles bestens Nr 50090"));
        // A rating stored after the search is found by the next one.
        QVERIFY(add(kAnna, {rating("neu", 3, first.addYears(5), "bestens neu")}));
        QCOMPARE(firstText(filter), QStringLiteral("bestens neu"));
        QCOMPARE(counted("anna"), kMany / 10 + 1);
    }
};

QTEST_GUILESS_MAIN(RatingQueryTest)
#include "tst_ratingQuery.moc"
