// "Jetzt Prüfen" through the window: the real window, the progress window,
// the feedback source against the marketplace simulator, and a real database.
// What a run stores after faults is the core's, tested without the window.
#include "answerers.h"
#include "app/modGlobal.h"
#include "guiDriver.h"
#include "marktsimProcess.h"
#include "retrieval/clsTalmBewertungen.h"
#include "retrieval/ownUpdateRun.h"
#include "store/connection.h"
#include "store/modData.h"
#include "store/ratingStoring.h"
#include "storeFixture.h"
#include "testData.h"
#include "ui/controls/menuAdapter.h"
#include "ui/dialogs/frmLade.h"
#include "ui/forms.h"
#include "ui/main/feedbackList.h"
#include "ui/main/frmAnzeige.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using testsupport::row;
using ui::Form;
using ui::frmAnzeige;

namespace {

const QString kQuestionTail =
    QStringLiteral(" neue Bewertungen. Sollen die neuen Bewertungen geladen werden?");
const QString kNothingNew = QStringLiteral("Es sind keine neuen Bewertungen eingegangen");

} // namespace

class OwnRatingsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<marktsim::SimProcess> sim;
    std::unique_ptr<testsupport::StoreFixture> store;

    void startSim(const QStringList& members) {
        sim = std::make_unique<marktsim::SimProcess>();
        QStringList args{"--reference", "2026-11-30T12:00:00Z"};
        for (const QString& m : members)
            args << "--member" << m;
        QVERIFY2(sim->start(args), qPrintable(sim->errorString()));
    }

    frmAnzeige& openWindow(const QString& user, const QByteArray& mainLines = "checkInet=False\n") {
        store = std::make_unique<testsupport::StoreFixture>(
            user, testsupport::marktplatz(sim->baseUrl()), mainLines);
        frmAnzeige& w = Form<frmAnzeige>::get();
        w.Form_Load();
        return w;
    }

    qint32 stored(const QString& user = QStringLiteral("anna")) {
        return modData::read_Anzahl(user);
    }

