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

// The rows' texts, a "*" before each bold one.
QStringList shown(const frmAnzeige& w) {
    const auto& list = *w.findChild<ui::FeedbackList*>();
    QStringList rows;
    for (int k = 2; k <= list.rowCount(); ++k)
        rows << (list.isNew(k) ? "*" : "") + list.captions(k).at(0).trimmed();
    return rows;
}

const QDateTime kFirst(QDate(2026, 11, 1), QTime(12, 0));

} // namespace

class NewRatingsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::StoreFixture> store;

    // A first load of two ratings, seen; then two more stored by a check in
    // another process while the window is open, and the list read again.
    frmAnzeige& windowWithNews() {
        store->addRatings("anna", 2, kFirst);
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

    // Kept active for the while the mark moves, and stays moved after a
    // restart; a deactivation before that keeps the rows bold.
    void theWindowActiveForAWhile_data() {
        QTest::addColumn<bool>("deactivated");
        QTest::addColumn<QStringList>("after");
        const QStringList plain{"Bewertung 1", "Bewertung 2", "Bewertung 1", "Bewertung 2"};
        QTest::newRow("kept active") << false << plain;
        QTest::newRow("left before")
            << true << QStringList({"*Bewertung 1", "*Bewertung 2", "Bewertung 1", "Bewertung 2"});
    }
    void theWindowActiveForAWhile() {
        QFETCH(bool, deactivated);
        QFETCH(QStringList, after);
        frmAnzeige& w = windowWithNews();
        QCOMPARE(shown(w),
                 QStringList({"*Bewertung 1", "*Bewertung 2", "Bewertung 1", "Bewertung 2"}));
        QWidget other;
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        if (deactivated) {
            other.show();
            other.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&other));
            QTest::qWait(2 * kDelayMs);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(shown(w), after, 10 * kDelayMs);
        }
        QCOMPARE(shown(w), after);

        Form<frmAnzeige>::unload();
        settle();
        modGlobal::resetGlobals();
        QCOMPARE(shown(load()), after);
    }
};

QTEST_MAIN(NewRatingsTest)
#include "tst_newRatings.moc"
