// Paging, filters, the caption, the summary and the button states, against a
// real database, without painting.
#include "answerers.h"
#include "app/modGlobal.h"
#include "base/ratingSummary.h"
#include "storeFixture.h"
#include "ui/main/feedbackList.h"
#include "ui/main/feedbackView.h"

#include <QtTest>

using namespace modGlobal;
using ui::FeedbackView;

namespace {
const QDateTime kNewest(QDate(2026, 11, 30), QTime(18, 0));
}

class FeedbackViewTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::StoreFixture> store;
    std::unique_ptr<ui::FeedbackList> list;
    std::unique_ptr<FeedbackView> view;

    // The enabled buttons, by name, for compact checks.
    QStringList enabledButtons() const {
        static const char* const names[] = {"Command1", "Command2",        "Command3",  "cmdnext",
                                            "cmdprev",  "cmdalleanzeigen", "ZorButton1"};
        QStringList on;
        for (int b = 0; b < FeedbackView::ButtonCount; ++b)
            if (view->isEnabled(FeedbackView::Button(b)))
                on << QString::fromLatin1(names[b]);
        return on;
    }
    QStringList firstDataRow() const { return list->captions(2); }

private slots:
    void init() {
        store = std::make_unique<testsupport::StoreFixture>(QStringLiteral("anna"));
        list = std::make_unique<ui::FeedbackList>();
        list->subInitListe();
        view = std::make_unique<FeedbackView>(list.get());
    }
    void cleanup() {
        view.reset();
        list.reset();
        store.reset();
    }

    void anEmptyDatabase() {
        view->cmdalleanzeigen_Click();
        QCOMPARE(view->lblinfo(), QStringLiteral("keine Bewertungen vorhanden!"));
        QCOMPARE(list->rowCount(), 1);
        QCOMPARE(view->lblsummepos(), QStringLiteral("0"));
        QCOMPARE(view->lblsummeneu(), QStringLiteral("0"));
        QCOMPARE(view->lblsummeneg(), QStringLiteral("0"));
        QCOMPARE(view->lblProzente(), QStringLiteral("Positive Bewertungen : 0 %"));
        QCOMPARE(enabledButtons(), QStringList({"Command1", "Command2", "Command3", "ZorButton1"}));
        QVERIFY(view->menuEnabled());
        QVERIFY(!view->progressVisible());
        QVERIFY(!view->busyCursor());
    }

    void exactlyOnePage() {
        store->addRatings(QStringLiteral("anna"), 200, kNewest, {1, 1, 3});
        view->cmdalleanzeigen_Click();
        QCOMPARE(view->lblinfo(), QStringLiteral("Anzeige: 1 - 200 von 200"));
        QCOMPARE(list->rowCount(), 201);
        QVERIFY(!view->isEnabled(FeedbackView::cmdnext));
        QVERIFY(!view->isEnabled(FeedbackView::cmdprev));
        QVERIFY(!view->isEnabled(FeedbackView::cmdalleanzeigen));
        QCOMPARE(view->lblsummepos(), QStringLiteral("134"));
        QCOMPARE(view->lblsummeneg(), QStringLiteral("66"));
        QCOMPARE(view->lblProzente(), QStringLiteral("Positive Bewertungen : 50,7 % "));
        // Newest first.
        QCOMPARE(firstDataRow().at(0), QStringLiteral(" Bewertung 1"));
        QCOMPARE(firstDataRow().at(2), QStringLiteral(" 30.11.2026 18:00"));
    }

    void pagingForwardAndBack() {
        store->addRatings(QStringLiteral("anna"), 201, kNewest);
        view->cmdalleanzeigen_Click();
        QCOMPARE(view->lblinfo(), QStringLiteral("Anzeige: 1 - 200 von 201"));
        QCOMPARE(enabledButtons(),
                 QStringList({"Command1", "Command2", "Command3", "cmdnext", "ZorButton1"}));

        view->cmdnext_Click();
        QCOMPARE(lSeitenAnfang, 201);
        QCOMPARE(view->lblinfo(), QStringLiteral("Anzeige: 201 - 201 von 201"));
        QCOMPARE(list->rowCount(), 2);
        QCOMPARE(firstDataRow().at(0), QStringLiteral(" Bewertung 201"));
        QCOMPARE(enabledButtons(),
                 QStringList({"Command1", "Command2", "Command3", "cmdprev", "ZorButton1"}));

        view->cmdprev_Click();
        QCOMPARE(lSeitenAnfang, 1);
        QCOMPARE(list->rowCount(), 201);
        QVERIFY(!view->isEnabled(FeedbackView::cmdprev));
        QVERIFY(view->isEnabled(FeedbackView::cmdnext));
    }

    void pagingInsideAFilter() {
        // 450 neutral among 900: three pages of neutral rows.
        store->addRatings(QStringLiteral("anna"), 900, kNewest, {1, 2});
        view->cmdalleanzeigen_Click();
        view->Command2_Click();
        QCOMPARE(iAnzeigeModus, 2);
        QCOMPARE(lAnzahlGesamt, 450);
        QCOMPARE(view->lblinfo(), QStringLiteral("Anzeige: 1 - 200 von 450"));
        QStringList captions;
        for (int page = 0; page < 3; ++page) {
            for (int k = 2; k <= list->rowCount(); ++k)
                QCOMPARE(list->image(k), 2);
            captions << view->lblinfo();
            QVERIFY(!view->isEnabled(FeedbackView::Command2));
            QVERIFY(view->isEnabled(FeedbackView::cmdalleanzeigen));
            if (page < 2)
                view->cmdnext_Click();
        }
        QCOMPARE(captions, QStringList({"Anzeige: 1 - 200 von 450", "Anzeige: 201 - 400 von 450",
                                        "Anzeige: 401 - 450 von 450"}));
        QCOMPARE(list->rowCount(), 51);
        // The summary still describes all rows.
        QCOMPARE(view->lblsummeneu(), QStringLiteral("450"));
    }

    void aFilterThatFindsNothing() {
        store->addRatings(QStringLiteral("anna"), 10, kNewest, {1});
        view->cmdalleanzeigen_Click();
        view->Command1_Click();
        QCOMPARE(iAnzeigeModus, 1);
        view->Command3_Click();
        QCOMPARE(view->lblinfo(), QStringLiteral("keine Negativen Bewertungen vorhanden!"));
        QCOMPARE(list->rowCount(), 1);
        QCOMPARE(iAnzeigeModus, 1); // kept
        QVERIFY(!view->isEnabled(FeedbackView::Command3));
        QVERIFY(view->isEnabled(FeedbackView::Command1));
        QVERIFY(!view->progressVisible());
    }

    void foreignModeReadsTheForeignTable() {
        store->addRatings(QStringLiteral("anna"), 30, kNewest, {1});
        store->addRatings(QStringLiteral("o'brien"), 5, kNewest, {2, 3}, true);
        bFremdModus = true;
        sFremdUser = QStringLiteral("o'brien");
        view->cmdalleanzeigen_Click();
        QCOMPARE(view->lblinfo(), QStringLiteral("Anzeige: 1 - 5 von 5"));
        QCOMPARE(view->lblsummepos(), QStringLiteral("0"));
        QCOMPARE(view->lblsummeneu(), QStringLiteral("3"));
        QCOMPARE(view->lblsummeneg(), QStringLiteral("2"));
        QCOMPARE(view->lblProzente(), QStringLiteral("Fremd-User Analyse"));
        view->Command1_Click();
        QCOMPARE(view->lblinfo(), QStringLiteral("keine Positiven Bewertungen vorhanden!"));

        bFremdModus = false;
        view->cmdalleanzeigen_Click();
        QCOMPARE(view->lblinfo(), QStringLiteral("Anzeige: 1 - 30 von 30"));
        QCOMPARE(view->lblProzente(), QStringLiteral("Positive Bewertungen : 100 % "));
    }

    void showAllDuringAPageTurnDoesNothing() {
        store->addRatings(QStringLiteral("anna"), 250, kNewest, {1, 2, 3});
        view->cmdalleanzeigen_Click();
        int yields = 0;
        bool busySeen = false;
        view->setYield([&] {
            if (++yields == 10) {
                busySeen = view->bAnzeigeLaeuft();
                view->cmdalleanzeigen_Click(); // from the menu timer, say
            }
        });
        view->cmdnext_Click();
        view->setYield({});
        QVERIFY(busySeen);
        QCOMPARE(lSeitenAnfang, 201);
        QCOMPARE(view->lblinfo(), QStringLiteral("Anzeige: 201 - 250 von 250"));
        QCOMPARE(list->rowCount(), 51);
        QVERIFY(!view->bAnzeigeLaeuft());
    }

    void progressFollowsTheRows() {
        store->addRatings(QStringLiteral("anna"), 40, kNewest);
        QList<int> values;
        connect(view.get(), &FeedbackView::changed, this, [&] {
            if (view->progressVisible())
                values << view->progressValue();
        });
        view->cmdalleanzeigen_Click();
        QCOMPARE(view->progressMaximum(), 40);
        QVERIFY(values.contains(40));
        QVERIFY(!view->progressVisible());
    }

    void aFailedReadDoesNotBlockTheNextShowAll() {
        store->addRatings(QStringLiteral("anna"), 5, kNewest);
        testsupport::ErrorAnswerer answers;
        answers.answer(errors::LeaveProcedure);
        view->cmdalleanzeigen_Click();
        // A view that counted more rows than there are: the page read fails.
        lAnzahlGesamt = 1000;
        lSeitenAnfang = 601;
        view->cmdnext_Click();
        QCOMPARE(answers.reports.size(), 1);
        QCOMPARE(answers.reports.front().procedure, QStringLiteral("cmdnext_Click"));
        view->cmdalleanzeigen_Click();
        QCOMPARE(view->lblinfo(), QStringLiteral("Anzeige: 1 - 5 von 5"));
    }

    void percentages_data() {
        QTest::addColumn<qint64>("pos");
        QTest::addColumn<qint64>("neg");
        QTest::addColumn<QString>("line");
        QTest::newRow("200/2") << qint64(200) << qint64(2) << "Positive Bewertungen : 99 % ";
        QTest::newRow("3/1") << qint64(3) << qint64(1) << "Positive Bewertungen : 66,7 % ";
        QTest::newRow("5/5") << qint64(5) << qint64(5) << "Positive Bewertungen : 0 %";
        QTest::newRow("1/0") << qint64(1) << qint64(0) << "Positive Bewertungen : 100 % ";
        QTest::newRow("0/0") << qint64(0) << qint64(0) << "Positive Bewertungen : 0 %";
        QTest::newRow("half to even")
            << qint64(80) << qint64(1) << "Positive Bewertungen : 98,8 % ";
        QTest::newRow("30 million")
            << qint64(30000000) << qint64(3000000) << "Positive Bewertungen : 90 % ";
    }
    void percentages() {
        QFETCH(qint64, pos);
        QFETCH(qint64, neg);
        QFETCH(QString, line);
        QCOMPARE(ui::prozenteText(pos, neg), line);
    }
};

QTEST_MAIN(FeedbackViewTest)
#include "tst_feedbackView.moc"
