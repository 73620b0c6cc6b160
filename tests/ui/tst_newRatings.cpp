// Ratings stored since the member last looked are bold in the list until the
// window has been active for a while: a real database, the real window.
#include "app/modGlobal.h"
#include "storeFixture.h"
#include "ui/forms.h"
#include "ui/main/feedbackList.h"
#include "ui/main/feedbackView.h"
#include "ui/main/frmAnzeige.h"
#include "ui/main/seenMark.h"

#include <QtTest>

using ui::Form;
using ui::frmAnzeige;

namespace {

constexpr int kDelayMs = 800;

void settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

frmAnzeige& load() {
    frmAnzeige& w = Form<frmAnzeige>::get();
    w.Form_Load();
    w.findChild<ui::SeenMark*>()->setDelay(kDelayMs);
    return w;
}

// The first rows' texts, a "*" before each bold one.
QStringList shown(const frmAnzeige& w) {
    const auto& list = *w.findChild<ui::FeedbackList*>();
    QStringList rows;
    for (int k = 2; k <= std::min(list.rowCount(), 6); ++k)
        rows << (list.isNew(k) ? "*" : "") + list.captions(k).at(0).trimmed();
    return rows;
}

const QDateTime kFirst(QDate(2026, 11, 1), QTime(12, 0));

} // namespace

class NewRatingsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::StoreFixture> store;

    // A first load of ratings, seen; then two more stored by a check in
    // another process while the window is open, and the list read again.
    frmAnzeige& windowWithNews(int older) {
        store->addRatings("anna", older, kFirst);
        frmAnzeige& w = load();
        store->addRatings("anna", 2, kFirst.addDays(1));
        w.view().cmdalleanzeigen_Click();
        return w;
    }

private slots:
    void init() { store = std::make_unique<testsupport::StoreFixture>(); }
    void cleanup() {
        Form<frmAnzeige>::unload();
        settle();
        store.reset();
    }

    void aFirstLoadIsNoNews() {
        store->addRatings("anna", 2, kFirst);
        QCOMPARE(shown(load()), QStringList({"Bewertung 1", "Bewertung 2"}));
    }

    // Kept active for the while, the mark moves past the rows shown and
    // stays moved after a restart. A deactivation before that keeps them
    // bold; so does a rating stored after the page was read, and a second
    // page, which shows none of the new rows.
    void theWindowActiveForAWhile_data() {
        QTest::addColumn<int>("older");
        QTest::addColumn<int>("later");
        QTest::addColumn<bool>("deactivated");
        QTest::addColumn<bool>("secondPage");
        QTest::addColumn<QStringList>("during");
        QTest::addColumn<QStringList>("after");
        const QStringList plain{"Bewertung 1", "Bewertung 2", "Bewertung 1", "Bewertung 2"};
        const QStringList bold{"*Bewertung 1", "*Bewertung 2", "Bewertung 1", "Bewertung 2"};
        QTest::newRow("kept active") << 2 << 0 << false << false << plain << plain;
        QTest::newRow("left before") << 2 << 0 << true << false << bold << bold;
        QTest::newRow("stored after the read")
            << 2 << 1 << false << false << plain
            << QStringList(
                   {"*Bewertung 1", "Bewertung 1", "Bewertung 2", "Bewertung 1", "Bewertung 2"});
        QTest::newRow("second page")
            << 200 << 0 << false << true << QStringList({"Bewertung 199", "Bewertung 200"})
            << QStringList(
                   {"*Bewertung 1", "*Bewertung 2", "Bewertung 1", "Bewertung 2", "Bewertung 3"});
    }
    void theWindowActiveForAWhile() {
        QFETCH(int, older);
        QFETCH(int, later);
        QFETCH(bool, deactivated);
        QFETCH(bool, secondPage);
        QFETCH(QStringList, during);
        QFETCH(QStringList, after);
        frmAnzeige& w = windowWithNews(older);
        QCOMPARE(shown(w).mid(0, 3), QStringList({"*Bewertung 1", "*Bewertung 2", "Bewertung 1"}));
        if (later > 0)
            store->addRatings("anna", later, kFirst.addDays(2));
        if (secondPage)
            w.view().cmdnext_Click();
        QWidget other;
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        if (deactivated) {
            other.show();
            other.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&other));
        }
        if (deactivated || secondPage)
            QTest::qWait(2 * kDelayMs);
        else
            QTRY_COMPARE_WITH_TIMEOUT(shown(w), during, 10 * kDelayMs);
        QCOMPARE(shown(w), during);

        Form<frmAnzeige>::unload();
        settle();
        modGlobal::resetGlobals();
        QCOMPARE(shown(load()), after);
    }
};

QTEST_MAIN(NewRatingsTest)
#include "tst_newRatings.moc"