private slots:
    void initTestCase() {
        retrieval::clsTalmBewertungen::Timing t = retrieval::clsTalmBewertungen::defaultTiming();
        t.http.retryWaitsMs = {50, 100};
        t.http.inactivityMs = 3000;
        t.http.deadlineMs = 10000;
        retrieval::clsTalmBewertungen::setDefaultTiming(t);
    }
    void init() { retrieval::clsTalmBewertungen::clearTokenCache(); }
    void cleanup() {
        Form<frmAnzeige>::unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        store.reset();
        sim.reset();
    }

    void firstCheckSecondCheckAndNewRatings() {
        startSim({"anna:450"});
        frmAnzeige& w = openWindow(QStringLiteral("anna"));
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbYes);
        w.ZorButton1_Click();
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].text, QStringLiteral("Sie haben 450") + kQuestionTail);
        QCOMPARE(boxes.shown[0].buttons(), int(app::vbYesNo));
        QCOMPARE(boxes.shown[0].icon(), 0);
        // The page captions of the run: tst_cli einLauf "erster Lauf".
        QCOMPARE(stored(), 450);
        QCOMPARE(w.lblinfo()->text(), QStringLiteral("Anzeige: 1 - 200 von 450"));
        QCOMPARE(w.liste().rowCount(), 201);
        QVERIFY(w.button(ui::FeedbackView::ZorButton1)->isEnabled());
        const int shownLabels = w.lblsumme(1)->text().toInt() + w.lblsumme(2)->text().toInt() +
                                w.lblsumme(3)->text().toInt();
        QCOMPARE(shownLabels, 450);

        // Nothing new: no question, the information message; placeholders
        // the marketplace no longer counts go.
        QVERIFY(store::storeFetched(modData::Table::Own, QStringLiteral("anna"), {},
                                    store::StoreMode::MakeUpTotal, 455)
                    .ok);
        boxes.answer(app::vbOK);
        w.ZorButton1_Click();
        QCOMPARE(boxes.shown.size(), 2);
        QCOMPARE(boxes.shown[1].text, kNothingNew);
        QCOMPARE(boxes.shown[1].icon(), int(app::vbInformation));
        QCOMPARE(stored(), 450);

        // 15 new ones arrive at the marketplace.
        sim->admin(QStringLiteral("add"), QUrlQuery{{"user", "anna"}, {"count", "15"}});
        boxes.answer(app::vbYes);
        w.ZorButton1_Click();
        QCOMPARE(boxes.shown[2].text, QStringLiteral("Sie haben 15") + kQuestionTail);
        QCOMPARE(stored(), 465);
        QCOMPARE(boxes.unexpected, 0);
    }

    // "Aktionen", "Vollständig prüfen": a rating the marketplace no longer
    // lists stays in the list, marked, and leaves the caption and the sums.
    void theFullCheckFromTheMenu() {
        startSim({"anna:30"});
        frmAnzeige& w = openWindow(QStringLiteral("anna"));
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbYes);
        w.ZorButton1_Click();
        QCOMPARE(stored(), 30);
        sim->admin(QStringLiteral("withdraw"), QUrlQuery{{"user", "anna"}});
        boxes.answer(app::vbOK);
        QPointer<QTimer> timer = w.findChild<QTimer*>(QStringLiteral("Timer1"));
        w.menu().action(QStringLiteral("keyVollstaendig"))->trigger();
        QTRY_VERIFY(!timer || !timer->isActive());
        QCOMPARE(boxes.shown.size(), 2);
        QCOMPARE(boxes.shown[1].text, QStringLiteral("Vollständige Prüfung: 1 Bewertung geändert "
                                                     "(1 als zurückgezogen markiert, 0 wieder "
                                                     "gezählt)."));
        QCOMPARE(stored(), 30);
        QCOMPARE(w.lblinfo()->text(), QStringLiteral("Anzeige: 1 - 30 von 29 (+ 1 zurückgezogen)"));
        QCOMPARE(w.lblsumme(1)->text().toInt() + w.lblsumme(2)->text().toInt() +
                     w.lblsumme(3)->text().toInt(),
                 29);
        QVERIFY(w.liste().captions(2).at(0).contains(QStringLiteral("(zurückgezogen) ")));
        QVERIFY(w.button(ui::FeedbackView::ZorButton1)->isEnabled());
        QCOMPARE(boxes.unexpected, 0);
    }

    void declinedThenCancelledThenPaging() {
        startSim({"anna:450"});
        frmAnzeige& w = openWindow(QStringLiteral("anna"));
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbNo);
        w.ZorButton1_Click();
        // A refusal needs no further word: there were new ones.
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(stored(), 0);

        // Cancelled while the second page is on its way: the first is kept.
        sim->fault(QStringLiteral("delay"), {"on=entries", "after=2", "ms=3000"});
        boxes.answer(app::vbYes).answer(app::vbOK);
        ui::frmLade& lade = Form<ui::frmLade>::get();
        connect(&lade, &ui::frmLade::runCreated, this, [&lade](retrieval::LoadRun* run) {
            connect(run, &retrieval::LoadRun::changed, &lade, [&lade, run] {
                if (run->label1().endsWith(QStringLiteral("(2 von 3)")))
                    QTimer::singleShot(0, &lade, [&lade] { lade.cmdabort()->click(); });
            });
        });
        w.ZorButton1_Click();
        QCOMPARE(boxes.shown.last().text,
                 QStringLiteral("Der Ladevorgang wurde abgebrochen. Gespeichert: 200 neue "
                                "Bewertungen. Die übrigen 250 werden bei der nächsten Prüfung "
                                "geladen."));
        QCOMPARE(stored(), 200);
        // The caption, the list and the page buttons tell what is stored.
        QCOMPARE(w.lblinfo()->text(), QStringLiteral("Anzeige: 1 - 200 von 200"));
        QVERIFY(!w.button(ui::FeedbackView::cmdnext)->isEnabled());
        QVERIFY(w.button(ui::FeedbackView::ZorButton1)->isEnabled());
        QCOMPARE(boxes.unexpected, 0);
    }

    void aConnectionErrorInTheSecondPhaseStoresWhatArrived() {
        startSim({"anna:450"});
        frmAnzeige& w = openWindow(QStringLiteral("anna"));
        sim->fault(QStringLiteral("status"), {"on=entries", "after=2", "status=503", "count=20"});
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbYes).answer(app::vbOK).answer(app::vbOK);
        w.ZorButton1_Click();
        QCOMPARE(boxes.shown.size(), 3);
        const QString error = boxes.shown[1].text;
        QVERIFY2(error.startsWith(QStringLiteral("Fehler bei der Verbindungsaufnahme: 503\r "
                                                 "Beschreibung: ")),
                 qPrintable(error));
        QVERIFY(error.endsWith(
            QStringLiteral("\rBitte prüfen Sie ob eine Internetverbindung besteht.")));
        QVERIFY(!error.contains(QLatin1Char('\n')));
        QCOMPARE(boxes.shown[1].icon(), int(app::vbCritical));
        QCOMPARE(boxes.shown[2].text,
                 QStringLiteral("Der Ladevorgang wurde unterbrochen. Gespeichert: 200 neue "
                                "Bewertungen. Die übrigen 250 werden bei der nächsten Prüfung "
                                "geladen."));
        QCOMPARE(w.lblinfo()->text(), QStringLiteral("Anzeige: 1 - 200 von 200"));

        // Once the marketplace answers again, the rest comes.
        sim->admin(QStringLiteral("clear"));
        boxes.answer(app::vbYes);
        w.ZorButton1_Click();
        QCOMPARE(boxes.shown[3].text, QStringLiteral("Sie haben 250") + kQuestionTail);
        QCOMPARE(stored(), 450);
        QCOMPARE(boxes.unexpected, 0);
    }

    void anUnknownMember() {
        startSim({"anna:10"});
        frmAnzeige& w = openWindow(QStringLiteral("niemand"));
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbOK).answer(app::vbOK);
        w.ZorButton1_Click();
        QCOMPARE(boxes.shown.size(), 2);
        QCOMPARE(boxes.shown[0].text,
                 QStringLiteral("Der eingegebene Mitgliedsname wurde nicht gefunden. Bitte "
                                "überprüfen Sie den Mitgliedsnamen, und versuchen Sie es erneut!"));
        QCOMPARE(boxes.shown[0].icon(), int(app::vbCritical));
        QCOMPARE(boxes.shown[1].text, kNothingNew);
        QCOMPARE(stored(QStringLiteral("niemand")), 0);
    }

    // message: how the critical message ends.
    void noRunStarts_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QByteArray>("mainLines");
        QTest::addColumn<QString>("message");
        row("without a connection", "anna",
            QByteArray(
                "checkInet=True\nPruefHost1=nirgendwo.invalid\nPruefHost2=auch-nicht.invalid\n"),
            "Es besteht keine Verbindung zum Internet!");
        row("without a member name", "", QByteArray("checkInet=False\n"),
            "/Bin/config.INI fehlt der Mitgliedsname: [User] Username=");
    }
    void noRunStarts() {
        startSim({"anna:10"});
        frmAnzeige& w = openWindow(testsupport::fetch<QString>("user"),
                                   testsupport::fetch<QByteArray>("mainLines"));
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbOK);
        bool progressShown = false;
        testsupport::onNextModal([&](QWidget* m) { progressShown = qobject_cast<ui::frmLade*>(m); },
                                 500);
        w.ZorButton1_Click();
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY2(boxes.shown[0].text.endsWith(testsupport::fetch<QString>("message")),
                 qPrintable(boxes.shown[0].text));
        QCOMPARE(boxes.shown[0].icon(), int(app::vbCritical));
        QVERIFY(!progressShown);
        QVERIFY(w.button(ui::FeedbackView::ZorButton1)->isEnabled());
        QCOMPARE(sim->stats().value("requests").toInt(), 0);
    }

    // An operation left through the error dialog leaves every control usable.
    void leavingTheErrorDialogLeavesTheWindowUsable_data() {
        QTest::addColumn<QString>("before"); // pressed while the store works
        QTest::addColumn<QString>("pressed");
        row("Positive", "", "Command1");
        row("-->", "", "cmdnext");
        row("Alle after a filter", "Command3", "cmdalleanzeigen");
        row("Jetzt Prüfen", "", "ZorButton1");
    }
    void leavingTheErrorDialogLeavesTheWindowUsable() {
        QFETCH(QString, before);
        QFETCH(QString, pressed);
        startSim({"anna:450"});
        frmAnzeige& w = openWindow(QStringLiteral("anna"));
        store->addRatings(QStringLiteral("anna"), 450, QDateTime(QDate(2026, 11, 1), QTime(8, 0)),
                          {1, 2, 3});
        w.cmdalleanzeigen_Click();
        const auto button = [&w](const QString& name) { return w.findChild<QPushButton*>(name); };
        if (!before.isEmpty())
            button(before)->click();
        // The ratings' table goes away under the window.
        modGlobal::cnDB->exec("ALTER TABLE Bewertungeneigen RENAME TO Weg");
        testsupport::ErrorAnswerer errors;
        errors.answer(errors::LeaveProcedure).answer(errors::LeaveProcedure);
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbOK).answer(app::vbOK);
        QVERIFY(button(pressed)->isEnabled());
        button(pressed)->click();
        QVERIFY(errors.reports.size() + boxes.shown.size() >= 1);

        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QVERIFY(!w.progressBar()->isVisible());
        QVERIFY(w.menu().action(QStringLiteral("keyFile"))->isEnabled());
        for (const char* name : {"Command1", "Command2", "Command3", "ZorButton1"})
            QVERIFY2(button(name)->isEnabled() || modGlobal::iAnzeigeModus == name[7] - '0', name);
        QVERIFY(!w.view().bAnzeigeLaeuft());

        modGlobal::cnDB->exec("ALTER TABLE Weg RENAME TO Bewertungeneigen");
        button(modGlobal::iAnzeigeModus == 0 ? "Command1" : "cmdalleanzeigen")->click();
        QVERIFY2(w.lblinfo()->text().startsWith(QStringLiteral("Anzeige: 1 - ")),
                 qPrintable(w.lblinfo()->text()));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int status = 0;
    {
        OwnRatingsTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    return status;
}
#include "tst_ownRatings.moc"
