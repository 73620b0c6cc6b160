// Paging, filters, the caption, the summary and the button states, against a
// real database, without painting.
#include "answerers.h"
#include "app/modGlobal.h"
#include "storeFixture.h"
#include "ui/main/feedbackList.h"
#include "ui/main/feedbackView.h"

#include <QtTest>

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
    QStringList sums() const {
        return {view->lblsummepos(), view->lblsummeneu(), view->lblsummeneg()};
    }
    void expect(const char* caption, const QStringList& buttons) const {
        QCOMPARE(view->lblinfo(), QString::fromUtf8(caption));
        QCOMPARE(enabledButtons(), buttons);
    }

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
        QCOMPARE(sums(), QStringList({"0", "0", "0"}));
        QCOMPARE(view->lblProzente(), QStringLiteral("Positive Bewertungen : 0 %"));
        QCOMPARE(enabledButtons(), QStringList({"Command1", "Command2", "Command3", "ZorButton1"}));
        QVERIFY(view->menuEnabled() && !view->progressVisible() && !view->busyCursor());
    }

    // The view's part of paging: the caption, the buttons that work, and a
    // page turn that stays in the kind shown. The pages are the store's.
    void pagesAndKinds() {
        const QStringList kinds{"Command1", "Command2", "Command3"};
        const QStringList next{"cmdnext"}, prev{"cmdprev"}, all{"cmdalleanzeigen"};
        const QStringList zor{"ZorButton1"};
        store->addRatings(QStringLiteral("anna"), 401, kNewest, {1, 2}); // 201 positive
        view->cmdalleanzeigen_Click();
        expect("Anzeige: 1 - 200 von 401", kinds + next + zor);
        QCOMPARE(list->rowCount(), 201);
        QCOMPARE(firstDataRow().at(0), QStringLiteral(" Bewertung 1"));
        QCOMPARE(firstDataRow().at(2), QStringLiteral(" 30.11.2026 18:00"));
        QCOMPARE(sums(), QStringList({"201", "200", "0"}));
        QCOMPARE(view->lblProzente(), QStringLiteral("Positive Bewertungen : 100 % "));
        view->cmdnext_Click();
        expect("Anzeige: 201 - 400 von 401", kinds + next + prev + zor);
        view->cmdnext_Click();
        expect("Anzeige: 401 - 401 von 401", kinds + prev + zor);
        QCOMPARE(list->rowCount(), 2);
        QCOMPARE(firstDataRow().at(0), QStringLiteral(" Bewertung 401"));
        view->cmdprev_Click();
        view->cmdprev_Click();
        expect("Anzeige: 1 - 200 von 401", kinds + next + zor);
        QCOMPARE(list->rowCount(), 201);

        view->Command2_Click();
        QCOMPARE(modGlobal::iAnzeigeModus, 2);
        expect("Anzeige: 1 - 200 von 200", QStringList{"Command1", "Command3"} + all + zor);
        for (int k = 2; k <= list->rowCount(); ++k)
            QCOMPARE(list->image(k), 2);
        QCOMPARE(view->lblsummepos(), QStringLiteral("201")); // still all rows
        view->Command1_Click();
        view->cmdnext_Click();
        expect("Anzeige: 201 - 201 von 201",
               QStringList{"Command2", "Command3"} + prev + all + zor);
        QCOMPARE(list->rowCount(), 2);
        QCOMPARE(list->image(2), 1);
        view->Command3_Click();
        expect("keine Negativen Bewertungen vorhanden!",
               QStringList{"Command1", "Command2"} + all + zor);
        QCOMPARE(list->rowCount(), 1);
        QCOMPARE(modGlobal::iAnzeigeModus, 1); // kept
        QVERIFY(!view->progressVisible());
    }

    void foreignModeReadsTheForeignTable() {
        store->addRatings(QStringLiteral("anna"), 30, kNewest, {1});
        store->addRatings(QStringLiteral("o'brien"), 5, kNewest, {2, 3}, true);
        modGlobal::bFremdModus = true;
        modGlobal::sFremdUser = QStringLiteral("o'brien");
        view->cmdalleanzeigen_Click();
        QCOMPARE(view->lblinfo(), QStringLiteral("Anzeige: 1 - 5 von 5"));
        QCOMPARE(sums(), QStringList({"0", "3", "2"}));
        QCOMPARE(view->lblProzente(), QStringLiteral("Fremd-User Analyse"));
        view->Command1_Click();
        QCOMPARE(view->lblinfo(), QStringLiteral("keine Positiven Bewertungen vorhanden!"));
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
        QCOMPARE(modGlobal::lSeitenAnfang, 201);
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
};

QTEST_MAIN(FeedbackViewTest)
#include "tst_feedbackView.moc"
